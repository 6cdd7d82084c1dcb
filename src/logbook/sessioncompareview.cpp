#include "logbook/sessioncompareview.h"

#include "logbook/sessionlist.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace logbook {

namespace {

QString timeText(const std::optional<int>& hundredths) {
    return hundredths ? formatHundredths(*hundredths) : QString();
}

QTableWidgetItem* item(const QString& text, Qt::Alignment align = Qt::AlignRight) {
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(align | Qt::AlignVCenter);
    return cell;
}

QTableWidget* makeTable(const QStringList& headings, QWidget* parent) {
    auto* table = new QTableWidget(0, int(headings.size()), parent);
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(20);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setDefaultSectionSize(72);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

SessionCompareView::SessionCompareView(QWidget* parent) : QWidget(parent) {
    cmbFirst = new QComboBox(this);
    cmbFirst->setObjectName(QStringLiteral("cmbFirst"));
    cmbSecond = new QComboBox(this);
    cmbSecond->setObjectName(QStringLiteral("cmbSecond"));
    for (QComboBox* c : {cmbFirst, cmbSecond}) {
        c->setMinimumContentsLength(28);
        connect(c, &QComboBox::currentIndexChanged, this, &SessionCompareView::choiceChanged);
    }
    btnTrackBest = new QPushButton(QStringLiteral("トラックのベストと比較"), this);
    btnTrackBest->setObjectName(QStringLiteral("btnTrackBest"));
    connect(btnTrackBest, &QPushButton::clicked, this, &SessionCompareView::trackBestAsked);
    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("セッション1"), this));
    choices->addWidget(cmbFirst, 1);
    choices->addWidget(new QLabel(QStringLiteral("セッション2"), this));
    choices->addWidget(cmbSecond, 1);
    choices->addWidget(btnTrackBest);

    grdFigures = makeTable({QString(), QStringLiteral("セッション1"), QStringLiteral("セッション2"),
                            QStringLiteral("差")},
                           this);
    grdFigures->setObjectName(QStringLiteral("grdFigures"));
    grdFigures->setColumnWidth(0, 160);
    grdCompareLaps = makeTable({QStringLiteral("ラップ"), QStringLiteral("セッション1"),
                                QStringLiteral("セッション2"), QStringLiteral("差")},
                               this);
    grdCompareLaps->setObjectName(QStringLiteral("grdCompareLaps"));

    seriesFirst = new QLineSeries;
    seriesFirst->setName(QStringLiteral("セッション1"));
    seriesSecond = new QLineSeries;
    seriesSecond->setName(QStringLiteral("セッション2"));
    auto* chart = new QChart;
    chart->addSeries(seriesFirst);
    chart->addSeries(seriesSecond);
    auto* axisLap = new QValueAxis;
    axisLap->setTitleText(QStringLiteral("ラップ"));
    axisLap->setLabelFormat(QStringLiteral("%d"));
    auto* axisTime = new QValueAxis;
    axisTime->setTitleText(QStringLiteral("タイム（秒）"));
    chart->addAxis(axisLap, Qt::AlignBottom);
    chart->addAxis(axisTime, Qt::AlignLeft);
    for (QLineSeries* s : {seriesFirst, seriesSecond}) {
        s->setPointsVisible(true);
        s->attachAxis(axisLap);
        s->attachAxis(axisTime);
    }
    chart->legend()->setAlignment(Qt::AlignTop);
    chartCompare = new QChartView(chart, this);
    chartCompare->setObjectName(QStringLiteral("chartCompare"));
    chartCompare->setRenderHint(QPainter::Antialiasing);

    auto* tables = new QVBoxLayout;
    tables->addWidget(grdFigures);
    tables->addWidget(grdCompareLaps, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(tables, 1);
    body->addWidget(chartCompare, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(body, 1);
    // Five rows of figures under the heading, without a scroll bar.
    grdFigures->setFixedHeight(5 * 20 + grdFigures->horizontalHeader()->sizeHint().height() + 4);
}

void SessionCompareView::loadSessions(const QSqlDatabase& db) {
    const qint64 first = cmbFirst->currentData().toLongLong();
    const qint64 second = cmbSecond->currentData().toLongLong();
    const QSignalBlocker blockFirst(cmbFirst);
    const QSignalBlocker blockSecond(cmbSecond);
    for (QComboBox* c : {cmbFirst, cmbSecond})
        c->clear();
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT id, substr(started, 1, 16), track, lap_count FROM sessions "
                          "ORDER BY started DESC, id DESC"));
    while (q.next()) {
        const QString text = QStringLiteral("%1  %2  (%3 ラップ)")
                                 .arg(q.value(1).toString(), q.value(2).toString())
                                 .arg(q.value(3).toInt());
        for (QComboBox* c : {cmbFirst, cmbSecond})
            c->addItem(text, q.value(0));
    }
    choose(first, second);
}

void SessionCompareView::choose(qint64 first, qint64 second) {
    const QSignalBlocker blockFirst(cmbFirst);
    const QSignalBlocker blockSecond(cmbSecond);
    const int a = cmbFirst->findData(first);
    const int b = cmbSecond->findData(second);
    cmbFirst->setCurrentIndex(a >= 0 ? a : 0);
    cmbSecond->setCurrentIndex(b >= 0 ? b : std::min(1, cmbSecond->count() - 1));
}

void SessionCompareView::compare(const QSqlDatabase& db) {
    const std::optional<SessionRecord> first =
        readSession(db, cmbFirst->currentData().toLongLong());
    const std::optional<SessionRecord> second =
        readSession(db, cmbSecond->currentData().toLongLong());
    show(compareSessions(first.value_or(SessionRecord{}), second.value_or(SessionRecord{})));
}

void SessionCompareView::show(const SessionComparison& c) {
    // The difference of the second to the first: faster green, slower red.
    auto difference = [](const std::optional<int>& a, const std::optional<int>& b,
                         bool lowerIsBetter = true) {
        auto* cell = item(QString());
        if (!a || !b)
            return cell;
        const int d = *b - *a;
        cell->setText(lowerIsBetter ? QString::asprintf("%+.2f", d / 100.0)
                                    : QString::asprintf("%+d", d));
        if (d != 0)
            cell->setForeground((d < 0) == lowerIsBetter ? QColor(0, 128, 0) : QColor(192, 0, 0));
        return cell;
    };
    enum class Kind { Time, Speed, Count };
    struct Row {
        QString caption;
        std::optional<int> a, b;
        Kind kind;
    };
    const Row rows[] = {
        {QStringLiteral("ベストラップ"), c.first.best, c.second.best, Kind::Time},
        {QStringLiteral("理論ベスト"), c.first.theoretical, c.second.theoretical, Kind::Time},
        {QStringLiteral("平均（マークなし）"), c.first.mean, c.second.mean, Kind::Time},
        {QStringLiteral("最高速(km/h)"), c.first.topSpeed, c.second.topSpeed, Kind::Speed},
        {QStringLiteral("除外したラップ"), c.first.lapsLeftOut, c.second.lapsLeftOut, Kind::Count},
    };
    grdFigures->setRowCount(int(std::size(rows)));
    for (int r = 0; r < int(std::size(rows)); ++r) {
        const Row& row = rows[r];
        auto text = [&row](const std::optional<int>& v) {
            return row.kind == Kind::Time ? timeText(v) : (v ? QString::number(*v) : QString());
        };
        grdFigures->setItem(r, 0, item(row.caption, Qt::AlignLeft));
        grdFigures->setItem(r, 1, item(text(row.a)));
        grdFigures->setItem(r, 2, item(text(row.b)));
        grdFigures->setItem(r, 3,
                            row.kind == Kind::Count
                                ? item(QString())
                                : difference(row.a, row.b, row.kind == Kind::Time));
    }
    grdCompareLaps->setRowCount(int(c.laps.size()));
    QList<QPointF> pointsFirst, pointsSecond;
    double low = 0, high = 0;
    for (int r = 0; r < c.laps.size(); ++r) {
        const ComparedLap& lap = c.laps[r];
        grdCompareLaps->setItem(r, 0, item(QString::number(lap.index)));
        grdCompareLaps->setItem(r, 1, item(timeText(lap.first)));
        grdCompareLaps->setItem(r, 2, item(timeText(lap.second)));
        grdCompareLaps->setItem(r, 3, difference(lap.first, lap.second));
        for (const auto& [time, points] :
             {std::pair{lap.first, &pointsFirst}, std::pair{lap.second, &pointsSecond}}) {
            if (!time)
                continue;
            const double seconds = *time / 100.0;
            low = (pointsFirst.isEmpty() && pointsSecond.isEmpty()) ? seconds
                                                                    : std::min(low, seconds);
            high = std::max(high, seconds);
            points->append(QPointF(lap.index, seconds));
        }
    }
    seriesFirst->replace(pointsFirst);
    seriesSecond->replace(pointsSecond);
    const QList<QAbstractAxis*> axes = chartCompare->chart()->axes();
    for (QAbstractAxis* axis : axes) {
        auto* value = static_cast<QValueAxis*>(axis);
        if (axis->alignment() == Qt::AlignBottom) {
            // Whole laps only: a tick every lap, or every few laps for long sessions.
            const qsizetype laps = std::max<qsizetype>(2, c.laps.size());
            value->setRange(1, double(laps));
            value->setTickType(QValueAxis::TicksDynamic);
            value->setTickAnchor(1);
            value->setTickInterval(std::max(1.0, std::ceil(double(laps) / 10)));
        } else {
            value->setRange(std::floor(low) - 1, std::ceil(high) + 1);
        }
    }
}

} // namespace logbook
