#pragma once
// The check that every caption of a window is drawn whole: each label's, button's, group's,
// tab's and grid heading's text fits the room its widget gives it (font metrics against
// geometry), no widget is cut by the edges of the widgets it sits in, wrapped captions
// keep a parenthesised code such as "（ｔｙP）" on one line, and every hint fits status
// panel 0, where it is shown.
#include "windows/captionlabel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTextLayout>
#include <QTreeView>
#include <QWidget>

#include <algorithm>

namespace textfit {

inline QString withoutMnemonic(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// Positions at which a text wrapped to width breaks onto a new line.
inline QList<int> lineStarts(const QString& text, const QFont& font, int width) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<int> starts;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (line.textStart() > 0)
            starts << line.textStart();
    }
    layout.endLayout();
    return starts;
}

// "why" for a widget whose text does not fit; empty when it does.
inline QString textProblem(const QWidget* w) {
    const QFontMetrics fm(w->font());
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        const QString text = label->text();
        if (text.isEmpty() || label->textFormat() == Qt::RichText)
            return {};
        const QRect room = label->contentsRect().marginsRemoved(
            QMargins(label->margin(), label->margin(), label->margin(), label->margin()));
        // A squared unit such as "㍑" packs a word into one character: below 20 pixels its
        // small letters cannot be read.
        for (const QChar c : text)
            if (c.unicode() >= 0x3300 && c.unicode() <= 0x33FF &&
                QFontInfo(label->font()).pixelSize() < 20)
                return QStringLiteral("squared unit drawn at %1 px")
                    .arg(QFontInfo(label->font()).pixelSize());
        if (!label->wordWrap()) {
            if (fm.horizontalAdvance(text) > room.width())
                return QStringLiteral("%1 px wide in %2")
                    .arg(fm.horizontalAdvance(text))
                    .arg(room.width());
            if (fm.tightBoundingRect(text).height() > room.height())
                return QStringLiteral("%1 px high in %2")
                    .arg(fm.tightBoundingRect(text).height())
                    .arg(room.height());
            return {};
        }
        // The lines as the label draws them: a caption label breaks at its blanks, a plain
        // wrapping label where Qt's line breaking lets it.
        QStringList lines;
        if (auto* caption = dynamic_cast<const CaptionLabel*>(label)) {
            lines = caption->lines();
        } else {
            qsizetype from = 0;
            for (const int start : lineStarts(text, w->font(), room.width())) {
                lines << text.mid(from, start - from);
                from = start;
            }
            lines << text.mid(from);
        }
        for (const QString& line : lines)
            if (fm.horizontalAdvance(line.trimmed()) > room.width())
                return QStringLiteral("line '%1' %2 px wide in %3")
                    .arg(line)
                    .arg(fm.horizontalAdvance(line.trimmed()))
                    .arg(room.width());
        // The ink of the lines: whole line steps, then the glyphs of the last line.
        const int ink =
            int(lines.size() - 1) * fm.height() + fm.tightBoundingRect(lines.last()).height();
        if (ink > room.height())
            return QStringLiteral("%1 lines, %2 px high in %3")
                .arg(lines.size())
                .arg(ink)
                .arg(room.height());
        const qsizetype open = text.indexOf(QStringLiteral("（"));
        const qsizetype close = text.indexOf(QStringLiteral("）"), open);
        if (open >= 0 && close > open) {
            const QString code = text.mid(open, close - open + 1);
            bool whole = false;
            for (const QString& line : lines)
                whole = whole || line.contains(code);
            if (!whole)
                return QStringLiteral("broken inside %1").arg(code);
        }
        return {};
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        const QString text = withoutMnemonic(button->text());
        if (text.isEmpty())
            return {};
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        if (qobject_cast<const QRadioButton*>(w))
            contents = QStyle::SE_RadioButtonContents;
        else if (qobject_cast<const QCheckBox*>(w))
            contents = QStyle::SE_CheckBoxContents;
        const QRect room = w->style()->subElementRect(contents, &option, w);
        if (fm.horizontalAdvance(text) > room.width())
            return QStringLiteral("%1 px wide in %2")
                .arg(fm.horizontalAdvance(text))
                .arg(room.width());
        return {};
    }
    if (auto* group = qobject_cast<const QGroupBox*>(w)) {
        const QString text = withoutMnemonic(group->title());
        // The title sits inside the frame, a few pixels in from either side.
        if (!text.isEmpty() && fm.horizontalAdvance(text) + 16 > group->width())
            return QStringLiteral("title %1 px wide in %2")
                .arg(fm.horizontalAdvance(text))
                .arg(group->width());
        return {};
    }
    if (auto* tabs = qobject_cast<const QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->isTabVisible(i) &&
                fm.horizontalAdvance(tabs->tabText(i)) > tabs->tabRect(i).width())
                return QStringLiteral("tab %1 cut").arg(tabs->tabText(i));
        return {};
    }
    if (auto* list = qobject_cast<const QListView*>(w)) {
        // Item texts beside their icons, in a list that does not scroll sideways.
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
            const QModelIndex index = list->model()->index(row, 0, list->rootIndex());
            const QString text = index.data().toString();
            const int needed = fm.horizontalAdvance(text) + list->iconSize().width() + 3 * 4;
            if (!list->isRowHidden(row) && needed > list->viewport()->width())
                return QStringLiteral("item %1: %2 px wide in %3")
                    .arg(text)
                    .arg(needed)
                    .arg(list->viewport()->width());
        }
        return {};
    }
    if (auto* tree = qobject_cast<const QTreeView*>(w)) {
        // Cells of the rows shown, beside the first column's icons.
        const QModelIndex root = tree->rootIndex();
        for (int row = 0; row < std::min(50, tree->model()->rowCount(root)); ++row)
            for (int col = 0; col < tree->model()->columnCount(root); ++col) {
                const QModelIndex index = tree->model()->index(row, col, root);
                const QString text = index.data().toString();
                // The text and the item's margins on both sides.
                const int needed = fm.horizontalAdvance(text) + 6 +
                                   (col == 0 ? tree->iconSize().width() + 4 : 0) +
                                   (col == 0 ? tree->indentation() : 0);
                if (!tree->isColumnHidden(col) && !text.isEmpty() &&
                    needed > tree->columnWidth(col))
                    return QStringLiteral("cell %1: %2 px wide in %3")
                        .arg(text)
                        .arg(needed)
                        .arg(tree->columnWidth(col));
            }
        return {};
    }
    if (auto* header = qobject_cast<const QHeaderView*>(w)) {
        for (int i = 0; i < header->count(); ++i) {
            const QString text = header->model()->headerData(i, header->orientation()).toString();
            // The text, the section's margins and, on a sorting heading, the sort arrow.
            const int arrow =
                header->isSortIndicatorShown() && header->sortIndicatorSection() == i ? 16 : 0;
            if (!header->isSectionHidden(i) && header->orientation() == Qt::Horizontal &&
                fm.horizontalAdvance(text) + 8 + arrow > header->sectionSize(i))
                return QStringLiteral("heading %1 cut").arg(text);
        }
        return {};
    }
    return {};
}

// "why" for a widget cut by the edges of a widget it sits in; a scroll area's page may run
// on below its viewport (it scrolls), never beside it.
inline QString clipProblem(const QWidget* w, const QWidget* window) {
    QRect rect(QPoint(0, 0), w->size());
    const QWidget* child = w;
    for (const QWidget* parent = w->parentWidget(); parent && child != window;
         child = parent, parent = parent->parentWidget()) {
        rect.translate(child->pos());
        const bool scrolls = qobject_cast<const QScrollArea*>(parent->parentWidget()) != nullptr;
        const QRect room = parent->rect();
        const bool inside = scrolls ? rect.left() >= room.left() && rect.right() <= room.right()
                                    : room.contains(rect);
        if (!inside)
            return QStringLiteral("cut by %1")
                .arg(parent->objectName().isEmpty()
                         ? QString::fromLatin1(parent->metaObject()->className())
                         : parent->objectName());
    }
    return {};
}

// Every text of the window's shown widgets that is not drawn whole, as "name 'text': why".
inline QStringList cutTexts(const QWidget* window) {
    QStringList problems;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow())
            continue;
        QString text;
        if (auto* label = qobject_cast<const QLabel*>(w))
            text = label->text();
        else if (auto* button = qobject_cast<const QAbstractButton*>(w))
            text = button->text();
        else if (auto* group = qobject_cast<const QGroupBox*>(w))
            text = group->title();
        else if (!qobject_cast<const QTabBar*>(w) && !qobject_cast<const QHeaderView*>(w) &&
                 !qobject_cast<const QListView*>(w) && !qobject_cast<const QTreeView*>(w))
            continue;
        QString why = textProblem(w);
        if (why.isEmpty() && !text.isEmpty())
            why = clipProblem(w, window);
        if (!why.isEmpty())
            problems << QStringLiteral("%1 '%2': %3").arg(w->objectName(), text, why);
    }
    return problems;
}

// Hints of the window's widgets and actions wider than the panel that shows them.
inline QStringList cutHints(const QWidget* window, const QLabel* panel) {
    QStringList hints;
    for (const QWidget* w : window->findChildren<QWidget*>())
        hints << w->statusTip();
    for (const QAction* a : window->findChildren<QAction*>())
        hints << a->statusTip();
    hints.removeAll(QString());
    hints.removeDuplicates();
    const QFontMetrics fm(panel->font());
    const int room = panel->contentsRect().width();
    QStringList problems;
    for (const QString& hint : hints)
        if (fm.horizontalAdvance(hint) > room)
            problems << QStringLiteral("hint '%1': %2 px wide in %3")
                            .arg(hint)
                            .arg(fm.horizontalAdvance(hint))
                            .arg(room);
    return problems;
}

} // namespace textfit
