#include "laps/lapreadend.h"

namespace {

QString stopReason(LapReadStop stop) {
    // Indexed by LapReadStop, in its declared order.
    static const char* const reasons[] = {
        "読み込みが途中で終わりました。",
        "読み込み中にライブラップを受信したため、読み込みを終了しました。",
        "読み込みを中止しました。",
        "RIN KODAから応答がありませんでした。接続を確認してください。",
        "RIN KODAから正しくないデータを受信しました。",
    };
    return QString::fromUtf8(reasons[static_cast<int>(stop)]);
}

} // namespace

QString lapReadEndMessage(const LapReadTally& tally) {
    if (tally.complete())
        return {};
    const QString head =
        tally.countKnown
            ? QStringLiteral("RIN KODAのデータを%1周中%2周しか読み込めませんでした。")
                  .arg(tally.lapsHeld)
                  .arg(tally.lapsRead)
            : QStringLiteral("RIN KODAのデータを読み込めませんでした（周回数を受信できません"
                             "でした）。");
    return head + QStringLiteral("\r\n") + stopReason(tally.stop);
}
