#include "windows/frmchartsettings.h"

#include "windows/fixeddialog.h"
#include "windows/placedwidget.h"
#include "windows/prompts.h"
#include "windows/shapewidget.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QColor colourOfBgr(quint32 bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

quint32 bgrOf(const QColor& colour) {
    return quint32(colour.red()) | quint32(colour.green()) << 8 | quint32(colour.blue()) << 16;
}

} // namespace

TChartForm::TChartForm(QWidget* owner, Prompts& prompts, ChartViewSettings& settings)
    : QDialog(owner, kFixedDialogFlags), prompts_(prompts), settings_(settings) {
    setObjectName(QStringLiteral("TChartForm"));
    setWindowTitle(QStringLiteral("チャートのプロパティ"));
    setModal(true);
    setFixedSize(281, 150);

    chkView3D = placedWidget<QCheckBox>(QStringLiteral("chkView3D"), QRect(16, 14, 120, 20),
                                        QStringLiteral("3次元表示"), this);

    lblChart3DPercent = placedWidget<QLabel>(QStringLiteral("lblChart3DPercent"),
                                             QRect(32, 44, 40, 22), QStringLiteral("奥行："), this);

    edtChart3DPercent = new QLineEdit(this);
    edtChart3DPercent->setObjectName(QStringLiteral("edtChart3DPercent"));
    edtChart3DPercent->setReadOnly(true);
    edtChart3DPercent->setMaxLength(3);
    edtChart3DPercent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtChart3DPercent->setGeometry(76, 44, 40, 22);

    updChart3DPercent =
        placedWidget<UpDown>(QStringLiteral("updChart3DPercent"), QRect(116, 44, 16, 22), this);
    connect(updChart3DPercent, &UpDown::positionChanged, this,
            [this](int position) { edtChart3DPercent->setText(QString::number(position)); });
    updChart3DPercent->setRange(ChartViewSettings::minDepthPercent,
                                ChartViewSettings::maxDepthPercent);
    // Up and Down in the depth entry step the depth as the spinner's arrows do.
    updChart3DPercent->setAssociate(edtChart3DPercent);

    btnBackColor = placedWidget<QPushButton>(QStringLiteral("btnBackColor"), QRect(16, 78, 75, 25),
                                             QStringLiteral("背景色"), this);
    connect(btnBackColor, &QPushButton::clicked, this, &TChartForm::btnBackColorClick);

    shpBackColor = placedWidget<ShapeWidget>(QStringLiteral("shpBackColor"), QRect(100, 80, 32, 21),
                                             ShapeWidget::Shape::Rectangle, this);

    btnDefaultValue =
        placedWidget<QPushButton>(QStringLiteral("btnDefaultValue"), QRect(16, 114, 116, 25),
                                  QStringLiteral("ﾃﾞﾌｫﾙﾄ値に戻す"), this);
    connect(btnDefaultValue, &QPushButton::clicked, this, &TChartForm::btnDefaultValueClick);

    const OkCancelButtons buttons =
        addOkCancelButtons(this, QRect(190, 14, 75, 25), QRect(190, 46, 75, 25));
    bbtnOk = buttons.ok;
    bbtnNg = buttons.cancel;
    connect(bbtnOk, &QPushButton::clicked, this, &TChartForm::bbtnOkClick);

    connect(chkView3D, &QCheckBox::toggled, this, &TChartForm::chkView3DClick);

    chkView3D->setChecked(settings.view3D);
    chkView3DClick(); // the box may already have had that state
    updChart3DPercent->setPosition(settings.depthPercent);
    edtChart3DPercent->setText(QString::number(updChart3DPercent->position()));
    setShownBackColor(settings.backColor);
}

quint32 TChartForm::shownBackColor() const {
    return bgrOf(shpBackColor->brushColor());
}

void TChartForm::setShownBackColor(quint32 bgr) {
    shpBackColor->setBrushColor(colourOfBgr(bgr));
}

void TChartForm::chkView3DClick() {
    const bool on = chkView3D->isChecked();
    lblChart3DPercent->setEnabled(on);
    edtChart3DPercent->setEnabled(on);
    updChart3DPercent->setEnabled(on);
}

void TChartForm::btnBackColorClick() {
    if (const auto chosen = prompts_.chooseColor(shownBackColor()))
        setShownBackColor(*chosen & 0x00FFFFFFu);
}

void TChartForm::btnDefaultValueClick() {
    chkView3D->setChecked(ChartViewSettings::defaultView3D);
    updChart3DPercent->setPosition(ChartViewSettings::defaultDepthPercent);
    setShownBackColor(ChartViewSettings::defaultBackColor);
}

void TChartForm::bbtnOkClick() {
    settings_.view3D = chkView3D->isChecked();
    settings_.depthPercent = updChart3DPercent->position();
    settings_.backColor = shownBackColor();
    accept();
}
