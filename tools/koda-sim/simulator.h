#pragma once

#include "simfield.h"
#include "siminstrument.h"
#include "simoptions.h"
#include "simport.h"
#include "simtransmitter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

namespace kodasim {

// Ties the port, the instrument, the paced transmitter, the push timers, stdin and
// the termination signals together.
class Simulator : public QObject {
    Q_OBJECT
public:
    Simulator(const SimOptions& options, PortEnds ends, LapStore laps, QObject* parent = nullptr);
    ~Simulator() override;

private:
    void onReadable();
    void onStdin();
    void onSignal();
    void sendShaped(const QByteArray& reply);
    void report(const char* event);
    void pushLiveLap();
    void pushFuel();
    void answerJunk();
    void hangUp();
    void log(const QString& line);
    void shutdown(int code);

    SimOptions options_;
    PortEnds ends_;
    Instrument instrument_;
    FieldLink field_;
    Transmitter* transmitter_;
    QSocketNotifier* portNotifier_ = nullptr;
    QSocketNotifier* stdinNotifier_ = nullptr;
    QSocketNotifier* signalNotifier_ = nullptr;
    QTimer liveTimer_;
    QTimer fuelTimer_;
    QTimer foreignFuelTimer_;
    QTimer junkTimer_;
    QTimer reopenTimer_;
    QElapsedTimer lastRx_;
    QByteArray stdinBuffer_;
    quint64 junkNoise_ = 0x9E3779B97F4A7C15ULL;
    int listsSent_ = 0; // RK-12 lists, for --garble-list
};

} // namespace kodasim
