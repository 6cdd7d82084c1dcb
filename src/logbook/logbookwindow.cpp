#include "logbook/logbookwindow.h"

#include "files/filewrite.h"
#include "logbook/besthistory.h"
#include "logbook/lapfileimport.h"
#include "logbook/logbookstore.h"
#include "logbook/sessioncompareview.h"
#include "logbook/sessioncsv.h"
#include "logbook/sessionlist.h"
#include "windows/prompts.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace logbook {

namespace {

// Shows the hundredths of the given columns as lap times; the model keeps the numbers.
class LapTimeColumns : public QIdentityProxyModel {
public:
    LapTimeColumns(QList<int> columns, QObject* parent)
        : QIdentityProxyModel(parent), columns_(std::move(columns)) {}
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && columns_.contains(index.column()))
            return formatHundredths(QIdentityProxyModel::data(index, role));
        if (role == Qt::TextAlignmentRole && columns_.contains(index.column()))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QIdentityProxyModel::data(index, role);
    }

private:
    QList<int> columns_;
};

// Runs the query into the model and names its columns (a query model forgets the names of
// the columns it had).
void runInto(QSqlQueryModel* model, const QSqlDatabase& db, const BoundQuery& bound,
             const QStringList& headings) {
    QSqlQuery query(db);
    query.prepare(bound.sql);
    for (const QVariant& v : bound.values)
        query.addBindValue(v);
    query.exec();
    // The model fetches further rows as the list is scrolled down.
    model->setQuery(std::move(query));
    for (int i = 0; i < headings.size(); ++i)
        model->setHeaderData(i, Qt::Horizontal, headings[i]);
}

QTableView* makeList(QAbstractItemModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(20);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace

LogbookWindow::LogbookWindow(LogbookStore& store, Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store), prompts_(prompts) {
    setObjectName(QStringLiteral("frmLogbook"));
    setWindowTitle(QStringLiteral("ログブック"));
    resize(900, 560);
    sessions_ = new QSqlQueryModel(this);
    laps_ = new QSqlQueryModel(this);
    tracks_ = new QSqlQueryModel(this);
    bests_ = new QSqlQueryModel(this);
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabLogbook"));
    tabs->addTab(makeSessionPage(), QStringLiteral("セッション"));
    tabs->addTab(makeLapPage(), QStringLiteral("ラップ"));
    tabs->addTab(makeTrackPage(), QStringLiteral("トラック"));
    tabs->addTab(makeBestPage(), QStringLiteral("ベストラップ"));
    compareView = new SessionCompareView;
    compareView->setObjectName(QStringLiteral("compareView"));
    tabs->addTab(compareView, QStringLiteral("比較"));
    // The comparison is read when its page is opened or a choice changes, never in between.
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (tabs->currentWidget() == compareView)
            showComparison();
    });
    connect(compareView, &SessionCompareView::choiceChanged, this,
            [this] { compareView->compare(store_.database()); });
    connect(compareView, &SessionCompareView::trackBestAsked, this, [this] {
        const qint64 first = compareView->cmbFirst->currentData().toLongLong();
        const BoundQuery bound = trackBestSessionQuery(first);
        QSqlQuery q(store_.database());
        q.prepare(bound.sql);
        for (const QVariant& value : bound.values)
            q.addBindValue(value);
        if (q.exec() && q.next()) {
            compareView->choose(first, q.value(0).toLongLong());
            compareView->compare(store_.database());
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    // Live laps come every minute or so, a read all at once: the lists are read again once
    // the recording has settled, and only while the window is shown.
    refreshSoon_.setSingleShot(true);
    refreshSoon_.setInterval(250);
    connect(&refreshSoon_, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(&store_, &LogbookStore::changed, &refreshSoon_, qOverload<>(&QTimer::start));
    refresh();
}

QWidget* LogbookWindow::makeSessionPage() {
    auto* page = new QWidget;
    edtFilterTrack = new QLineEdit(page);
    edtFilterTrack->setObjectName(QStringLiteral("edtFilterTrack"));
    edtFilterVehicle = new QLineEdit(page);
    edtFilterVehicle->setObjectName(QStringLiteral("edtFilterVehicle"));
    chkFilterDate = new QCheckBox(QStringLiteral("期間"), page);
    chkFilterDate->setObjectName(QStringLiteral("chkFilterDate"));
    dteFrom = new QDateEdit(QDate::currentDate().addMonths(-1), page);
    dteTo = new QDateEdit(QDate::currentDate(), page);
    for (QDateEdit* d : {dteFrom, dteTo}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    }
    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("トラック"), page));
    filter->addWidget(edtFilterTrack);
    filter->addWidget(new QLabel(QStringLiteral("車両"), page));
    filter->addWidget(edtFilterVehicle);
    filter->addWidget(chkFilterDate);
    filter->addWidget(dteFrom);
    filter->addWidget(new QLabel(QStringLiteral("～"), page));
    filter->addWidget(dteTo);
    for (QLineEdit* e : {edtFilterTrack, edtFilterVehicle})
        connect(e, &QLineEdit::textChanged, this, &LogbookWindow::applyFilter);
    connect(chkFilterDate, &QCheckBox::toggled, this, &LogbookWindow::applyFilter);
    for (QDateEdit* d : {dteFrom, dteTo})
        connect(d, &QDateEdit::dateChanged, this, &LogbookWindow::applyFilter);

    grdSessions = makeList(new LapTimeColumns({SessionBest, SessionTheoretical}, this), page);
    grdSessions->setObjectName(QStringLiteral("grdSessions"));
    static_cast<QIdentityProxyModel*>(grdSessions->model())->setSourceModel(sessions_);
    connect(grdSessions->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LogbookWindow::showSession);

    cmbTrack = new QComboBox(page);
    cmbTrack->setObjectName(QStringLiteral("cmbTrack"));
    cmbTrack->setEditable(true);
    edtVehicle = new QLineEdit(page);
    edtVehicle->setObjectName(QStringLiteral("edtVehicle"));
    memNotes = new QPlainTextEdit(page);
    memNotes->setObjectName(QStringLiteral("memNotes"));
    memNotes->setPlaceholderText(QStringLiteral("天候、タイヤ、セッティングなど"));
    memNotes->setFixedHeight(60);
    btnSaveSession = new QPushButton(QStringLiteral("保存"), page);
    btnSaveSession->setObjectName(QStringLiteral("btnSaveSession"));
    btnSaveSession->setEnabled(false);
    connect(btnSaveSession, &QPushButton::clicked, this, &LogbookWindow::saveSession);
    btnExportCsv = new QPushButton(QStringLiteral("CSVへ書き出し..."), page);
    btnExportCsv->setObjectName(QStringLiteral("btnExportCsv"));
    btnExportCsv->setEnabled(false);
    connect(btnExportCsv, &QPushButton::clicked, this, &LogbookWindow::exportSession);
    btnOpenInGrid = new QPushButton(QStringLiteral("グリッドに表示"), page);
    btnOpenInGrid->setObjectName(QStringLiteral("btnOpenInGrid"));
    btnOpenInGrid->setEnabled(false);
    connect(btnOpenInGrid, &QPushButton::clicked, this,
            [this] { emit openInGrid(currentSession()); });
    // A double-click on a session opens it as a double-click opens a file.
    connect(grdSessions, &QAbstractItemView::doubleClicked, this, [this] {
        if (currentSession() >= 0)
            emit openInGrid(currentSession());
    });
    btnImportFolder = new QPushButton(QStringLiteral("フォルダから取り込み..."), page);
    btnImportFolder->setObjectName(QStringLiteral("btnImportFolder"));
    connect(btnImportFolder, &QPushButton::clicked, this, &LogbookWindow::importFolder);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSaveSession);
    buttons->addWidget(btnExportCsv);
    buttons->addWidget(btnOpenInGrid);
    buttons->addStretch();
    buttons->addWidget(btnImportFolder);
    // The course length the session will have: a listed track's, else the session's own.
    lblCourseLength = new QLabel(page);
    lblCourseLength->setObjectName(QStringLiteral("lblCourseLength"));
    connect(cmbTrack, &QComboBox::currentTextChanged, this, &LogbookWindow::showCourseLength);
    auto* edit = new QFormLayout;
    edit->addRow(QStringLiteral("トラック"), cmbTrack);
    edit->addRow(QStringLiteral("コース長(km)"), lblCourseLength);
    edit->addRow(QStringLiteral("車両"), edtVehicle);
    edit->addRow(QStringLiteral("メモ"), memNotes);
    edit->addRow(QString(), buttons);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(filter);
    layout->addWidget(grdSessions, 1);
    layout->addLayout(edit);
    return page;
}

QWidget* LogbookWindow::makeLapPage() {
    auto* page = new QWidget;
    grdLaps = makeList(new LapTimeColumns({1, 2, 3, 4, 5}, this), page);
    grdLaps->setObjectName(QStringLiteral("grdLaps"));
    grdLaps->horizontalHeader()->setDefaultSectionSize(85); // nine columns side by side
    static_cast<QIdentityProxyModel*>(grdLaps->model())->setSourceModel(laps_);
    // A lap marked out-lap, in-lap or invalid leaves the session's best and theoretical best.
    grdLaps->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (int mark = 0; mark < int(actLapMark.size()); ++mark) {
        QAction* action = new QAction(feed::lapMarkMenuText(LapMark(mark)), grdLaps);
        action->setObjectName(QStringLiteral("actLapMark%1").arg(mark));
        connect(action, &QAction::triggered, this, [this, mark] { markLap(mark); });
        grdLaps->addAction(action);
        actLapMark[size_t(mark)] = action;
    }
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grdLaps);
    return page;
}

// The comparison page opens on the session chosen in the list against the one listed below it.
void LogbookWindow::showComparison() {
    if (!store_.open())
        return;
    compareView->loadSessions(store_.database());
    const int row = grdSessions->currentIndex().isValid() ? grdSessions->currentIndex().row() : 0;
    compareView->choose(sessions_->index(row, SessionId).data().toLongLong(),
                        sessions_->index(row + 1, SessionId).data().toLongLong());
    compareView->compare(store_.database());
}

void LogbookWindow::markLap(int mark) {
    const QModelIndex index = grdLaps->currentIndex();
    const qint64 session = currentSession();
    if (!index.isValid() || session < 0)
        return;
    const int row = index.row();
    if (store_.setLapMark(session, laps_->index(row, 0).data().toInt(), LapMark(mark))) {
        refresh();
        grdLaps->setCurrentIndex(grdLaps->model()->index(row, index.column()));
    }
}

QWidget* LogbookWindow::makeTrackPage() {
    auto* page = new QWidget;
    grdTracks = makeList(tracks_, page);
    grdTracks->setObjectName(QStringLiteral("grdTracks"));
    edtTrackName = new QLineEdit(page);
    edtTrackName->setObjectName(QStringLiteral("edtTrackName"));
    edtTrackLength = new QLineEdit(page);
    edtTrackLength->setObjectName(QStringLiteral("edtTrackLength"));
    btnAddTrack = new QPushButton(QStringLiteral("登録"), page);
    btnAddTrack->setObjectName(QStringLiteral("btnAddTrack"));
    btnRemoveTrack = new QPushButton(QStringLiteral("削除"), page);
    btnRemoveTrack->setObjectName(QStringLiteral("btnRemoveTrack"));
    connect(btnAddTrack, &QPushButton::clicked, this, [this] {
        if (store_.setTrack(edtTrackName->text(), edtTrackLength->text()))
            refresh();
    });
    connect(btnRemoveTrack, &QPushButton::clicked, this, [this] {
        const QModelIndex index = grdTracks->currentIndex();
        if (index.isValid() && store_.removeTrack(tracks_->index(index.row(), 0).data().toString()))
            refresh();
    });
    // Choosing a track in the list puts it in the entries, to change its course length.
    connect(grdTracks, &QTableView::clicked, this, [this](const QModelIndex& index) {
        edtTrackName->setText(tracks_->index(index.row(), 0).data().toString());
        edtTrackLength->setText(tracks_->index(index.row(), 1).data().toString());
    });
    auto* entry = new QHBoxLayout;
    entry->addWidget(new QLabel(QStringLiteral("トラック"), page));
    entry->addWidget(edtTrackName, 2);
    entry->addWidget(new QLabel(QStringLiteral("コース長(km)"), page));
    entry->addWidget(edtTrackLength, 1);
    entry->addWidget(btnAddTrack);
    entry->addWidget(btnRemoveTrack);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grdTracks, 1);
    layout->addLayout(entry);
    return page;
}

QWidget* LogbookWindow::makeBestPage() {
    auto* page = new QWidget;
    grdBests = makeList(new LapTimeColumns({1}, this), page);
    grdBests->setObjectName(QStringLiteral("grdBests"));
    static_cast<QIdentityProxyModel*>(grdBests->model())->setSourceModel(bests_);
    connect(grdBests->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LogbookWindow::showBestHistory);

    seriesSessionBests = new QLineSeries;
    seriesSessionBests->setName(QStringLiteral("セッションのベスト"));
    seriesSessionBests->setPointsVisible(true);
    seriesPersonalBest = new QLineSeries;
    seriesPersonalBest->setName(QStringLiteral("パーソナルベスト"));
    auto* chart = new QChart;
    chart->addSeries(seriesSessionBests);
    chart->addSeries(seriesPersonalBest);
    auto* axisDate = new QDateTimeAxis;
    axisDate->setFormat(QStringLiteral("MM/dd"));
    axisDate->setTitleText(QStringLiteral("日付"));
    auto* axisTime = new QValueAxis;
    axisTime->setTitleText(QStringLiteral("タイム（秒）"));
    chart->addAxis(axisDate, Qt::AlignBottom);
    chart->addAxis(axisTime, Qt::AlignLeft);
    for (QLineSeries* s : {seriesSessionBests, seriesPersonalBest}) {
        s->attachAxis(axisDate);
        s->attachAxis(axisTime);
    }
    chart->legend()->setAlignment(Qt::AlignTop);
    chartBestHistory = new QChartView(chart, page);
    chartBestHistory->setObjectName(QStringLiteral("chartBestHistory"));
    chartBestHistory->setRenderHint(QPainter::Antialiasing);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grdBests, 1);
    layout->addWidget(chartBestHistory, 2);
    return page;
}

// The chosen track's sessions by date: each session's best as a point, the personal best as
// the step line it made over the season.
void LogbookWindow::showBestHistory() {
    const QModelIndex index = grdBests->currentIndex();
    const QString track =
        index.isValid() ? bests_->index(index.row(), 0).data().toString() : QString();
    const QList<BestHistoryPoint> history = readBestHistory(store_.database(), track);
    QList<QPointF> bests;
    QList<QPointF> personal;
    double low = 0;
    double high = 0;
    for (const BestHistoryPoint& p : history) {
        const double x = double(p.at.toMSecsSinceEpoch());
        // A new personal best drops the line at its session's date.
        if (!personal.isEmpty() && p.personal < (&p - 1)->personal)
            personal << QPointF(x, personal.constLast().y());
        personal << QPointF(x, p.personal / 100.0);
        bests << QPointF(x, p.best / 100.0);
        low = bests.size() == 1 ? p.personal / 100.0 : std::min(low, p.personal / 100.0);
        high = std::max(high, p.best / 100.0);
    }
    seriesSessionBests->replace(bests);
    seriesPersonalBest->replace(personal);
    QChart* chart = chartBestHistory->chart();
    chart->setTitle(track.isEmpty() ? QString()
                                    : QStringLiteral("%1 のベストラップの推移").arg(track));
    const QList<QAbstractAxis*> axes = chart->axes();
    for (QAbstractAxis* axis : axes) {
        if (auto* date = qobject_cast<QDateTimeAxis*>(axis)) {
            // A day either side, so that one session or one day's sessions still show.
            const QDateTime first =
                history.isEmpty() ? QDateTime::currentDateTime() : history.constFirst().at;
            const QDateTime last = history.isEmpty() ? first : history.constLast().at;
            date->setRange(first.addDays(-1), last.addDays(1));
        } else if (auto* value = qobject_cast<QValueAxis*>(axis)) {
            value->setRange(std::floor(low) - 1, std::ceil(high) + 1);
        }
    }
}

void LogbookWindow::refresh() {
    if (!store_.open())
        return;
    refreshing_ = true;
    const qint64 chosen = currentSession();
    applyFilter();
    runInto(tracks_, store_.database(), trackListQuery(),
            {QStringLiteral("トラック"), QStringLiteral("コース長(km)")});
    const QString chosenTrack =
        grdBests->currentIndex().isValid()
            ? bests_->index(grdBests->currentIndex().row(), 0).data().toString()
            : QString();
    runInto(bests_, store_.database(), personalBestQuery(),
            {QStringLiteral("トラック"), QStringLiteral("ベストラップ"), QStringLiteral("日付"),
             QStringLiteral("車両"), QStringLiteral("セッション数")});
    // Short lists, one row a track: measured whole.
    grdTracks->resizeColumnsToContents();
    grdBests->resizeColumnsToContents();
    // The history shown is of the track chosen before, or of the first track.
    int bestRow = 0;
    for (int row = 0; row < bests_->rowCount(); ++row)
        if (bests_->index(row, 0).data().toString() == chosenTrack)
            bestRow = row;
    if (bests_->rowCount() > 0)
        grdBests->setCurrentIndex(grdBests->model()->index(bestRow, 0));
    showBestHistory();
    loadTrackChoices();
    for (int row = 0; row < sessions_->rowCount(); ++row)
        if (sessions_->index(row, SessionId).data().toLongLong() == chosen)
            grdSessions->setCurrentIndex(grdSessions->model()->index(row, SessionDate));
    refreshing_ = false;
    showSession();
}

void LogbookWindow::applyFilter() {
    if (!store_.open())
        return;
    SessionFilter filter{edtFilterTrack->text(), edtFilterVehicle->text(), {}, {}};
    if (chkFilterDate->isChecked()) {
        filter.from = dteFrom->date();
        filter.to = dteTo->date();
    }
    runInto(sessions_, store_.database(), sessionListQuery(filter),
            {QStringLiteral("ID"), QStringLiteral("日時"), QStringLiteral("種類"),
             QStringLiteral("トラック"), QStringLiteral("車両"), QStringLiteral("ラップ数"),
             QStringLiteral("ベストラップ"), QStringLiteral("理論ベスト"), QStringLiteral("メモ")});
    grdSessions->hideColumn(SessionId); // a new query shows every column again
    // Fixed widths: measuring every cell of a long list would cost more than the query.
    static const int widths[SessionNotes] = {0, 115, 110, 140, 100, 55, 75, 75};
    for (int col = SessionDate; col < SessionNotes; ++col)
        grdSessions->setColumnWidth(col, widths[col]);
}

qint64 LogbookWindow::currentSession() const {
    const QModelIndex index = grdSessions->currentIndex();
    return index.isValid() ? sessions_->index(index.row(), SessionId).data().toLongLong() : -1;
}

void LogbookWindow::showSession() {
    if (refreshing_)
        return;
    const QModelIndex index = grdSessions->currentIndex();
    btnSaveSession->setEnabled(index.isValid());
    btnExportCsv->setEnabled(index.isValid());
    btnOpenInGrid->setEnabled(index.isValid());
    runInto(laps_, store_.database(), lapListQuery(currentSession()),
            {QStringLiteral("ラップ"), QStringLiteral("タイム"), QStringLiteral("セクタ1"),
             QStringLiteral("セクタ2"), QStringLiteral("セクタ3"), QStringLiteral("セクタ4"),
             QStringLiteral("最高速"), QStringLiteral("マーク"), QStringLiteral("備考")});
    sessionCourseLength_.clear();
    if (index.isValid()) {
        QSqlQuery q(store_.database());
        q.prepare(QStringLiteral("SELECT course_length FROM sessions WHERE id = ?"));
        q.addBindValue(currentSession());
        if (q.exec() && q.next())
            sessionCourseLength_ = q.value(0).toString();
    }
    showCourseLength();
    if (!index.isValid())
        return;
    cmbTrack->setCurrentText(sessions_->index(index.row(), SessionTrack).data().toString());
    edtVehicle->setText(sessions_->index(index.row(), SessionVehicle).data().toString());
    memNotes->setPlainText(sessions_->index(index.row(), SessionNotes).data().toString());
}

void LogbookWindow::showCourseLength() {
    QString length = sessionCourseLength_;
    const QString track = cmbTrack->currentText().trimmed();
    for (int row = 0; row < tracks_->rowCount(); ++row) {
        const QString listed = tracks_->index(row, 1).data().toString();
        if (tracks_->index(row, 0).data().toString() == track && !listed.isEmpty())
            length = listed;
    }
    lblCourseLength->setText(length);
}

void LogbookWindow::saveSession() {
    const qint64 session = currentSession();
    if (session >= 0 && store_.updateSession(session, cmbTrack->currentText(), edtVehicle->text(),
                                             memNotes->toPlainText()))
        refresh();
}

void LogbookWindow::exportSession() {
    const std::optional<SessionRecord> laps = readSession(store_.database(), currentSession());
    if (!laps)
        return;
    const QString name = QStringLiteral("KODA_%1.csv")
                             .arg(QString(laps->started.left(16))
                                      .replace(QLatin1Char(' '), QLatin1Char('_'))
                                      .remove(QLatin1Char(':'))
                                      .remove(QLatin1Char('-')));
    const QString path = prompts_.saveFileName(QString(), name, QStringLiteral("Csv files (*.csv)"),
                                               QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QString reason;
    if (!replaceFileWith(path, sessionCsv(*laps), reason))
        prompts_.message(fileSaveFailedMessage(path, reason), windowTitle(), Prompts::Icon::Error);
}

// Every lap file of a folder in one go, a progress dialog while it runs; the files refused
// are listed with their reasons once it is over.
void LogbookWindow::importFolder() {
    const QString folder = prompts_.folderName(QStringLiteral("取り込むフォルダ"), QString());
    if (folder.isEmpty())
        return;
    const QStringList files = lapFilesIn(folder);
    if (files.isEmpty()) {
        prompts_.message(QStringLiteral("ラップファイルがありません。\r\n%1")
                             .arg(QDir::toNativeSeparators(folder)),
                         windowTitle(), Prompts::Icon::Warning);
        return;
    }
    QProgressDialog progress(QStringLiteral("ラップファイルを取り込んでいます..."),
                             QStringLiteral("中止"), 0, int(files.size()), this);
    progress.setObjectName(QStringLiteral("dlgImportProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    const LapFileImport done = importLapFiles(store_, files, [&progress](int at, int) {
        progress.setValue(at); // a modal progress dialog lets its Cancel button be pressed here
        return !progress.wasCanceled();
    });
    progress.reset();
    refresh();
    QStringList lines{QStringLiteral("%1 件のラップファイルを取り込みました。").arg(done.added)};
    if (done.known > 0)
        lines << QStringLiteral("%1 件は取り込み済みです。").arg(done.known);
    if (done.cancelled)
        lines << QStringLiteral("取り込みを中止しました。");
    if (!done.refused.isEmpty()) {
        lines << QString() << QStringLiteral("取り込めなかったファイル:");
        for (const LapFileImport::Refusal& r : done.refused)
            lines << QStringLiteral("%1: %2").arg(
                QFileInfo(r.path).fileName(),
                QString(r.reason).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    }
    prompts_.message(lines.join(QStringLiteral("\r\n")), windowTitle(),
                     done.refused.isEmpty() ? Prompts::Icon::Information : Prompts::Icon::Warning);
}

void LogbookWindow::loadTrackChoices() {
    const QString typed = cmbTrack->currentText();
    cmbTrack->clear();
    for (int row = 0; row < tracks_->rowCount(); ++row)
        cmbTrack->addItem(tracks_->index(row, 0).data().toString());
    cmbTrack->setCurrentText(typed);
}

} // namespace logbook
