#pragma once
// SIGTERM, SIGINT and SIGHUP (shutdown, Ctrl+C in a terminal, logout) as a Qt signal in
// the user-interface thread, so that they end the program through its close sequence
// instead of killing it with its configuration unwritten.
#include <QObject>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT

public:
    // Installs the handlers; one object at a time. The handlers only write the signal's
    // number to a pipe: everything else runs in the event loop.
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void shutdownRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
};
