// The question before unsaved remark edits would be lost.
#include "app/frmmain.h"
#include "files/lapfile.h"

bool TMainForm::confirmDiscardEdits() {
    if (!dataModified)
        return true;
    const auto answer = prompts.message(discardEditsMessage, discardEditsCaption,
                                        Prompts::Icon::Information, Prompts::Buttons::YesNo);
    if (answer != Prompts::Answer::Yes)
        return false;
    dataModified = false;
    return true;
}
