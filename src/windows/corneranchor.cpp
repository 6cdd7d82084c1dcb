#include "windows/corneranchor.h"

#include <QEvent>
#include <QWidget>

namespace {

// Watches the parent's resizes; owned by the child, so it goes when the child goes.
class CornerAnchor : public QObject {
public:
    CornerAnchor(QWidget* child, Qt::Corner corner, QPoint margin)
        : QObject(child), child_(child), corner_(corner), margin_(margin) {
        child->parentWidget()->installEventFilter(this);
        place();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == child_->parentWidget() && event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    void place() {
        const QSize room = child_->parentWidget()->size();
        const bool right = corner_ == Qt::TopRightCorner || corner_ == Qt::BottomRightCorner;
        const bool bottom = corner_ == Qt::BottomLeftCorner || corner_ == Qt::BottomRightCorner;
        child_->move(right ? room.width() - child_->width() - margin_.x() : margin_.x(),
                     bottom ? room.height() - child_->height() - margin_.y() : margin_.y());
    }

    QWidget* child_;
    Qt::Corner corner_;
    QPoint margin_;
};

} // namespace

void anchorToCorner(QWidget* child, Qt::Corner corner, QPoint margin) {
    if (child && child->parentWidget())
        new CornerAnchor(child, corner, margin);
}
