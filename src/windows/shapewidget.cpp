#include "windows/shapewidget.h"

#include <QPainter>

ShapeWidget::ShapeWidget(Shape shape, QWidget* parent) : QWidget(parent), m_shape(shape) {}

void ShapeWidget::setBrushColor(const QColor& colour) {
    if (colour == m_brush)
        return;
    m_brush = colour;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, m_shape == Shape::Circle);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_brush);
    // Keep the one-pixel outline inside the widget.
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_shape == Shape::Circle)
        painter.drawEllipse(box);
    else
        painter.drawRect(box);
}
