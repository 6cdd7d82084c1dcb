// The lap grid's decisions: highlight colours, the course-length entry, the developer-page
// toggle and the grid clear.
#include "laps/lapgridrules.h"

#include <QTest>

namespace {

// Types keys into a course-length text as the entry's key filter lets them through.
struct CourseEntry {
    QString text;
    bool hasPoint = false;
    void type(const QString& keys) {
        for (QChar key : keys) {
            const CourseKey k = filterCourseLengthKey(key, hasPoint);
            hasPoint = k.courseHasPoint;
            if (!k.accept)
                continue;
            if (key == QChar(8))
                text.chop(1);
            else
                text += key;
            hasPoint = courseTextHasPoint(text); // the change handler
        }
    }
};

} // namespace

class TestLapGridRules : public QObject {
    Q_OBJECT

private slots:
    void colours_data();
    void colours();
    void bestLapSevenColoursRowEight();
    void courseTyping_data();
    void courseTyping();
    void courseKeys_data();
    void courseKeys();
    void courseExit_data();
    void courseExit();
    void developerToggle();
    void clearQuestion();
    void clearKeepsRk12LapInfo();
    void clearEmptiesRk13LapInfo();
};

void TestLapGridRules::colours_data() {
    QTest::addColumn<int>("highlight");
    QTest::addColumn<int>("background");
    QTest::addColumn<int>("text");
    using H = LapTable::Highlight;
    QTest::newRow("fixed") << int(H::Fixed) << int(GridColour::ButtonFace)
                           << int(GridColour::WindowText);
    QTest::newRow("blue") << int(H::Blue) << int(GridColour::Blue) << int(GridColour::White);
    QTest::newRow("red") << int(H::Red) << int(GridColour::Red) << int(GridColour::White);
    QTest::newRow("plain") << int(H::Plain) << int(GridColour::Window)
                           << int(GridColour::WindowText);
}

void TestLapGridRules::colours() {
    QFETCH(int, highlight);
    QFETCH(int, background);
    QFETCH(int, text);
    const CellColours c = cellColours(LapTable::Highlight(highlight));
    QCOMPARE(int(c.background), background);
    QCOMPARE(int(c.text), text);
    QCOMPARE(fixedColourRgb(GridColour::Blue), 0x0000FFu);
    QCOMPARE(fixedColourRgb(GridColour::Red), 0xFF0000u);
    QCOMPARE(fixedColourRgb(GridColour::White), 0xFFFFFFu);
}

void TestLapGridRules::bestLapSevenColoursRowEight() {
    LapTable table;
    table.bestLapMark = 7;
    QCOMPARE(cellColours(table.highlightAt(1, 8)).background, GridColour::Blue);
    QCOMPARE(cellColours(table.highlightAt(7, 8)).background, GridColour::Red);
    QCOMPARE(cellColours(table.highlightAt(0, 8)).background, GridColour::ButtonFace);
    QCOMPARE(cellColours(table.highlightAt(1, 7)).background, GridColour::Window);
}

void TestLapGridRules::courseTyping_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::newRow("second point dropped") << ""
                                          << "1.2.3"
                                          << "1.23";
    QTest::newRow("point deleted, new one") << ""
                                            << "1.2\b\b.5"
                                            << "1.5";
    QTest::newRow("letters dropped") << ""
                                     << "1a2 b"
                                     << "12";
    QTest::newRow("katakana passes") << ""
                                     << "1ｱ"
                                     << "1ｱ";
    QTest::newRow("kanji passes") << ""
                                  << "全"
                                  << "全";
    QTest::newRow("point in loaded text") << "12.5"
                                          << ".3"
                                          << "12.53";
}

void TestLapGridRules::courseTyping() {
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    CourseEntry entry;
    entry.text = start;
    entry.hasPoint = courseTextHasPoint(start);
    entry.type(keys);
    QCOMPARE(entry.text, text);
}

void TestLapGridRules::courseKeys_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("hasPoint");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("hasPointAfter");
    QTest::newRow("digit") << "7" << false << true << false;
    QTest::newRow("first point") << "." << false << true << true;
    QTest::newRow("second point") << "." << true << false << true;
    QTest::newRow("backspace") << "\b" << true << true << true;
    QTest::newRow("enter") << "\r" << false << true << false;
    QTest::newRow("blank") << " " << false << false << false;
    QTest::newRow("delete char") << "\x7f" << false << false << false;
    QTest::newRow("comma") << "," << false << false << false;
    QTest::newRow("half-width katakana") << "ﾃ" << false << true << false;
    QTest::newRow("no Shift-JIS code") << "€" << false << false << false;
}

void TestLapGridRules::courseKeys() {
    QFETCH(QString, key);
    QFETCH(bool, hasPoint);
    QFETCH(bool, accept);
    QFETCH(bool, hasPointAfter);
    const CourseKey k = filterCourseLengthKey(key.at(0), hasPoint);
    QCOMPARE(k.accept, accept);
    QCOMPARE(k.courseHasPoint, hasPointAfter);
}

void TestLapGridRules::courseExit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hasPoint");
    QTest::addColumn<QString>("after");
    QTest::newRow("point 75") << ".75" << true << "0.75";
    QTest::newRow("point 5") << ".5" << true << "0.5";
    QTest::newRow("trailing point") << "12." << true << "12.";
    QTest::newRow("no point") << "12" << false << "12";
    QTest::newRow("empty") << "" << false << "";
}

void TestLapGridRules::courseExit() {
    QFETCH(QString, text);
    QFETCH(bool, hasPoint);
    QFETCH(QString, after);
    QCOMPARE(courseTextOnExit(text, hasPoint), after);
}

void TestLapGridRules::developerToggle() {
    const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    QVERIFY(developerToggleArmedBy(all));
    QVERIFY(developerToggleArmedBy(all | Qt::KeypadModifier));
    QVERIFY(!developerToggleArmedBy(Qt::ShiftModifier | Qt::ControlModifier));
    QVERIFY(!developerToggleArmedBy(Qt::NoModifier));
    // Armed double-clicks show a hidden page and hide a shown one; plain ones change nothing.
    QVERIFY(developerPageVisibleAfterDoubleClick(true, false));
    QVERIFY(!developerPageVisibleAfterDoubleClick(true, true));
    QVERIFY(!developerPageVisibleAfterDoubleClick(false, false));
    QVERIFY(developerPageVisibleAfterDoubleClick(false, true));
}

void TestLapGridRules::clearQuestion() {
    const GridClearQuestion q = gridClearQuestion();
    QCOMPARE(q.text.toUtf8(), QByteArray("\xE3\x82\xB0\xE3\x83\xAA\xE3\x83\x83\xE3\x83\x89"
                                         "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE3\x82\x92"
                                         "\xE3\x82\xAF\xE3\x83\xAA\xE3\x82\xA2\xE3\x81\x97"
                                         "\xE3\x81\xBE\xE3\x81\x99\xE3\x80\x82\r\n"
                                         "\xE3\x82\x88\xE3\x82\x8D\xE3\x81\x97\xE3\x81\x84"
                                         "\xE3\x81\xA7\xE3\x81\x99\xE3\x81\x8B\xEF\xBC\x9F"));
    QCOMPARE(q.icon, Prompts::Icon::Warning);
    QCOMPARE(q.buttons, Prompts::Buttons::YesCancel);
}

namespace {

void fillLapInfoAndMarks(LapTable& t) {
    t.lapCount = 25;
    t.bestLap = t.bestLapMark = 7;
    t.topSpeedLap = t.topSpeedMark = 3;
    t.sectorCount = 4;
    t.fastestSectorLap = t.fastestSectorMark = {7, 12, 7, 9};
    t.lastLiveRow = 10;
    t.sectorIndex = 2;
    t.setCell(1, 8, QStringLiteral(" 01'23\"45"));
}

} // namespace

void TestLapGridRules::clearKeepsRk12LapInfo() {
    LapTable t;
    fillLapInfoAndMarks(t);
    applyGridClear(t, false);
    QCOMPARE(t.lastLiveRow, -1);
    QCOMPARE(t.bestLapMark, 0);
    QCOMPARE(t.topSpeedMark, 0);
    QCOMPARE(t.fastestSectorMark, (std::array<int, 4>{}));
    QCOMPARE(t.sectorIndex, 0);
    QCOMPARE(t.lapCount, 25);
    QCOMPARE(t.bestLap, 7);
    QCOMPARE(t.topSpeedLap, 3);
    QCOMPARE(t.sectorCount, 4);
    QCOMPARE(t.fastestSectorLap, (std::array<int, 4>{7, 12, 7, 9}));
}

void TestLapGridRules::clearEmptiesRk13LapInfo() {
    LapTable t;
    fillLapInfoAndMarks(t);
    applyGridClear(t, true);
    QCOMPARE(t.bestLapMark, 0);
    QCOMPARE(t.lapCount, 0);
    QCOMPARE(t.bestLap, 0);
    QCOMPARE(t.topSpeedLap, 0);
    QCOMPARE(t.sectorCount, 0);
    QCOMPARE(t.fastestSectorLap, (std::array<int, 4>{}));
}

QTEST_GUILESS_MAIN(TestLapGridRules)
#include "tst_lapgridrules.moc"
