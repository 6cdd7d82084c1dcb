#pragma once
// Decisions of the lap grid and its neighbours that need no widget: the cell colours per
// highlight, the course-length key filter, the developer-page toggle and the grid clear.
#include "windows/prompts.h"
#include "laps/laptable.h"

#include <QChar>
#include <QString>

// Colours the grid paints with. The system colours follow the platform's palette.
enum class GridColour { ButtonFace, Window, WindowText, Blue, Red, White };

struct CellColours {
    GridColour background;
    GridColour text;
    friend bool operator==(const CellColours&, const CellColours&) = default;
};

CellColours cellColours(LapTable::Highlight highlight);
// The fixed colours as RGB 0xRRGGBB; 0 for the system colours, which have none of their own.
quint32 fixedColourRgb(GridColour colour);

// Course-length entry: digits pass, one decimal point passes (and is remembered), any other
// printable character is dropped; control characters and characters whose Shift-JIS code
// starts at 0x80 or above (half-width katakana, kanji) pass.
struct CourseKey {
    bool accept = false;
    bool courseHasPoint = false; // the flag after the key
};
CourseKey filterCourseLengthKey(QChar key, bool courseHasPoint);
// After every change of the entry: whether its text holds a decimal point.
bool courseTextHasPoint(const QString& text);
// When the entry loses the focus: ".5" becomes "0.5"; anything else stays.
QString courseTextOnExit(const QString& text, bool courseHasPoint);

// Developer page: a press on the left panel arms the toggle when Shift, Ctrl and Alt are all
// held; a double-click while armed flips the page's visibility.
bool developerToggleArmedBy(Qt::KeyboardModifiers modifiers);
bool developerPageVisibleAfterDoubleClick(bool armed, bool visibleNow);

// Grid clear on a double-click: the question asked first, then the lap table's part of the
// effects. Only the answer Yes clears.
struct GridClearQuestion {
    QString text;
    Prompts::Icon icon;
    Prompts::Buttons buttons;
};
GridClearQuestion gridClearQuestion();
// lastLiveRow := -1, marks and sectorIndex := 0, and with an RK-13 configured the lap
// information too (an RK-12's lap information survives). The caller then resets the grid,
// clears the chart series and disables the save commands.
void applyGridClear(LapTable& table, bool rk13Configured);
