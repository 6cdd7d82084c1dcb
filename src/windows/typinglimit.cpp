#include "windows/typinglimit.h"

#include <QLineEdit>

TypingLimit::TypingLimit(QLineEdit* edit, int limit)
    : QValidator(edit), edit_(edit), limit_(limit), lengthBefore_(edit->text().size()) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { lengthBefore_ = text.size(); });
}

QValidator::State TypingLimit::validate(QString& input, int&) const {
    // setText() clears the entry's modified state before the check, while every
    // change a person makes sets it: a text the program sets always passes.
    if (!edit_->isModified())
        return Acceptable;
    if (input.size() > limit_ && input.size() > lengthBefore_)
        return Invalid;
    return Acceptable;
}

void setTypingLimit(QLineEdit* edit, int limit) {
    if (auto* existing = qobject_cast<TypingLimit*>(const_cast<QValidator*>(edit->validator())))
        existing->setLimit(limit);
    else
        edit->setValidator(new TypingLimit(edit, limit));
}

int typingLimit(const QLineEdit* edit) {
    if (const auto* limit = qobject_cast<const TypingLimit*>(edit->validator()))
        return limit->limit();
    return edit->maxLength();
}
