#pragma once
// An entry that shows an example of what it wants while it holds only the start of a value:
// the radio ID entries start as "0x", which leaves Qt's placeholder (shown only in an empty
// entry) unseen. While the text is the example's prefix, the rest of the example follows it
// in the placeholder colour; an empty entry shows the whole example as its placeholder.
#include <QLineEdit>

class ExampleEntry : public QLineEdit {
public:
    ExampleEntry(const QString& text, QWidget* parent = nullptr);

    // example: a whole value, e.g. "0x12AB"; prefix: its start that the entry may hold
    // while the example shows, e.g. "0x".
    void setExample(const QString& example, const QString& prefix);
    // The part of the example drawn after the text; empty when none is drawn.
    QString shownExample() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString prefix_;
};
