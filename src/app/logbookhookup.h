#pragma once
// The logbook beside the main window: the store records what the window's event feed tells,
// its problems are shown through the window's prompts, and the ファイル menu's "ログブック"
// opens the logbook window. The main window itself knows nothing of the logbook.
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class Prompts;
class TMainForm;

namespace logbook {
class LogbookStore;
class LogbookWindow;
} // namespace logbook

inline const QString unreadClearQuestion =
    QStringLiteral("RIN-KODA のラップはまだログブックに記録されていません。\r\n"
                   "クリアするとラップは失われます。よろしいですか？");

class LogbookHookup : public QObject {
    Q_OBJECT

public:
    // path: the logbook file (LogbookStore::defaultPath() for the program's own). Nothing is
    // opened here: the file is opened at the first event or when the window is opened.
    LogbookHookup(TMainForm& form, Prompts& prompts, const QString& path);
    ~LogbookHookup() override;

    logbook::LogbookStore& store() { return *store_; }
    logbook::LogbookWindow* window() const { return window_.get(); }
    void showWindow();
    // A session's laps into the main window's grid; its marks then follow the grid.
    void openInGrid(qint64 session);

private:
    TMainForm& form_;
    Prompts& prompts_;
    std::unique_ptr<logbook::LogbookStore> store_;
    std::unique_ptr<logbook::LogbookWindow> window_;
};
