#pragma once
// A panel of the status bar: a sunken label that takes its design width when the window
// has room for it and gives way, down to nothing, when the window is made narrower than
// the panels together.
#include <QLabel>
#include <QStringList>

class StatusPanel : public QLabel {
public:
    StatusPanel(int designWidth, QWidget* parent = nullptr);

    int designWidth() const { return width_; }
    void setDesignWidth(int width);
    // Widens the panel, if need be, so that the widest of texts is drawn whole in its font.
    void widenToFit(const QStringList& texts);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int width_;
};
