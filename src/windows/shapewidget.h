#pragma once
// A filled shape with a black outline, like the circles of the busy window's
// running light and the colour sample of the chart properties dialog.
#include <QColor>
#include <QWidget>

class ShapeWidget : public QWidget {
    Q_OBJECT
public:
    enum class Shape { Rectangle, Circle };

    explicit ShapeWidget(Shape shape, QWidget* parent = nullptr);

    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape shape_;
    QColor brush_ = Qt::white;
};
