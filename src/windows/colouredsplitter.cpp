#include "windows/colouredsplitter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSplitterHandle>

namespace {

class ColouredHandle : public QSplitterHandle {
public:
    ColouredHandle(Qt::Orientation orientation, QSplitter* parent, const QColor& colour)
        : QSplitterHandle(orientation, parent), m_colour(colour) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter(this).fillRect(event->rect(), m_colour);
    }

private:
    QColor m_colour;
};

} // namespace

ColouredSplitter::ColouredSplitter(Qt::Orientation orientation, const QColor& handleColour,
                                   QWidget* parent)
    : QSplitter(orientation, parent), m_handleColour(handleColour) {}

QSplitterHandle* ColouredSplitter::createHandle() {
    return new ColouredHandle(orientation(), this, m_handleColour);
}
