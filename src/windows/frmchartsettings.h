#pragma once
// The chart properties dialog "チャートのプロパティ": 3-D view on or off, the
// depth of the 3-D view and the background colour. It reads the caller's record
// when it opens and writes it back only on OK.
#include "windows/chartviewsettings.h"

#include <QDialog>

class Prompts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ShapeWidget;
class UpDown;

class TChartForm : public QDialog {
    Q_OBJECT
public:
    TChartForm(QWidget* owner, Prompts& prompts, ChartViewSettings& settings);

    // The colour shown by shpBackColor, as 0x00BBGGRR.
    quint32 shownBackColor() const;

    QCheckBox* chkView3D = nullptr;
    QLabel* lblChart3DPercent = nullptr;
    QLineEdit* edtChart3DPercent = nullptr;
    UpDown* updChart3DPercent = nullptr;
    QPushButton* btnBackColor = nullptr;
    ShapeWidget* shpBackColor = nullptr;
    QPushButton* btnDefaultValue = nullptr;
    QPushButton* bbtnOk = nullptr;
    QPushButton* bbtnNg = nullptr;

public slots:
    void chkView3DClick();
    void btnBackColorClick();
    void btnDefaultValueClick();
    void bbtnOkClick();

private:
    void setShownBackColor(quint32 bgr);

    Prompts& prompts_;
    ChartViewSettings& settings_;
};
