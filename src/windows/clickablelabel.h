#pragma once
// A label (text or picture) that reports a left click, for the link and the
// logo of the version dialog. It takes the keyboard focus like a button and
// Space, Return or Enter click it then.
#include <QLabel>

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
