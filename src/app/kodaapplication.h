#pragma once
// The program's application object: every event is delivered through it, so an error that
// no handler caught is reported here (in a message box, by the main window) and the event
// loop goes on.
#include <QApplication>

#include <functional>

class KodaApplication : public QApplication {
    Q_OBJECT

public:
    KodaApplication(int& argc, char** argv);

    // Where such errors are shown; without a report they are written to the error output.
    void setErrorReport(std::function<void(const QString&)> report);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(const QString&)> errorReport_;
};
