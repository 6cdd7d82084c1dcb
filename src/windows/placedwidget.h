#pragma once
// Forms lay their controls out by hand: each control is made, named and given
// its place in its parent's client area.
#include <QRect>
#include <QString>

#include <utility>

// A new W(args...) (the parent among the args) with its object name and geometry set.
template <typename W, typename... Args>
W* placedWidget(const QString& name, const QRect& geometry, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}
