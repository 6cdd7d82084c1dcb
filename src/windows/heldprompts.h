#pragma once
// Prompts that can hold message boxes back. While held, a message with only an OK button is
// queued instead of shown; showHeld() shows the queue later, in order. The main window holds
// its messages during the idle pass and shows them once the pass has returned, so that a box
// opened by the pass does not stop it: the pass goes on running inside the box's own event
// loop, and nothing the instruments push waits until the box is closed.
#include "windows/prompts.h"

#include <QList>

class HeldPrompts : public Prompts {
public:
    explicit HeldPrompts(Prompts& shown) : shown_(shown) {}

    // Holds (true) or lets through (false) the messages that follow.
    void hold(bool on) { holding_ = on; }
    bool holding() const { return holding_; }
    bool hasHeld() const { return !held_.isEmpty(); }
    // Shows the held messages in the order they came. A call made while one of them is open
    // returns at once: the call that shows it goes on with whatever was held meanwhile, so
    // boxes follow each other instead of piling up.
    void showHeld();
    // Forgets what is held (the window closes: nobody would read it).
    void dropHeld() { held_.clear(); }

    // A message with only an OK button is held while holding(), and while held messages are
    // being shown (answered Ok at once); a question is shown at once, since its caller
    // needs the answer.
    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    QString openFileName(const QString& caption, const QString& initialPath, const QString& filter,
                         const QString& defaultSuffix) override {
        return shown_.openFileName(caption, initialPath, filter, defaultSuffix);
    }
    QString saveFileName(const QString& caption, const QString& initialPath, const QString& filter,
                         const QString& defaultSuffix) override {
        return shown_.saveFileName(caption, initialPath, filter, defaultSuffix);
    }
    QString folderName(const QString& caption, const QString& initialPath) override {
        return shown_.folderName(caption, initialPath);
    }
    std::optional<quint32> chooseColor(quint32 initial) override {
        return shown_.chooseColor(initial);
    }
    int runDialog(QDialog& dialog) override { return shown_.runDialog(dialog); }
    void openUrl(const QString& address, std::function<void()> failed) override {
        shown_.openUrl(address, std::move(failed));
    }
    bool openMailWithAttachment(const QString& address, const QString& file,
                                std::function<void()> failed) override {
        return shown_.openMailWithAttachment(address, file, std::move(failed));
    }

private:
    struct Held {
        QString text;
        QString caption;
        Icon icon;
    };
    Prompts& shown_;
    QList<Held> held_;
    bool holding_ = false;
    bool showing_ = false;
};
