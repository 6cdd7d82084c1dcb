#include "windows/plaintooltips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QObject>
#include <QTextDocument>
#include <QToolTip>

namespace {

// Watches a view's viewport and answers its tooltip requests itself.
class PlainToolTipFilter : public QObject {
public:
    explicit PlainToolTipFilter(QAbstractItemView* view) : QObject(view), view_(view) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || watched != view_->viewport())
            return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = view_->indexAt(help->pos()).data(Qt::ToolTipRole).toString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), plainToolTipText(tip), view_->viewport(),
                               view_->visualRect(view_->indexAt(help->pos())));
        return true;
    }

private:
    QAbstractItemView* view_;
};

} // namespace

QString plainToolTipText(const QString& text) {
    return Qt::convertFromPlainText(text);
}

void showItemToolTipsAsPlainText(QAbstractItemView* view) {
    view->viewport()->installEventFilter(new PlainToolTipFilter(view));
}
