#pragma once

#include <QColor>
#include <QSplitter>

// A splitter whose handles are filled with one colour. Painting the handle
// ourselves keeps a style sheet off the splitter: a style sheet there would be
// inherited by every widget inside it and make each of them slower to polish
// and draw.
class ColouredSplitter : public QSplitter {
public:
    ColouredSplitter(Qt::Orientation orientation, const QColor& handleColour,
                     QWidget* parent = nullptr);

protected:
    QSplitterHandle* createHandle() override;

private:
    QColor handleColour_;
};
