#include "app/config/windowplacement.h"

#include <algorithm>

namespace {

// Spans in 64 bits: a position read from the file may be near the ends of int.
struct Span {
    qint64 start;
    qint64 end; // one past the last pixel
};

qint64 overlap(Span a, Span b) {
    return std::max<qint64>(0, std::min(a.end, b.end) - std::max(a.start, b.start));
}

// One axis: kept when the band lies within the screen's span, else centred on it.
int keepOrCentre(int edge, int band, int window, int screenStart, int screenSize) {
    if (edge >= screenStart && qint64(edge) + band <= qint64(screenStart) + screenSize)
        return edge;
    return screenStart + std::max(0, (screenSize - window) / 2);
}

} // namespace

QPoint keepOnScreens(QPoint position, QSize window, const QList<QRect>& screens, QRect primary) {
    // The band at the window's top-left corner that must be on the screens.
    const int bandWidth = std::clamp(window.width(), 1, grabVisible);
    const int bandHeight = std::clamp(window.height(), 1, grabVisible);
    const Span across{position.x(), qint64(position.x()) + bandWidth};
    const Span down{position.y(), qint64(position.y()) + bandHeight};
    // Screens do not overlap, so the parts of the band on each add up to the whole band
    // only when all of it is on some screen.
    qint64 covered = 0;
    for (const QRect& screen : screens)
        covered += overlap(across, {screen.x(), qint64(screen.x()) + screen.width()}) *
                   overlap(down, {screen.y(), qint64(screen.y()) + screen.height()});
    if (covered >= qint64(bandWidth) * bandHeight || primary.isEmpty())
        return position;
    return QPoint(
        keepOrCentre(position.x(), bandWidth, window.width(), primary.x(), primary.width()),
        keepOrCentre(position.y(), bandHeight, window.height(), primary.y(), primary.height()));
}
