#pragma once
// Every message box, question, file dialog, colour dialog and URI hand-off of the
// program goes through one Prompts object, so that tests can record what the user
// would have seen and answer from a script instead of blocking on a modal dialog.
#include <QString>
#include <functional>
#include <optional>

class QDialog;

class Prompts {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo, YesCancel, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompts() = default;

    // A modal message box. Warnings use Icon::Warning (the exclamation icon).
    virtual Answer message(const QString& text, const QString& caption, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;
    // File dialogs; an empty result means the user cancelled. defaultSuffix is added to
    // a typed name without an extension.
    virtual QString openFileName(const QString& caption, const QString& initialPath,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    virtual QString saveFileName(const QString& caption, const QString& initialPath,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    // Folder dialog: an existing folder, empty when the user cancelled.
    virtual QString folderName(const QString& caption, const QString& initialPath) = 0;
    // Colour dialog; colours are 0x00BBGGRR values as the configuration file keeps them.
    virtual std::optional<quint32> chooseColor(quint32 initial) = 0;
    // Runs one of the program's own modal dialogs (port properties, chart properties,
    // version) and returns its result code (QDialog::Accepted or QDialog::Rejected).
    virtual int runDialog(QDialog& dialog) = 0;
    // Hands an address (mailto:, http:) exactly as given to the system's handler.
    // failed, when set, runs later in the user-interface thread if no handler could be
    // started or the handler reported an error.
    virtual void openUrl(const QString& address, std::function<void()> failed) = 0;
    // Hands a mail address (unchanged) and a file to attach to a program that passes both to
    // the user's mail program. False when the system has no such program: nothing was
    // started, and the caller opens the address without the file. failed as for openUrl.
    virtual bool openMailWithAttachment(const QString& address, const QString& file,
                                        std::function<void()> failed) = 0;
};
