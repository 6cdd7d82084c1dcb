#include "pitboard/pitboardwindow.h"

#include "pitboard/alertsounds.h"
#include "pitboard/pitboardtext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>
#include <QWindow>

namespace pitboard {
namespace {

struct Colours {
    QColor background, text, faster, slower, best, banner, bannerText;
};

Colours coloursOf(Theme theme) {
    // Sunlight: dark on bright at full contrast; night: bright on dark. Best values in the
    // grid's blue, faster green, slower red, as a racer reads them on any timing screen.
    if (theme == Theme::Sunlight)
        return {Qt::white,         Qt::black,           QColor(0, 110, 0), QColor(190, 0, 0),
                QColor(0, 0, 200), QColor(255, 210, 0), Qt::black};
    return {Qt::black,
            Qt::white,
            QColor(80, 255, 80),
            QColor(255, 90, 90),
            QColor(110, 150, 255),
            QColor(200, 0, 0),
            Qt::white};
}

QColor flashColour(Alert alert) {
    switch (alert) {
    case Alert::NewBest:
        return QColor(150, 60, 255);
    case Alert::LowFuel:
        return QColor(230, 0, 0);
    case Alert::Overdue:
        return QColor(255, 140, 0);
    }
    return {};
}

QString alertText(Alert alert) {
    switch (alert) {
    case Alert::NewBest:
        return QStringLiteral("ベストラップ更新");
    case Alert::LowFuel:
        return QStringLiteral("燃料残りわずか");
    case Alert::Overdue:
        return QStringLiteral("ラップが届きません");
    }
    return {};
}

// The width of the frame an alert flashes around the board.
constexpr int FlashFrame = 24;

QLabel* boardLabel(QWidget* parent, const char* name, Qt::Alignment align = Qt::AlignCenter) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(align);
    label->setTextFormat(Qt::PlainText);
    // The rows share the height by their stretch, whatever the fonts: the fonts follow the
    // window's size, never the other way round.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    return label;
}

void setLabelColour(QLabel* label, const QColor& colour) {
    label->setStyleSheet(QStringLiteral("color: %1").arg(colour.name()));
}

const char* alertKey(Alert alert) {
    switch (alert) {
    case Alert::NewBest:
        return "NewBestAlert";
    case Alert::LowFuel:
        return "LowFuelAlert";
    case Alert::Overdue:
        return "OverdueAlert";
    }
    return "";
}

} // namespace

PitBoardWindow::PitBoardWindow(feed::EventFeed& feed, const QString& settingsPath, QWidget* parent)
    : QWidget(parent, Qt::Window), settingsPath_(settingsPath) {
    setObjectName(QStringLiteral("PitBoard"));
    setWindowTitle(QStringLiteral("ピットボード"));
    setAutoFillBackground(true);
    clock_.start();

    banner_ = boardLabel(this, "lblPitLink");
    lapNumber_ = boardLabel(this, "lblPitLapNumber", Qt::AlignLeft | Qt::AlignVCenter);
    lapTime_ = boardLabel(this, "lblPitLapTime");
    toBest_ = boardLabel(this, "lblPitToBest");
    toPersonalBest_ = boardLabel(this, "lblPitToPersonalBest");
    for (int i = 0; i < LapTable::MaxSectors; ++i)
        sectors_[i] = boardLabel(this, "lblPitSector");
    sessionBest_ = boardLabel(this, "lblPitSessionBest");
    topSpeed_ = boardLabel(this, "lblPitTopSpeed");
    fuel_ = boardLabel(this, "lblPitFuel");
    fuelLaps_ = boardLabel(this, "lblPitFuelLaps");
    since_ = boardLabel(this, "lblPitSince");
    keys_ = boardLabel(this, "lblPitKeys", Qt::AlignRight | Qt::AlignVCenter);
    keys_->setText(QStringLiteral("F11 全画面　T テーマ　M 消音"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(FlashFrame + 8, FlashFrame, FlashFrame + 8, FlashFrame);
    grid->setSpacing(4);
    grid->addWidget(banner_, 0, 0, 1, 4);
    grid->addWidget(lapNumber_, 1, 0, 1, 4);
    grid->addWidget(lapTime_, 2, 0, 1, 4);
    grid->addWidget(toBest_, 3, 0, 1, 2);
    grid->addWidget(toPersonalBest_, 3, 2, 1, 2);
    for (int i = 0; i < LapTable::MaxSectors; ++i)
        grid->addWidget(sectors_[i], 4, i);
    grid->addWidget(sessionBest_, 5, 0, 1, 2);
    grid->addWidget(topSpeed_, 5, 2, 1, 2);
    grid->addWidget(fuel_, 6, 0, 1, 2);
    grid->addWidget(fuelLaps_, 6, 2, 1, 2);
    grid->addWidget(since_, 7, 0, 1, 2);
    grid->addWidget(keys_, 7, 2, 1, 2);
    for (int row = 0; row < grid->rowCount(); ++row)
        grid->setRowStretch(row, row == 2 ? 5 : 1);

    connect(&feed, &feed::EventFeed::liveLap, this, &PitBoardWindow::onLiveLap);
    connect(&feed, &feed::EventFeed::fuelReading, this, &PitBoardWindow::onFuel);
    connect(&feed, &feed::EventFeed::connectionChanged, this,
            [this](feed::Connection state) { onConnection(state); });

    // Once a second while shown: the time since the last lap, overdue and a quiet link.
    tick_.setInterval(1000);
    connect(&tick_, &QTimer::timeout, this, &PitBoardWindow::tick);
    flash_.setInterval(250);
    connect(&flash_, &QTimer::timeout, this, [this] {
        if (--flashSteps_ <= 0) {
            flash_.stop();
            flashing_.reset();
        }
        applyTheme();
    });

    for (const Alert alert : {Alert::NewBest, Alert::LowFuel, Alert::Overdue}) {
        // A board without a sound device still flashes: a sound that cannot play is no error.
        const QString path = soundDir_.filePath(QString::fromLatin1(alertKey(alert)) + ".wav");
        QFile file(path);
        if (!soundDir_.isValid() || !file.open(QIODevice::WriteOnly) ||
            file.write(alertWav(alert)) < 0)
            continue;
        file.close();
        auto* effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
        sounds_.insert(alert, effect);
    }

    loadSettings();
    resize(960, 600);
    applyTheme();
    showFigures();
}

PitBoardWindow::~PitBoardWindow() = default;

QString PitBoardWindow::defaultSettingsPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("pitboard.ini"));
}

void PitBoardWindow::showBoard() {
    tick();
    tick_.start();
    show();
    raise();
    activateWindow();
}

void PitBoardWindow::setTheme(Theme theme) {
    theme_ = theme;
    applyTheme();
}

void PitBoardWindow::setPersonalBest(std::optional<int> hundredths) {
    model_.setPersonalBest(hundredths);
    showFigures();
}

void PitBoardWindow::onLiveLap(const feed::LiveLap& lap) {
    fire(model_.noteLiveLap(lap.row, nowMs()));
    showFigures();
}

void PitBoardWindow::onFuel(const feed::FuelReading& reading) {
    fire(model_.noteFuel(reading.remaining, reading.used, nowMs()));
    showFigures();
}

void PitBoardWindow::onConnection(feed::Connection state) {
    model_.noteConnection(state, nowMs());
    showFigures();
}

void PitBoardWindow::tick() {
    fire(model_.tick(nowMs()));
    showFigures();
}

void PitBoardWindow::fire(const QList<Alert>& alerts) {
    for (const Alert alert : alerts) {
        alertsFired_ << alert;
        flashing_ = alert;
        flashSteps_ = 8; // four flashes
        flash_.start();
        playSound(alert);
    }
    if (!alerts.isEmpty())
        applyTheme();
}

void PitBoardWindow::playSound(Alert alert) {
    if (muted_)
        return;
    if (QSoundEffect* effect = sounds_.value(alert))
        effect->play();
}

void PitBoardWindow::showFigures() {
    const Figures& f = model_.figures();
    const Colours c = coloursOf(theme_);
    // A link that is gone or quiet first; else an alert's name while it flashes.
    const bool linkDown = f.link == LinkState::PortGone || f.link == LinkState::Quiet;
    const QString banner = flashing_ && !linkDown ? alertText(*flashing_) : linkText(f.link);
    banner_->setText(banner);
    banner_->setVisible(!banner.isEmpty());

    lapNumber_->setText(f.lap > 0 ? QStringLiteral("ラップ %1").arg(f.lap)
                                  : QStringLiteral("ラップ —"));
    lapTime_->setText(f.lapHundredths ? lapTimeText(*f.lapHundredths)
                                      : QStringLiteral("--'--\"--"));
    setLabelColour(lapTime_, f.newBest && f.lap > 0 ? c.best : c.text);

    auto showGap = [&c](QLabel* label, const QString& caption, std::optional<int> gap) {
        label->setText(caption + QStringLiteral(" ") + (gap ? gapText(*gap) : QStringLiteral("—")));
        setLabelColour(label, !gap ? c.text : *gap < 0 ? c.faster : *gap > 0 ? c.slower : c.text);
    };
    showGap(toBest_, QStringLiteral("ベスト差"), f.toSessionBest);
    showGap(toPersonalBest_, QStringLiteral("自己ベスト差"), f.toPersonalBest);

    for (int i = 0; i < LapTable::MaxSectors; ++i) {
        QLabel* label = sectors_[i];
        const SectorFigure& s = f.sectors[i];
        label->setVisible(i < std::max(f.sectorCount, 1));
        label->setText(QStringLiteral("S%1 ").arg(i + 1) +
                       (s.hundredths ? lapTimeText(*s.hundredths) : QStringLiteral("—")));
        setLabelColour(label, s.best && s.hundredths      ? c.best
                              : s.toBest && *s.toBest > 0 ? c.slower
                                                          : c.text);
    }
    sessionBest_->setText(QStringLiteral("ベスト ") +
                          (f.sessionBest ? QStringLiteral("%1 (L%2)")
                                               .arg(lapTimeText(f.sessionBest->hundredths))
                                               .arg(f.sessionBest->lap)
                                         : QStringLiteral("—")));
    topSpeed_->setText(QStringLiteral("最高速 ") + (f.topSpeed
                                                        ? QStringLiteral("%1 km/h").arg(*f.topSpeed)
                                                        : QStringLiteral("—")));
    fuel_->setText(QStringLiteral("残燃料 ") +
                   (f.fuelRemaining ? QString::asprintf("%.1f L", double(*f.fuelRemaining))
                                    : QStringLiteral("—")));
    fuelLaps_->setText(
        QStringLiteral("残り ") +
        (f.fuelLapsLeft ? QString::asprintf("%.1f 周", *f.fuelLapsLeft) : QStringLiteral("— 周")));
    setLabelColour(fuelLaps_, f.lowFuel ? c.slower : c.text);
    since_->setText(QStringLiteral("前ラップから ") +
                    (f.msSinceLap ? sinceText(*f.msSinceLap) : QStringLiteral("—")));
    setLabelColour(since_, f.overdue ? c.slower : c.text);
}

void PitBoardWindow::applyTheme() {
    const Colours c = coloursOf(theme_);
    QPalette p = palette();
    p.setColor(QPalette::Window, c.background);
    p.setColor(QPalette::WindowText, c.text);
    setPalette(p);
    const LinkState link = model_.figures().link;
    const bool alertShown = flashing_ && link != LinkState::PortGone && link != LinkState::Quiet;
    const QColor bannerBack = alertShown ? flashColour(*flashing_) : c.banner;
    const QColor bannerText = alertShown ? QColor(Qt::white) : c.bannerText;
    banner_->setStyleSheet(
        QStringLiteral("color: %1; background: %2").arg(bannerText.name(), bannerBack.name()));
    update();
    for (QLabel* label : {lapNumber_, sessionBest_, topSpeed_, fuel_, keys_})
        setLabelColour(label, c.text);
    showFigures();
}

void PitBoardWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // An alert flashes a wide frame round the board, in the alert's colour, leaving the
    // figures where the crew reads them.
    if (!flashing_ || flashSteps_ % 2 != 0)
        return;
    QPainter painter(this);
    painter.setPen(
        QPen(flashColour(*flashing_), FlashFrame, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(
        rect().adjusted(FlashFrame / 2, FlashFrame / 2, -FlashFrame / 2, -FlashFrame / 2));
}

void PitBoardWindow::fitFonts() {
    // The lap time's digits are at least a fifth of the window's height: a pixel size of 0.3 of
    // it gives digits of about 0.22, narrowed only when the width cannot hold them.
    const int h = height();
    QFont big = font();
    big.setBold(true);
    big.setPixelSize(std::max(12, int(h * 0.30)));
    const QString sample = QStringLiteral("00'00\"00");
    const int room = width() - 2 * (FlashFrame + 16);
    while (big.pixelSize() > 12 && QFontMetrics(big).horizontalAdvance(sample) > room)
        big.setPixelSize(big.pixelSize() - 2);
    lapTime_->setFont(big);

    QFont mid = font();
    mid.setBold(true);
    mid.setPixelSize(std::max(10, int(h * 0.055)));
    for (QLabel* label :
         {banner_, toBest_, toPersonalBest_, sessionBest_, topSpeed_, fuel_, fuelLaps_})
        label->setFont(mid);
    QFont small = font();
    small.setPixelSize(std::max(9, int(h * 0.04)));
    for (QLabel* label : sectors_)
        label->setFont(small);
    for (QLabel* label : {lapNumber_, since_})
        label->setFont(small);
    QFont hint = font();
    hint.setPixelSize(std::max(9, int(h * 0.025)));
    keys_->setFont(hint);
}

void PitBoardWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFonts();
}

void PitBoardWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_F11:
        setWindowState(windowState() ^ Qt::WindowFullScreen);
        break;
    case Qt::Key_T:
        setTheme(theme_ == Theme::Sunlight ? Theme::Night : Theme::Sunlight);
        break;
    case Qt::Key_M:
        setMuted(!muted_);
        break;
    case Qt::Key_Escape:
        if (isFullScreen())
            setWindowState(windowState() & ~Qt::WindowFullScreen);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    saveSettings();
}

void PitBoardWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    Rules rules = model_.rules();
    QAction* best = menu.addAction(QStringLiteral("新ベストの知らせ"));
    best->setCheckable(true);
    best->setChecked(rules.newBestAlert);
    QAction* fuel = menu.addAction(QStringLiteral("燃料残りの知らせ"));
    fuel->setCheckable(true);
    fuel->setChecked(rules.lowFuelAlert);
    QAction* overdue = menu.addAction(QStringLiteral("遅れの知らせ"));
    overdue->setCheckable(true);
    overdue->setChecked(rules.overdueAlert);
    QAction* laps = menu.addAction(QStringLiteral("燃料残りの周回数(&L)..."));
    menu.addSeparator();
    QAction* mute = menu.addAction(QStringLiteral("消音(&M)"));
    mute->setCheckable(true);
    mute->setChecked(muted_);
    QAction* chosen = menu.exec(event->globalPos());
    if (!chosen)
        return;
    if (chosen == best)
        rules.newBestAlert = best->isChecked();
    else if (chosen == fuel)
        rules.lowFuelAlert = fuel->isChecked();
    else if (chosen == overdue)
        rules.overdueAlert = overdue->isChecked();
    else if (chosen == mute)
        muted_ = mute->isChecked();
    else if (chosen == laps) {
        bool ok = false;
        const double value = QInputDialog::getDouble(
            this, windowTitle(), QStringLiteral("この周回数を下回ったら知らせます:"),
            rules.lowFuelLaps, 0.5, 99, 1, &ok);
        if (ok)
            rules.lowFuelLaps = value;
    }
    model_.setRules(rules);
    saveSettings();
}

void PitBoardWindow::closeEvent(QCloseEvent* event) {
    saveSettings();
    tick_.stop();
    QWidget::closeEvent(event);
}

void PitBoardWindow::loadSettings() {
    if (settingsPath_.isEmpty())
        return;
    QSettings s(settingsPath_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("PitBoard"));
    theme_ = s.value(QStringLiteral("Theme")).toString() == QLatin1String("Night")
                 ? Theme::Night
                 : Theme::Sunlight;
    muted_ = s.value(QStringLiteral("Mute"), false).toBool();
    Rules rules;
    rules.newBestAlert = s.value(QString::fromLatin1(alertKey(Alert::NewBest)), true).toBool();
    rules.lowFuelAlert = s.value(QString::fromLatin1(alertKey(Alert::LowFuel)), true).toBool();
    rules.overdueAlert = s.value(QString::fromLatin1(alertKey(Alert::Overdue)), true).toBool();
    rules.lowFuelLaps =
        std::clamp(s.value(QStringLiteral("LowFuelLaps"), 3.0).toDouble(), 0.5, 99.0);
    model_.setRules(rules);
    // The screen it was on, when that screen is still there; its place on that screen.
    const QString screenName = s.value(QStringLiteral("Screen")).toString();
    const QRect geometry = s.value(QStringLiteral("Geometry")).toRect();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == screenName && geometry.isValid() &&
            screen->availableGeometry().intersects(geometry)) {
            setGeometry(geometry);
            break;
        }
    }
    if (s.value(QStringLiteral("FullScreen"), false).toBool())
        setWindowState(windowState() | Qt::WindowFullScreen);
}

void PitBoardWindow::saveSettings() const {
    if (settingsPath_.isEmpty())
        return;
    QSettings s(settingsPath_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("PitBoard"));
    s.setValue(QStringLiteral("Theme"),
               theme_ == Theme::Night ? QStringLiteral("Night") : QStringLiteral("Sunlight"));
    s.setValue(QStringLiteral("Mute"), muted_);
    s.setValue(QStringLiteral("FullScreen"), isFullScreen());
    if (const QScreen* current = screen())
        s.setValue(QStringLiteral("Screen"), current->name());
    s.setValue(QStringLiteral("Geometry"), isFullScreen() ? normalGeometry() : geometry());
    const Rules& rules = model_.rules();
    s.setValue(QString::fromLatin1(alertKey(Alert::NewBest)), rules.newBestAlert);
    s.setValue(QString::fromLatin1(alertKey(Alert::LowFuel)), rules.lowFuelAlert);
    s.setValue(QString::fromLatin1(alertKey(Alert::Overdue)), rules.overdueAlert);
    s.setValue(QStringLiteral("LowFuelLaps"), rules.lowFuelLaps);
}

} // namespace pitboard
