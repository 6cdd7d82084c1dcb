#pragma once

#include "simframe.h"
#include "simlaps.h"
#include "simoptions.h"
#include "simsettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>

namespace kodasim {

// The instruments' behaviour, free of any port or timing: bytes in, replies out.
// Each reply is one burst that must reach the program without a pause.
class Instrument {
public:
    Instrument(const SimOptions& options, LapStore laps);

    // Feeds received bytes; returns the replies they call for, in order.
    QList<QByteArray> receive(const QByteArray& bytes);
    // A lap download is under way: "@LINFO" was answered and the block holding the
    // last lap has not been sent yet. The lap timer pushes no live laps meanwhile.
    // A download abandoned by the program counts as over after 3 s without a request.
    bool downloading() const {
        return downloadUntilLap_ > 0 && lastDownloadRequest_.isValid() &&
               lastDownloadRequest_.elapsed() < 3000;
    }
    // Drops a half-received command or frame: the line was quiet too long.
    void resetInput();

    // A live lap: adds one lap (while there is room) and frames the newest three.
    QByteArray liveLapFrame();
    // The next fuel reading, values changing slowly from reading to reading.
    QByteArray fuelFrame();
    // A reading of another team's QK-11 on the same channel (the QK-11's ID + 1).
    QByteArray foreignFuelFrame() const;

    const LapStore& laps() const { return laps_; }
    SettingsStore& settings() { return settings_; }
    // What the instrument did with its input, for the -v log.
    QStringList takeLog();

    static constexpr const char* kProbe = "KODA LiNK Search";
    static constexpr const char* kProbeReply = "KODA LiNK Found\r\n";

private:
    int downloadUntilLap_ = 0;
    QElapsedTimer lastDownloadRequest_;
    QList<QByteArray> handleFrame(const Frame& frame);
    std::optional<QByteArray> handleCommand(const QByteArray& line);
    QByteArray textFrame(const QByteArray& text) const;
    quint16 sentId(quint16 id) const;
    void takeProbes(QByteArray& buffer, QList<QByteArray>& replies);

    SimOptions options_;
    LapStore laps_;
    SettingsStore settings_;
    FrameReader frames_;
    QByteArray lineBuffer_;
    QByteArray probeTail_; // received text kept to find a probe split across reads
    QStringList log_;
    quint32 fuelCount_ = 0;
    float fuelUsed_ = 0;
    float tankKm_ = 0;
};

} // namespace kodasim
