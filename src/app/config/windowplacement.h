#pragma once
// Keeping the main window where the user can reach it when it opens.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// The position the window opens at, given the position read from the configuration,
// the window's size and the screens there are now (their geometries; primary among
// them). The position is kept when the window's top-left corner, with a margin of
// grabVisible pixels to the right and below (less for a smaller window), lies on the
// screens: the title bar can be grabbed and the window moved. Otherwise (a monitor
// unplugged since, a hand-edited value) each axis that leaves the primary screen is
// centred on it, as a position missing from the file is.
QPoint keepOnScreens(QPoint position, QSize window, const QList<QRect>& screens, QRect primary);

inline constexpr int grabVisible = 100;
