#include "windows/heldprompts.h"

void HeldPrompts::showHeld() {
    if (showing_)
        return;
    showing_ = true;
    while (!held_.isEmpty()) {
        const Held next = held_.takeFirst();
        shown_.message(next.text, next.caption, next.icon, Buttons::Ok);
    }
    showing_ = false;
}

Prompts::Answer HeldPrompts::message(const QString& text, const QString& caption, Icon icon,
                                     Buttons buttons) {
    if (buttons != Buttons::Ok || !(holding_ || showing_))
        return shown_.message(text, caption, icon, buttons);
    held_.append({text, caption, icon});
    return Answer::Ok;
}
