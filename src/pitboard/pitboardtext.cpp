#include "pitboard/pitboardtext.h"

#include <cstdlib>

namespace pitboard {

QString lapTimeText(int hundredths) {
    const int t = std::abs(hundredths);
    return QString::asprintf("%02d'%02d\"%02d", t / 6000, t / 100 % 60, t % 100);
}

QString gapText(int hundredths) {
    const int t = std::abs(hundredths);
    const QString sign = hundredths < 0   ? QStringLiteral("-")
                         : hundredths > 0 ? QStringLiteral("+")
                                          : QStringLiteral("±");
    return sign + QString::asprintf("%d.%02d", t / 100, t % 100);
}

QString sinceText(qint64 ms) {
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    return QString::asprintf("%lld:%02lld", s / 60, s % 60);
}

QString linkText(LinkState state) {
    switch (state) {
    case LinkState::Waiting:
        return QStringLiteral("受信待ち");
    case LinkState::Quiet:
        return QStringLiteral("受信が途絶えています");
    case LinkState::PortGone:
        return QStringLiteral("ポートが閉じています");
    case LinkState::Live:
        break;
    }
    return {};
}

} // namespace pitboard
