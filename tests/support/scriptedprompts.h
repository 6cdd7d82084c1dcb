#pragma once
// Prompts for tests: records every message and answers from a script, so that
// no test ever waits on a modal dialog.
#include "windows/prompts.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString text;
        QString caption;
        Icon icon;
        Buttons buttons;
    };

    QList<Shown> shown;    // every message, in order
    QList<Answer> answers; // answers to questions, consumed in order
    QStringList fileNames; // answers to file and folder dialogs, in order ("" = cancel)
    QList<std::optional<quint32>> colors; // answers to colour dialogs
    QStringList openedUrls;
    // Handlers for the program's dialogs, consumed in order: each may set the
    // dialog's controls and returns the dialog's result. Without one the dialog is
    // cancelled.
    QList<std::function<int(QDialog&)>> dialogs;
    QStringList dialogTitles; // every dialog run, by caption
    // Runs while a message is "open", before it is answered: a test may keep the event loop
    // running in it, as a real box does while the user has not closed it yet.
    std::function<void(const Shown&)> whileShown;

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override {
        shown.append({text, caption, icon, buttons});
        if (whileShown)
            whileShown(shown.last());
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    // The default extension of every file dialog, in order; "<folder>" for a folder dialog.
    QStringList fileDialogSuffixes;
    QString openFileName(const QString&, const QString&, const QString&,
                         const QString& defaultSuffix) override {
        fileDialogSuffixes.append(defaultSuffix);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString saveFileName(const QString&, const QString&, const QString&,
                         const QString& defaultSuffix) override {
        fileDialogSuffixes.append(defaultSuffix);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString folderName(const QString&, const QString&) override {
        fileDialogSuffixes.append(QStringLiteral("<folder>"));
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    std::optional<quint32> chooseColor(quint32) override {
        return colors.isEmpty() ? std::nullopt : colors.takeFirst();
    }
    int runDialog(QDialog& dialog) override {
        dialogTitles.append(dialog.windowTitle());
        if (dialogs.isEmpty())
            return QDialog::Rejected;
        return dialogs.takeFirst()(dialog);
    }
    bool urlHandlerFails = false; // every address opened reports that no handler started
    void openUrl(const QString& address, std::function<void()> failed) override {
        openedUrls.append(address);
        if (urlHandlerFails && failed)
            failed();
    }

    bool mailTakesAttachments = false; // a program that hands attachments over is installed
    QStringList attachedFiles;         // every file handed over with an address, in order
    bool openMailWithAttachment(const QString& address, const QString& file,
                                std::function<void()> failed) override {
        if (!mailTakesAttachments)
            return false;
        attachedFiles.append(file);
        openUrl(address, std::move(failed));
        return true;
    }

    QStringList texts() const {
        QStringList out;
        for (const auto& s : shown)
            out << s.text;
        return out;
    }
};
