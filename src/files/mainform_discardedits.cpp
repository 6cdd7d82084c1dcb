// The question before unsaved remark edits would be lost.
#include "app/frmmain.h"

bool TMainForm::confirmDiscardEdits() {
    if (!dataModified)
        return true;
    const auto answer = prompts.message(QStringLiteral("データを保存しなくてもよろしいですか？"),
                                        QStringLiteral("KODA Monitor"), Prompts::Icon::Information,
                                        Prompts::Buttons::YesNo);
    if (answer != Prompts::Answer::Yes)
        return false;
    dataModified = false;
    return true;
}
