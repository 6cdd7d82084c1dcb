#include "windows/corneranchor.h"

#include <QEvent>
#include <QWidget>

namespace {

// Watches the parent's resizes; owned by the child, so it goes when the child goes.
class CornerAnchor : public QObject {
public:
    CornerAnchor(QWidget* child, Qt::Corner corner, QPoint margin)
        : QObject(child), child(child), corner(corner), margin(margin) {
        child->parentWidget()->installEventFilter(this);
        place();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == child->parentWidget() && event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    void place() {
        const QSize room = child->parentWidget()->size();
        const bool right = corner == Qt::TopRightCorner || corner == Qt::BottomRightCorner;
        const bool bottom = corner == Qt::BottomLeftCorner || corner == Qt::BottomRightCorner;
        child->move(right ? room.width() - child->width() - margin.x() : margin.x(),
                    bottom ? room.height() - child->height() - margin.y() : margin.y());
    }

    QWidget* child;
    Qt::Corner corner;
    QPoint margin;
};

} // namespace

void anchorToCorner(QWidget* child, Qt::Corner corner, QPoint margin) {
    if (child && child->parentWidget())
        new CornerAnchor(child, corner, margin);
}
