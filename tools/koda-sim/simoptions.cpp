#include "simoptions.h"

#include <QCommandLineParser>

namespace kodasim {

std::optional<quint16> parseRadioId(const QString& text) {
    QString t = text.trimmed();
    int base = 10;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        t = t.mid(2);
        base = 16;
    } else if (t.startsWith(QLatin1Char('$'))) {
        t = t.mid(1);
        base = 16;
    }
    bool ok = false;
    const uint v = t.toUInt(&ok, base);
    if (!ok || v > 0xFFFF)
        return std::nullopt;
    return static_cast<quint16>(v);
}

namespace {

std::optional<int> intOption(const QCommandLineParser& p, const QString& name, int low, int high,
                             QString* error) {
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(low).arg(high);
        return std::nullopt;
    }
    return v;
}

} // namespace

ParsedOptions parseSimOptions(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Plays the KODA instruments (RK-12, RK-13 lap timers, QK-11 fuel meter) on a\n"
        "pseudo-terminal or a serial device. The first line on stdout is the port path.\n"
        "Lines written to stdin: \"live\" pushes a live lap, \"fuel\" a fuel frame, \"quit\" "
        "exits."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    p.addOption(help);
    const auto add = [&p](const QString& name, const QString& text, const QString& valueName = {},
                          const QString& def = {}) {
        QCommandLineOption o(name, text, valueName, def);
        p.addOption(o);
    };
    add("device", "Opens this serial device instead of a pseudo-terminal.", "path");
    add("link", "Creates a symlink at <path> pointing to the port (removed at exit).", "path");
    add("no-hold", "Does not keep the pty slave open (the program closing it hangs the pty up).");
    add("rk13", "Plays an RK-13 lap timer (radio frames). Default when no model is given.");
    add("rk13-id", "Radio ID of the RK-13.", "id", "0x1234");
    add("rk12", "Plays an RK-12 lap timer (plain text). Not together with --rk13.");
    add("qk11", "Plays a QK-11 fuel meter.");
    add("qk11-id", "Radio ID of the QK-11.", "id", "0x5678");
    add("text-code", "Code of the RK-13's text reply frames (not 0x82/0x83).", "code", "0x01");
    add("write-reply", "Answer to a setting write: echo (key and value) or ok.", "echo|ok", "echo");
    add("ldata", "Answers RK-13 lap-data requests with one \"LData:\" text instead of a block.");
    add("live-period", "RK-13: pushes a live lap (0x83) every <ms> milliseconds.", "ms", "0");
    add("fuel-period", "QK-11: pushes a fuel frame every <ms> milliseconds.", "ms", "0");
    add("laps", "Number of generated laps (0..300).", "n", "25");
    add("sectors", "Sectors per generated lap (1..4); also the CP setting.", "k", "3");
    add("seed", "Seed of the generated laps.", "s", "1");
    add("laps-file", "Reads the laps from a CSV file: time,sector1..k,topspeed per line.", "path");
    add("dump-laps", "Prints the laps held (as lap grid texts) and exits.");
    add("dump-format", "Format of --dump-laps: grid or csv (the --laps-file form).", "format",
        "grid");
    add("baud", "Line speed whose pace replies keep (11 bits a byte).", "baud", "38400");
    add("latency", "Delay from a command to the start of its reply.", "ms", "20");
    add("v", "Logs what is received and sent to stderr.");
    add("silent", "Never answers (pushes still run when their period is given).");
    add("bad-checksum", "Sends every frame with a wrong checksum.");
    add("split-pause", "Pauses <ms> milliseconds in the middle of each reply.", "ms", "0");
    add("garbage", "Sends <n> random bytes (never STX) before each reply.", "n", "0");
    add("garbage-flood", "Sends random bytes continuously at full line speed.");
    add("foreign-id", "Sends frames from another radio ID (the configured ID + 1).");
    add("hangup-after", "Closes the port after <n> bytes sent and exits.", "n");
    add("answer-everything", "Answers every input with \"KODA LiNK Found\" and junk.");
    add("field",
        "Behaves like a real link: --shared-pushes 20 --partial-frames 10 --late 20 "
        "--lost-to-live 10 --stx-garbage 16 --unpadded --live-in-download --list-pause 300 "
        "--list-split random --foreign-fuel 1500.");
    add("shared-pushes",
        "Puts a push (fuel frame, else live lap) into the burst of <pct> per "
        "cent of the replies.",
        "pct", "0");
    add("partial-frames",
        "RK-13: sends a cut-off frame right before <pct> per cent of the "
        "replies.",
        "pct", "0");
    add("lost-to-live",
        "RK-13: loses <pct> per cent of the replies to settings requests and pushes a live "
        "lap when the reply would have gone out.",
        "pct", "0");
    add("late", "Delays <pct> per cent of the replies by 300 to 700 ms.", "pct", "0");
    add("stx-garbage",
        "RK-13: <n> noise bytes holding STX bytes before each reply; each "
        "STX's length ends inside the noise.",
        "n", "0");
    add("unpadded", "Setting values below 10 without a leading zero (LapDispTime:5).");
    add("live-in-download", "Periodic live laps do not wait for a lap download to end.");
    add("list-pause", "RK-12: splits each lap list once by a pause of <ms> milliseconds.", "ms",
        "0");
    add("list-split",
        "RK-12: where --list-pause splits a list: middle, last-comma, random (a byte "
        "drawn for each list) or a byte count (negative: from the end).",
        "where", "middle");
    add("garble-list", "RK-12: spoils the second line of list <n> (from 1; 0: every list).", "n");
    add("list-end", "RK-12: ends each lap list with a line \"END\".");
    add("replay",
        "Plays the device side of a KODA Monitor capture: answers the program's requests "
        "with the captured bytes and timing; departures are reported on stderr.",
        "file");
    add("foreign-fuel",
        "Another QK-11 on the channel (radio ID of the QK-11 + 1) sends a fuel frame every "
        "<ms> milliseconds.",
        "ms", "0");

    ParsedOptions result;
    if (!p.parse(arguments)) {
        result.exitCode = 2;
        result.message = p.errorText();
        return result;
    }
    if (p.isSet(help)) {
        result.message = p.helpText();
        return result;
    }
    if (!p.positionalArguments().isEmpty()) {
        result.exitCode = 2;
        result.message =
            QStringLiteral("unexpected argument: %1").arg(p.positionalArguments().first());
        return result;
    }

    SimOptions o;
    QString error;
    const auto fail = [&result](const QString& text) {
        result.exitCode = 2;
        result.message = text;
        return result;
    };
    o.replayFile = p.value("replay");
    o.device = p.value("device");
    o.link = p.value("link");
    o.holdSlave = !p.isSet("no-hold");
    o.rk12 = p.isSet("rk12");
    o.rk13 = p.isSet("rk13");
    o.qk11 = p.isSet("qk11");
    if (o.rk12 && o.rk13)
        return fail(QStringLiteral("--rk12 and --rk13 cannot be played together: one lap timer "
                                   "talks either plain text or radio frames"));
    if (!o.rk12 && !o.rk13 && !o.qk11)
        o.rk13 = true;
    const auto id13 = parseRadioId(p.value("rk13-id"));
    const auto id11 = parseRadioId(p.value("qk11-id"));
    if (!id13 || !id11)
        return fail(QStringLiteral("radio IDs are 0x0000 to 0xFFFF"));
    o.rk13Id = *id13;
    o.qk11Id = *id11;
    const auto code = parseRadioId(p.value("text-code"));
    if (!code || *code > 0xFF || *code == 0x82 || *code == 0x83)
        return fail(QStringLiteral("--text-code must be a byte other than 0x82 and 0x83"));
    o.textCode = static_cast<quint8>(*code);
    const QString wr = p.value("write-reply");
    if (wr == QLatin1String("ok"))
        o.writeReply = WriteReply::Ok;
    else if (wr != QLatin1String("echo"))
        return fail(QStringLiteral("--write-reply is echo or ok"));
    o.ldata = p.isSet("ldata");

    const auto number = [&](const char* name, int low, int high, int* out) {
        const auto v = intOption(p, QString::fromLatin1(name), low, high, &error);
        if (v)
            *out = *v;
        return v.has_value();
    };
    if (!number("live-period", 0, 3600000, &o.livePeriodMs) ||
        !number("fuel-period", 0, 3600000, &o.fuelPeriodMs) || !number("laps", 0, 300, &o.laps) ||
        !number("sectors", 1, 4, &o.sectors) || !number("baud", 50, 4000000, &o.baud) ||
        !number("latency", 0, 600000, &o.latencyMs) ||
        !number("split-pause", 0, 600000, &o.splitPauseMs) ||
        !number("garbage", 0, 100000, &o.garbage) ||
        !number("shared-pushes", 0, 100, &o.sharedPushPercent) ||
        !number("partial-frames", 0, 100, &o.partialFramePercent) ||
        !number("lost-to-live", 0, 100, &o.lostToLivePercent) ||
        !number("late", 0, 100, &o.latePercent) || !number("stx-garbage", 0, 1000, &o.stxGarbage) ||
        !number("list-pause", 0, 600000, &o.listPauseMs) ||
        !number("foreign-fuel", 0, 3600000, &o.foreignFuelPeriodMs))
        return fail(error);
    if (o.sharedPushPercent + o.partialFramePercent + o.lostToLivePercent > 100)
        return fail(QStringLiteral(
            "--shared-pushes, --partial-frames and --lost-to-live add up to at most 100"));
    const QString split = p.value("list-split");
    if (split == QLatin1String("middle")) {
        o.listSplit = ListSplit::Middle;
    } else if (split == QLatin1String("last-comma")) {
        o.listSplit = ListSplit::LastComma;
    } else if (split == QLatin1String("random")) {
        o.listSplit = ListSplit::Random;
    } else {
        bool isCount = false;
        o.listSplitAt = split.toInt(&isCount);
        if (!isCount || o.listSplitAt == 0)
            return fail(QStringLiteral(
                "--list-split is middle, last-comma, random or a byte count other than 0"));
        o.listSplit = ListSplit::At;
    }
    if (p.isSet("garble-list") && !number("garble-list", 0, 1000000, &o.garbleList))
        return fail(error);
    o.unpadded = p.isSet("unpadded");
    o.liveInDownload = p.isSet("live-in-download");
    o.listEnd = p.isSet("list-end");
    if (p.isSet("field")) {
        // Each part of the field mode unless given on its own.
        const auto fieldDefault = [&p](const char* name, int value, int* out) {
            if (!p.isSet(QString::fromLatin1(name)))
                *out = value;
        };
        fieldDefault("shared-pushes", 20, &o.sharedPushPercent);
        fieldDefault("partial-frames", 10, &o.partialFramePercent);
        fieldDefault("lost-to-live", 10, &o.lostToLivePercent);
        fieldDefault("late", 20, &o.latePercent);
        fieldDefault("stx-garbage", 16, &o.stxGarbage);
        fieldDefault("list-pause", 300, &o.listPauseMs);
        if (!p.isSet(QStringLiteral("list-split")))
            o.listSplit = ListSplit::Random;
        fieldDefault("foreign-fuel", 1500, &o.foreignFuelPeriodMs);
        o.unpadded = true;
        o.liveInDownload = true;
    }
    if (o.livePeriodMs > 0 && !o.rk13)
        return fail(QStringLiteral("--live-period needs the RK-13"));
    if (o.fuelPeriodMs > 0 && !o.qk11)
        return fail(QStringLiteral("--fuel-period needs --qk11"));
    bool ok = false;
    o.seed = p.value("seed").toULongLong(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed wants an unsigned number"));
    o.lapsFile = p.value("laps-file");
    if (!o.lapsFile.isEmpty() && (p.isSet("laps") || p.isSet("sectors") || p.isSet("seed")))
        return fail(QStringLiteral("--laps-file replaces --laps, --sectors and --seed"));
    if (p.isSet("dump-laps")) {
        const QString f = p.value("dump-format");
        if (f == QLatin1String("grid"))
            o.dump = DumpFormat::Grid;
        else if (f == QLatin1String("csv"))
            o.dump = DumpFormat::Csv;
        else
            return fail(QStringLiteral("--dump-format is grid or csv"));
    }
    o.verbose = p.isSet("v");
    o.silent = p.isSet("silent");
    o.badChecksum = p.isSet("bad-checksum");
    o.garbageFlood = p.isSet("garbage-flood");
    o.foreignId = p.isSet("foreign-id");
    o.answerEverything = p.isSet("answer-everything");
    if (p.isSet("hangup-after")) {
        o.hangupAfter = p.value("hangup-after").toLongLong(&ok);
        if (!ok || o.hangupAfter < 0)
            return fail(QStringLiteral("--hangup-after wants a byte count"));
    }
    result.options = o;
    return result;
}

} // namespace kodasim
