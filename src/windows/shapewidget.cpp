#include "windows/shapewidget.h"

#include <QPainter>

ShapeWidget::ShapeWidget(Shape shape, QWidget* parent) : QWidget(parent), shape_(shape) {}

void ShapeWidget::setBrushColor(const QColor& colour) {
    if (colour == brush_)
        return;
    brush_ = colour;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, shape_ == Shape::Circle);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(brush_);
    // Keep the one-pixel outline inside the widget.
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (shape_ == Shape::Circle)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);
}
