#include "app/logbookhookup.h"

#include "app/frmmain.h"
#include "logbook/logbookstore.h"
#include "logbook/logbookwindow.h"
#include "logbook/sessioncsv.h"

#include <QDir>

LogbookHookup::LogbookHookup(TMainForm& form, Prompts& prompts, const QString& path)
    : QObject(&form), form_(form), prompts_(prompts),
      store_(std::make_unique<logbook::LogbookStore>(path)) {
    store_->listenTo(form.eventFeed);
    // Queued: a problem found while the window's operation emits is shown after it, never in
    // the middle of a lap read.
    connect(
        store_.get(), &logbook::LogbookStore::problem, this,
        [this](const QString& text) {
            prompts_.message(text, QStringLiteral("ログブック"), Prompts::Icon::Warning);
        },
        Qt::QueuedConnection);
    connect(form.mnuLogbook, &QAction::triggered, this, &LogbookHookup::showWindow);
    // Clearing the timer before its laps were read (and kept) in this run loses them for good.
    // Guarded: a hookup removed before the window asks nothing more.
    form.eventFeed.clearMayGoOn = [self = QPointer<LogbookHookup>(this)] {
        if (!self || self->store_->wholeReadKept())
            return true;
        return self->prompts_.message(unreadClearQuestion, self->form_.currentCaption(),
                                      Prompts::Icon::Warning,
                                      Prompts::Buttons::YesNo) == Prompts::Answer::Yes;
    };
}

// The window reads through the store's connection, so it goes first.
LogbookHookup::~LogbookHookup() {
    window_.reset();
    store_.reset();
}

void LogbookHookup::showWindow() {
    bool told = false;
    const QMetaObject::Connection listen =
        connect(store_.get(), &logbook::LogbookStore::problem, this, [&told] { told = true; });
    const bool usable = store_->open();
    disconnect(listen);
    if (!usable) {
        // Asked for by the user: always an answer, the store's own reason when it gave one.
        if (!told)
            prompts_.message(QStringLiteral("ログブックを使用できません。\r\n%1")
                                 .arg(QDir::toNativeSeparators(store_->path())),
                             QStringLiteral("ログブック"), Prompts::Icon::Warning);
        return;
    }
    if (!window_) {
        window_ = std::make_unique<logbook::LogbookWindow>(*store_, prompts_, &form_);
        connect(window_.get(), &logbook::LogbookWindow::openInGrid, this,
                &LogbookHookup::openInGrid);
    }
    window_->refresh();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void LogbookHookup::openInGrid(qint64 session) {
    const std::optional<logbook::SessionRecord> record =
        store_->open() ? logbook::readSession(store_->database(), session) : std::nullopt;
    if (!record)
        return;
    const feed::LapSet laps = logbook::lapSetOf(*record);
    if (laps.laps.isEmpty()) {
        prompts_.message(QStringLiteral("ラップタイムがありません。"), QStringLiteral("ログブック"),
                         Prompts::Icon::Information);
        return;
    }
    feed::EventFeed& feed = form_.eventFeed;
    if (feed.openLaps && feed.openLaps(laps, logbook::sessionCaption(*record)))
        store_->setShownSession(session);
}
