// KODA Monitor: a communication monitor for the RIN-KODA lap timers and the Q-KODA
// fuel meter on a serial port.
#include "app/capturehookup.h"
#include "app/config/configuration.h"
#include "app/frmmain.h"
#include "app/kodaapplication.h"
#include "app/logbookhookup.h"
#include "app/qttranslations.h"
#include "app/shutdownsignals.h"
#include "app/widgetprompts.h"
#include "logbook/logbookstore.h"
#include "pitboard/pitboardwindow.h"

#include <QFont>

#include <memory>

int main(int argc, char** argv) {
    KodaApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KodaMonitor"));
    installQtTranslations(app);
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    WidgetPrompts prompts;
    TMainForm form(prompts, {configurationPath(QCoreApplication::applicationFilePath()), true});
    prompts.setParent(&form);
    // Every byte on the line and what the program made of it, kept on disk for a field report
    // and shown in the detailed traffic view.
    new CaptureHookup(form, prompts, CaptureHookup::defaultFolders());
    auto* logbookHookup = new LogbookHookup(form, prompts, logbook::LogbookStore::defaultPath());
    ShutdownSignals shutdown;
    QObject::connect(&shutdown, &ShutdownSignals::shutdownRequested, &form,
                     [&form] { form.closeUnattended(); });
    // The pit board: made at its first showing, then kept so that it follows the feed.
    std::unique_ptr<pitboard::PitBoardWindow> pitBoard;
    QObject::connect(form.mnuPitBoard, &QAction::triggered, &form,
                     [&form, &pitBoard, logbookHookup] {
                         if (!pitBoard) {
                             pitBoard = std::make_unique<pitboard::PitBoardWindow>(
                                 form.eventFeed, pitboard::PitBoardWindow::defaultSettingsPath());
                             // The track's personal best from the logbook, renewed as the logbook
                             // records.
                             logbook::LogbookStore& store = logbookHookup->store();
                             const auto personalBest = [&store, board = pitBoard.get()] {
                                 board->setPersonalBest(store.livePersonalBest());
                             };
                             QObject::connect(&store, &logbook::LogbookStore::changed,
                                              pitBoard.get(), personalBest);
                             personalBest();
                         }
                         pitBoard->showBoard();
                     });
    form.show();
    return app.exec();
}
