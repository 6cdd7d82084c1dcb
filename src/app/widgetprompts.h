#pragma once
#include "windows/prompts.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QFileDialog;
class QMessageBox;

// Prompts shown as real Qt dialogs, modal over the given parent window, or over the busy
// window while that is up: the busy window stays on top, and a box beneath it would be
// hidden from the user.
class WidgetPrompts : public Prompts {
public:
    explicit WidgetPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override;
    QString openFileName(const QString& caption, const QString& initialPath, const QString& filter,
                         const QString& defaultSuffix) override;
    QString saveFileName(const QString& caption, const QString& initialPath, const QString& filter,
                         const QString& defaultSuffix) override;
    QString folderName(const QString& caption, const QString& initialPath) override;
    std::optional<quint32> chooseColor(quint32 initial) override;
    int runDialog(QDialog& dialog) override;
    void openUrl(const QString& address, std::function<void()> failed) override;
    // Through xdg-email, when it is installed.
    bool openMailWithAttachment(const QString& address, const QString& file,
                                std::function<void()> failed) override;

    // The dialogs as the calls above show them, not yet shown: tests look at them
    // without running them modally.
    std::unique_ptr<QMessageBox> messageBox(const QString& text, const QString& caption, Icon icon,
                                            Buttons buttons) const;
    std::unique_ptr<QFileDialog> saveDialog(const QString& caption, const QString& initialPath,
                                            const QString& filter,
                                            const QString& defaultSuffix) const;
    // The window a dialog opens over: a visible always-on-top window of the program
    // (the busy window) when there is one, otherwise the main window.
    QWidget* dialogParent() const;

    // Room in a title bar beside the caption: the window menu, minimise, maximise and
    // close buttons of a usual frame, and its margins.
    static constexpr int kTitleButtonsRoom = 120;

private:
    // A dialog opened while an always-on-top window is up shares its layer.
    void keepAbove(QDialog& dialog) const;

    QPointer<QWidget> parent_;
};
