#pragma once
// Keeps a child widget in one corner of its parent, at a fixed distance from the two
// edges that meet there, whatever size the parent takes. A child larger than its parent
// is cut at the edges away from the corner: it never pushes the parent's own size up.
#include <QPoint>
#include <Qt>

class QWidget;

// From now on, child (which has a parent) stays in that corner of its parent; margin is
// the distance from the corner's vertical edge (x) and horizontal edge (y).
void anchorToCorner(QWidget* child, Qt::Corner corner, QPoint margin = {});
