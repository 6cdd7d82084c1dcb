// The logbook window on a store of several sessions: the list newest first with its figures,
// the filters, a session's track, vehicle and notes edited, each track's best lap.
#include "logbook/logbookstore.h"
#include "logbook/logbookwindow.h"
#include "logbook/sessioncompareview.h"
#include "logbook/sessionlist.h"
#include "support/filebytes.h"
#include "support/scriptedprompts.h"
#include "support/windowcheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace logbook;

namespace {

feed::LapSet session(const QDate& day, const QStringList& times) {
    feed::LapSet set;
    set.at = QDateTime(day, QTime(13, 30));
    set.model = QStringLiteral("RK-13");
    for (int i = 0; i < times.size(); ++i) {
        feed::LapRow row;
        row.lap = i + 1;
        row.cells = QStringList{QString::asprintf("%03d", i + 1),
                                times[i],
                                QString(),
                                QString(),
                                QString(),
                                QString(),
                                QStringLiteral("150"),
                                QString(),
                                QString()};
        set.laps << row;
    }
    return set;
}

QStringList column(const QTableView* view, int col) {
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, col).data().toString();
    return out;
}

} // namespace

class TestLogbookWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsSessionsNewestFirst();
    void filters_data();
    void filters();
    void editsAreSavedAndGiveTheTrackBest();
    void markedLapLeavesTheBest();
    void comparisonShowsBothSessions();
    void exportWritesTheChosenFile_data();
    void exportWritesTheChosenFile();
    void importTellsTheRefusedFiles();

private:
    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    std::unique_ptr<LogbookStore> store_;
    std::unique_ptr<LogbookWindow> window_;
};

void TestLogbookWindow::init() {
    static int n = 0;
    store_ = std::make_unique<LogbookStore>(dir_.filePath(QStringLiteral("%1.sqlite").arg(++n)));
    const struct {
        int day;
        QStringList times;
        const char* track;
        const char* vehicle;
        const char* notes;
    } rows[] = {
        {3, {" 01'23\"45", " 01'21\"00"}, "ツインリンクもてぎ", "NSF250R", "晴れ、ドライ"},
        {5,
         {" 01'20\"10", " 01'19\"95", " 01'22\"00"},
         "ツインリンクもてぎ",
         "NSF250R",
         "リアタイヤ新品"},
        {9, {" 00'58\"12"}, "筑波", "CBR250RR", "雨"},
    };
    for (const auto& r : rows) {
        const qint64 id =
            store_->recordLapSet(SessionKind::Read, session(QDate(2026, 5, r.day), r.times));
        QVERIFY(store_->updateSession(id, QString::fromUtf8(r.track), QString::fromUtf8(r.vehicle),
                                      QString::fromUtf8(r.notes)));
    }
    QVERIFY(store_->setTrack(QStringLiteral("ツインリンクもてぎ"), QStringLiteral("4.8")));
    QVERIFY(store_->setTrack(QStringLiteral("筑波"), QStringLiteral("2.0")));
    window_ = std::make_unique<LogbookWindow>(*store_, prompts_);
    window_->show();
}

void TestLogbookWindow::cleanup() {
    window_.reset();
    store_.reset();
}

void TestLogbookWindow::listsSessionsNewestFirst() {
    const QTableView* list = window_->grdSessions;
    QCOMPARE(column(list, SessionDate),
             (QStringList{QStringLiteral("2026-05-09 13:30"), QStringLiteral("2026-05-05 13:30"),
                          QStringLiteral("2026-05-03 13:30")}));
    QCOMPARE(column(list, SessionLaps), (QStringList{"1", "3", "2"}));
    QCOMPARE(column(list, SessionBest).at(1), QStringLiteral(" 01'19\"95"));
    QCOMPARE(column(list, SessionKindColumn).at(0), QStringLiteral("読み出し"));
    QVERIFY(list->isColumnHidden(SessionId));
    QVERIFY(windowcheck::saveScreenshot(window_.get(), QStringLiteral("logbook-list")));
    const QStringList missing = windowcheck::missingGlyphs(window_.get());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

void TestLogbookWindow::filters_data() {
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("vehicle");
    QTest::addColumn<QDate>("from"); // invalid: no date filter
    QTest::addColumn<QStringList>("days");
    QTest::newRow("track") << QStringLiteral("もてぎ") << QString() << QDate()
                           << QStringList{"05", "03"};
    QTest::newRow("vehicle") << QString() << QStringLiteral("CBR") << QDate() << QStringList{"09"};
    QTest::newRow("from a date") << QString() << QString() << QDate(2026, 5, 5)
                                 << QStringList{"09", "05"};
}

void TestLogbookWindow::filters() {
    QFETCH(QString, track);
    QFETCH(QString, vehicle);
    QFETCH(QDate, from);
    QFETCH(QStringList, days);
    window_->edtFilterTrack->setText(track);
    window_->edtFilterVehicle->setText(vehicle);
    if (from.isValid()) {
        window_->dteFrom->setDate(from);
        window_->dteTo->setDate(QDate(2026, 12, 31));
        window_->chkFilterDate->setChecked(true);
    }
    QStringList listed;
    for (const QString& date : column(window_->grdSessions, SessionDate))
        listed << date.mid(8, 2);
    QCOMPARE(listed, days);
}

void TestLogbookWindow::editsAreSavedAndGiveTheTrackBest() {
    QTableView* list = window_->grdSessions;
    list->setCurrentIndex(list->model()->index(0, SessionDate)); // the 筑波 session
    QCOMPARE(window_->edtVehicle->text(), QStringLiteral("CBR250RR"));
    QCOMPARE(window_->lblCourseLength->text(), QStringLiteral("2.0")); // listed after the read
    QCOMPARE(window_->cmbTrack->findText(QStringLiteral("ツインリンクもてぎ")), 0);
    window_->cmbTrack->setCurrentText(QStringLiteral("ツインリンクもてぎ"));
    QCOMPARE(window_->lblCourseLength->text(), QStringLiteral("4.8"));
    window_->edtVehicle->setText(QStringLiteral("NSF250R"));
    window_->memNotes->setPlainText(QStringLiteral("曇り、路面温度 24℃"));
    window_->btnSaveSession->click();
    QCOMPARE(window_->currentSession(), 3);
    QSqlQuery q(store_->database());
    QVERIFY(q.exec(
        QStringLiteral("SELECT track, vehicle, notes, course_length FROM sessions WHERE id = 3")));
    QVERIFY(q.next());
    QCOMPARE((QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          q.value(3).toString()}),
             (QStringList{QStringLiteral("ツインリンクもてぎ"), QStringLiteral("NSF250R"),
                          QStringLiteral("曇り、路面温度 24℃"), QStringLiteral("4.8")}));
    // The track's best is now the 58"12 of the session moved to it.
    const QTableView* bests = window_->grdBests;
    QCOMPARE(bests->model()->rowCount(), 1);
    QCOMPARE(bests->model()->index(0, 0).data().toString(), QStringLiteral("ツインリンクもてぎ"));
    QCOMPARE(bests->model()->index(0, 1).data().toString(), QStringLiteral(" 00'58\"12"));
    QCOMPARE(bests->model()->index(0, 4).data().toInt(), 3);
    // Its history: each session's best by date, the personal best stepping down at 05-05 and
    // at 05-09.
    const auto day = [](int d) {
        return double(QDateTime(QDate(2026, 5, d), QTime(13, 30)).toMSecsSinceEpoch());
    };
    QCOMPARE(window_->seriesSessionBests->points(),
             (QList<QPointF>{{day(3), 81.0}, {day(5), 79.95}, {day(9), 58.12}}));
    QCOMPARE(
        window_->seriesPersonalBest->points(),
        (QList<QPointF>{
            {day(3), 81.0}, {day(5), 81.0}, {day(5), 79.95}, {day(9), 79.95}, {day(9), 58.12}}));
    window_->tabs->setCurrentIndex(3);
    QTest::qWait(20);
    QVERIFY(windowcheck::saveScreenshot(window_.get(), QStringLiteral("logbook-bests")));
}

// Marking the best lap from the session's lap list: the list's best lap moves to the next one,
// and "マークなし" brings it back.
void TestLogbookWindow::markedLapLeavesTheBest() {
    QTableView* list = window_->grdSessions;
    list->setCurrentIndex(list->model()->index(1, SessionDate)); // 05-05, best lap 2
    QCOMPARE(window_->grdLaps->model()->rowCount(), 3);
    window_->grdLaps->setCurrentIndex(window_->grdLaps->model()->index(1, 1));
    window_->actLapMark[3]->trigger();
    QCOMPARE(window_->grdLaps->model()->index(1, 7).data().toString(), QStringLiteral("無効"));
    QCOMPARE(list->model()->index(1, SessionBest).data().toString(), QStringLiteral(" 01'20\"10"));
    window_->tabs->setCurrentIndex(1);
    QVERIFY(windowcheck::saveScreenshot(window_.get(), QStringLiteral("logbook-laps")));
    window_->actLapMark[0]->trigger();
    QCOMPARE(list->model()->index(1, SessionBest).data().toString(), QStringLiteral(" 01'19\"95"));
}

// The list's chosen session against the one below it: 05-05 (3 laps) and 05-03 (2 laps).
void TestLogbookWindow::comparisonShowsBothSessions() {
    QTableView* list = window_->grdSessions;
    list->setCurrentIndex(list->model()->index(1, SessionDate));
    window_->tabs->setCurrentWidget(window_->compareView);
    const SessionCompareView* v = window_->compareView;
    QCOMPARE(v->seriesFirst->count(), 3);
    QCOMPARE(v->seriesSecond->count(), 2);
    QCOMPARE(v->seriesSecond->at(1), QPointF(2, 81.0));
    QCOMPARE(v->grdCompareLaps->rowCount(), 3);
    // Lap 1: 01'20"10 against 01'23"45, the second slower by 3.35 s.
    QCOMPARE(v->grdCompareLaps->item(0, 3)->text(), QStringLiteral("+3.35"));
    QCOMPARE(v->grdCompareLaps->item(0, 3)->foreground().color(), QColor(192, 0, 0));
    QCOMPARE(v->grdCompareLaps->item(2, 3)->text(), QString());
    QCOMPARE(v->grdFigures->item(0, 1)->text(), QStringLiteral(" 01'19\"95"));
    QCOMPARE(v->grdFigures->item(0, 3)->text(), QStringLiteral("+1.05"));
    QTest::qWait(20);
    QVERIFY(windowcheck::saveScreenshot(window_.get(), QStringLiteral("logbook-compare")));
    // Against the track's best: the older session (best 01'21"00) and the best session itself.
    window_->compareView->cmbFirst->setCurrentIndex(2);
    window_->compareView->btnTrackBest->click();
    QCOMPARE(v->cmbSecond->currentData().toLongLong(), 2);
    QCOMPARE(v->grdFigures->item(0, 2)->text(), QStringLiteral(" 01'19\"95"));
}

void TestLogbookWindow::exportWritesTheChosenFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("written");
    QTest::newRow("written") << QStringLiteral("tsukuba.csv") << true;
    QTest::newRow("folder missing") << QStringLiteral("none/tsukuba.csv") << false;
}

void TestLogbookWindow::exportWritesTheChosenFile() {
    QFETCH(QString, name);
    QFETCH(bool, written);
    const QString path = dir_.filePath(name);
    prompts_.shown.clear();
    prompts_.fileNames = QStringList{path};
    QTableView* list = window_->grdSessions;
    list->setCurrentIndex(list->model()->index(0, SessionDate)); // the 筑波 session
    window_->btnExportCsv->click();
    QCOMPARE(prompts_.fileDialogSuffixes.last(), QStringLiteral("csv"));
    const QByteArray bytes = readAll(path);
    QCOMPARE(bytes.startsWith("\xEF\xBB\xBF日時,2026-05-09 13:30:00\r\n"), written);
    // The read had no course length; the track list's 2.0 km gives the average speed.
    QCOMPARE(bytes.contains("\r\n1,58.12,,,,,150,123.9,1,\r\n"), written);
    QCOMPARE(prompts_.shown.size(), written ? 0 : 1);
    if (!written)
        QCOMPARE(prompts_.shown.first().icon, Prompts::Icon::Error);
}

void TestLogbookWindow::importTellsTheRefusedFiles() {
    const QString folder = dir_.filePath(QStringLiteral("laps"));
    QVERIFY(QDir().mkpath(folder));
    const QList<std::pair<const char*, QByteArray>> files{
        {"fuel.csv", "QK11(ID:0x1234) 2011/05/02 14:03:27 Logging Start\r\n"},
        {"tsukuba.csv", "RIN KODA Terminal Version 1.0\r\nLaps,1\r\nFastest,Lap,1\r\nx\r\n"
                        "001,\" 00'59\"\"01\",\r\n"},
    };
    for (const auto& [name, bytes] : files) {
        QFile f(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    prompts_.shown.clear();
    prompts_.fileNames = QStringList{folder};
    window_->btnImportFolder->click();
    QCOMPARE(prompts_.fileDialogSuffixes.last(), QStringLiteral("<folder>"));
    QCOMPARE(window_->grdSessions->model()->rowCount(), 4);
    QCOMPARE(prompts_.texts(),
             QStringList{QStringLiteral("1 件のラップファイルを取り込みました。\r\n"
                                        "\r\n"
                                        "取り込めなかったファイル:\r\n"
                                        "fuel.csv: ファイル形式が違います。")});
    QCOMPARE(prompts_.shown.first().icon, Prompts::Icon::Warning);
    // Cancelled folder choice: nothing asked, nothing told.
    window_->btnImportFolder->click();
    QCOMPARE(prompts_.shown.size(), 1);
}

QTEST_MAIN(TestLogbookWindow)
#include "tst_logbookwindow.moc"
