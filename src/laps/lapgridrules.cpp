#include "laps/lapgridrules.h"

#include <QStringEncoder>

#include <iterator>

CellColours cellColours(LapTable::Highlight highlight) {
    switch (highlight) {
    case LapTable::Highlight::Fixed:
        return {GridColour::ButtonFace, GridColour::WindowText};
    case LapTable::Highlight::Blue:
        return {GridColour::Blue, GridColour::White};
    case LapTable::Highlight::Red:
        return {GridColour::Red, GridColour::White};
    case LapTable::Highlight::Plain:
        break;
    }
    return {GridColour::Window, GridColour::WindowText};
}

quint32 fixedColourRgb(GridColour colour) {
    // Indexed by GridColour; the system colours have no fixed value and give 0.
    static constexpr quint32 rgb[] = {0, 0, 0, 0x0000FF, 0xFF0000, 0xFFFFFF};
    const auto i = static_cast<std::size_t>(colour);
    return i < std::size(rgb) ? rgb[i] : 0;
}

CourseKey filterCourseLengthKey(QChar key, bool courseHasPoint) {
    if (key >= u'0' && key <= u'9')
        return {true, courseHasPoint};
    if (key == u'.') {
        if (courseHasPoint)
            return {false, true};
        return {true, true};
    }
    // The entry judges a key by its Shift-JIS code read as a signed byte: control characters
    // (below 0x20) and lead bytes of 0x80 and above pass, printable ASCII does not. A
    // character Shift-JIS cannot carry would arrive as "?" and is dropped.
    if (key.unicode() < 0x80)
        return {key.unicode() < 0x20, courseHasPoint};
    QStringEncoder toSjis("windows-31j", QStringEncoder::Flag::Stateless);
    const QByteArray bytes = toSjis.encode(QString(key));
    if (toSjis.hasError() || bytes.isEmpty() || bytes == "?")
        return {false, courseHasPoint};
    const auto signedByte = static_cast<qint8>(static_cast<quint8>(bytes.at(0)));
    return {signedByte < 0x20, courseHasPoint};
}

bool courseTextHasPoint(const QString& text) {
    return text.contains(u'.');
}

QString courseTextOnExit(const QString& text, bool courseHasPoint) {
    if (courseHasPoint && text.startsWith(u'.'))
        return QLatin1Char('0') + text;
    return text;
}

bool developerToggleArmedBy(Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    return (modifiers & all) == all;
}

bool developerPageVisibleAfterDoubleClick(bool armed, bool visibleNow) {
    return armed ? !visibleNow : visibleNow;
}

GridClearQuestion gridClearQuestion() {
    return {QStringLiteral("グリッドデータをクリアします。\r\nよろしいですか？"),
            Prompts::Icon::Warning, Prompts::Buttons::YesCancel};
}

void applyGridClear(LapTable& table, bool rk13Configured) {
    table.lastLiveRow = -1;
    table.clearMarks();
    table.sectorIndex = 0;
    if (rk13Configured)
        table.clearLapInfo();
}
