#pragma once
// Item tooltips of a list that carry texts from outside the program (device paths from the
// configuration file, the system's reasons): a tooltip takes a text that looks like HTML as
// markup, so these are shown as the plain text they are.
class QAbstractItemView;
class QString;

// The view's items show their tooltip texts as plain text from now on.
void showItemToolTipsAsPlainText(QAbstractItemView* view);

// A tooltip text that shows the given text as it is, line ends included.
QString plainToolTipText(const QString& text);
