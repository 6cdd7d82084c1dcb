#pragma once
// The most characters a person may type into an entry. QLineEdit's own maximum
// length also cuts every text the program sets ("0x001234" from the configuration
// file would become "0x0012", a different radio ID); this limit only keeps typing,
// pasting and dropping from making the text longer than it allows. A text the
// program puts in is shown whole.
#include <QValidator>

class QLineEdit;

class TypingLimit : public QValidator {
    Q_OBJECT

public:
    TypingLimit(QLineEdit* edit, int limit);

    int limit() const { return limit_; }
    void setLimit(int limit) { limit_ = limit; }

    State validate(QString& input, int& pos) const override;

private:
    QLineEdit* edit_;
    int limit_;
    // The length of the text before the change being checked: a text longer than
    // the limit may still be shortened or edited in place.
    qsizetype lengthBefore_ = 0;
};

// Installs the limit on the entry, or changes the one it has.
void setTypingLimit(QLineEdit* edit, int limit);
// The entry's typing limit; QLineEdit's maximum length when it has none.
int typingLimit(const QLineEdit* edit);
