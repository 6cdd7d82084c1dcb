#include "windows/colouredsplitter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSplitterHandle>

namespace {

class ColouredHandle : public QSplitterHandle {
public:
    ColouredHandle(Qt::Orientation orientation, QSplitter* parent, const QColor& colour)
        : QSplitterHandle(orientation, parent), colour_(colour) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter(this).fillRect(event->rect(), colour_);
    }

private:
    QColor colour_;
};

} // namespace

ColouredSplitter::ColouredSplitter(Qt::Orientation orientation, const QColor& handleColour,
                                   QWidget* parent)
    : QSplitter(orientation, parent), handleColour_(handleColour) {}

QSplitterHandle* ColouredSplitter::createHandle() {
    return new ColouredHandle(orientation(), this, handleColour_);
}
