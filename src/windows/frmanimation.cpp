#include "windows/frmanimation.h"

#include "windows/shapewidget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>

namespace {

constexpr int circleSize = 9;
constexpr int circleLeft = 136; // left edge of circle 1
constexpr int circlePitch = 16;
constexpr int circleTop = 48;

QColor colourOf(WaveColour colour) {
    return QColor::fromRgb(QRgb(0xFF000000u | waveColourRgb(colour)));
}

QLabel* picture(QWidget* parent, const char* name, const QString& resource, const QRect& area) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(area);
    label->setAlignment(Qt::AlignCenter);
    label->setPixmap(QPixmap(resource));
    return label;
}

} // namespace

TAnimationForm::TAnimationForm(QWidget* owner, bool& openFlag)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint), openFlag_(openFlag) {
    setObjectName(QStringLiteral("TAnimationForm"));
    setWindowTitle(QStringLiteral("通信中"));
    setFixedSize(clientSize);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    imgRinKoda = picture(this, "imgRinKoda", QStringLiteral(":/pictures/laptimer.png"),
                         QRect(8, 7, 120, 81));
    Image1 =
        picture(this, "Image1", QStringLiteral(":/pictures/receiver.png"), QRect(340, 7, 120, 81));

    for (int n = 1; n <= WaveAnimation::circleCount; ++n) {
        auto* circle = new ShapeWidget(ShapeWidget::Shape::Circle, this);
        circle->setObjectName(QStringLiteral("shpAirWaves%1").arg(n));
        circle->setGeometry(circleLeft + (n - 1) * circlePitch, circleTop, circleSize, circleSize);
        shpAirWaves_[size_t(n - 1)] = circle;
    }

    if (owner) {
        const QRect frame = owner->frameGeometry();
        move(frame.center() - QPoint(clientSize.width() / 2, clientSize.height() / 2));
    }

    openFlag = true;
    wave_.reset();
    circles_.fill(WaveColour::White);
    paintCircles();
    timAnimation.setInterval(timerIntervalMs);
    connect(&timAnimation, &QTimer::timeout, this, &TAnimationForm::timAnimationTimer);
    timAnimation.start();
}

TAnimationForm::~TAnimationForm() {
    // The flag is not touched here: the creator may already be tearing down its
    // members when it destroys its children. It was cleared when the window closed.
    FormDestroy();
}

ShapeWidget* TAnimationForm::airWave(int n) const {
    if (n < 1 || n > WaveAnimation::circleCount)
        return nullptr;
    return shpAirWaves_[size_t(n - 1)];
}

void TAnimationForm::timAnimationTimer() {
    wave_.step(circles_);
    paintCircles();
}

void TAnimationForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TAnimationForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TAnimationForm::FormClose() {
    openFlag_ = false;
}

void TAnimationForm::FormDestroy() {
    timAnimation.stop();
}

void TAnimationForm::paintCircles() {
    for (int i = 0; i < WaveAnimation::circleCount; ++i)
        shpAirWaves_[size_t(i)]->setBrushColor(colourOf(circles_[size_t(i)]));
}
