// The installed udev rule, read as udev reads it: every line parses, every jump has its
// label, no key looks at parent devices, and run over the properties a tty would have it
// gives access and a name only to the adapters it names, one name per port.
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>

#include <fnmatch.h>

namespace {

using Properties = QHash<QString, QString>;

struct Key {
    QString name;
    QString attribute; // the part in braces: ENV{ID_MODEL_ID}
    QString op;
    QString value;
};
using Rule = QList<Key>;

// One rule line: comma-separated KEY{attr}OP"value" pairs. An empty list for a line udev
// would refuse.
Rule parseLine(const QString& line) {
    static const QRegularExpression pair(QStringLiteral(
        "^\\s*([A-Z_]+)(?:\\{([^}]*)\\})?\\s*(==|!=|\\+=|-=|:=|=)\\s*\"([^\"]*)\"\\s*(,|$)"));
    Rule rule;
    QString rest = line;
    while (!rest.trimmed().isEmpty()) {
        const QRegularExpressionMatch m = pair.match(rest);
        if (!m.hasMatch())
            return {};
        rule << Key{m.captured(1), m.captured(2), m.captured(3), m.captured(4)};
        rest = rest.mid(m.capturedLength());
    }
    return rule;
}

// udev's patterns: shell globs, alternatives separated by '|'.
bool matches(const QString& value, const QString& pattern) {
    for (const QString& alternative : pattern.split(u'|'))
        if (::fnmatch(alternative.toUtf8().constData(), value.toUtf8().constData(), 0) == 0)
            return true;
    return false;
}

struct Device {
    QString subsystem;
    QString kernel;
    Properties usbId; // what the usb_id builtin finds for it
};

struct Outcome {
    bool uaccess = false;
    QStringList links;
};

Outcome run(const QList<Rule>& rules, const Device& device) {
    Outcome out;
    Properties env;
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules[i];
        bool all = true;
        for (const Key& k : rule) {
            if (k.op != QLatin1String("==") && k.op != QLatin1String("!="))
                continue;
            QString actual;
            if (k.name == QLatin1String("SUBSYSTEM"))
                actual = device.subsystem;
            else if (k.name == QLatin1String("KERNEL"))
                actual = device.kernel;
            else if (k.name == QLatin1String("ENV"))
                actual = env.value(k.attribute);
            all = all && (matches(actual, k.value) == (k.op == QLatin1String("==")));
        }
        if (!all)
            continue;
        for (const Key& k : rule) {
            if (k.name == QLatin1String("IMPORT") && k.value == QLatin1String("usb_id"))
                env.insert(device.usbId);
            else if (k.name == QLatin1String("TAG") && k.value == QLatin1String("uaccess"))
                out.uaccess = true;
            else if (k.name == QLatin1String("SYMLINK")) {
                QString link = k.value;
                static const QRegularExpression var(QStringLiteral("\\$env\\{([A-Z_]+)\\}"));
                for (auto m = var.match(link); m.hasMatch(); m = var.match(link))
                    link.replace(m.capturedStart(), m.capturedLength(), env.value(m.captured(1)));
                out.links << link;
            } else if (k.name == QLatin1String("GOTO")) {
                for (qsizetype j = i + 1; j < rules.size(); ++j)
                    if (rules[j].first().name == QLatin1String("LABEL") &&
                        rules[j].first().value == k.value)
                        i = j;
            }
        }
    }
    return out;
}

Properties usbId(const char* vendor, const char* model, const char* serial, const char* interface) {
    Properties env{{QStringLiteral("ID_VENDOR_ID"), QLatin1String(vendor)},
                   {QStringLiteral("ID_MODEL_ID"), QLatin1String(model)},
                   {QStringLiteral("ID_USB_INTERFACE_NUM"), QLatin1String(interface)}};
    if (*serial)
        env.insert(QStringLiteral("ID_SERIAL_SHORT"), QLatin1String(serial));
    return env;
}

} // namespace

class TestUdevRule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QFile file(qEnvironmentVariable("KODA_SOURCE_DIR") +
                   QStringLiteral("/resources/udev/70-kodamonitor.rules"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList labels;
        QStringList jumps;
        const QStringList known{"SUBSYSTEM", "KERNEL", "ENV", "IMPORT",
                                "GOTO",      "LABEL",  "TAG", "SYMLINK"};
        int number = 0;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            ++number;
            if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
                continue;
            const Rule rule = parseLine(line);
            QVERIFY2(!rule.isEmpty(),
                     qPrintable(QStringLiteral("line %1: %2").arg(number).arg(line)));
            for (const Key& k : rule) {
                // ATTRS, SUBSYSTEMS, DRIVERS and KERNELS also match parents (a hub).
                QVERIFY2(known.contains(k.name), qPrintable(k.name));
                if (k.name == QLatin1String("LABEL")) {
                    QCOMPARE(rule.size(), 1);
                    QVERIFY(!labels.contains(k.value));
                    labels << k.value;
                }
                if (k.name == QLatin1String("GOTO"))
                    jumps << k.value;
            }
            rules_ << rule;
        }
        for (const QString& jump : jumps)
            QVERIFY2(labels.contains(jump), qPrintable(jump));
    }

    void adaptersGetAccessAndOneNameAPort_data() {
        QTest::addColumn<QString>("kernel");
        QTest::addColumn<Properties>("found");
        QTest::addColumn<bool>("uaccess");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("CH340") << "ttyUSB0" << usbId("1a86", "7523", "0001", "00") << true
                               << QStringList{"serial/koda/1a86-7523-0001"};
        QTest::newRow("CH340 without a serial number")
            << "ttyUSB0" << usbId("1a86", "7523", "", "00") << true << QStringList{};
        QTest::newRow("FT232R") << "ttyUSB1" << usbId("0403", "6001", "A1B2C3", "00") << true
                                << QStringList{"serial/koda/0403-6001-A1B2C3"};
        QTest::newRow("FT4232, third port")
            << "ttyUSB4" << usbId("0403", "6011", "FT4X", "02") << true
            << QStringList{"serial/koda/0403-6011-FT4X-if02"};
        QTest::newRow("FT4232, fourth port")
            << "ttyUSB5" << usbId("0403", "6011", "FT4X", "03") << true
            << QStringList{"serial/koda/0403-6011-FT4X-if03"};
        QTest::newRow("CH342, second port")
            << "ttyACM3" << usbId("1a86", "55d2", "5A3B", "02") << true
            << QStringList{"serial/koda/1a86-55d2-5A3B-if02"};
        QTest::newRow("CP2105, first port")
            << "ttyUSB2" << usbId("10c4", "ea70", "00A1", "00") << true
            << QStringList{"serial/koda/10c4-ea70-00A1-if00"};
        QTest::newRow("PL2303") << "ttyUSB3" << usbId("067b", "2303", "", "00") << true
                                << QStringList{};
        // usb_id reports the tty's own device, not the WCH hub it is plugged into.
        QTest::newRow("a board behind a WCH hub")
            << "ttyACM0" << usbId("2341", "0043", "7593", "00") << false << QStringList{};
        QTest::newRow("another WCH product")
            << "ttyUSB0" << usbId("1a86", "e008", "", "00") << false << QStringList{};
        QTest::newRow("on-board port") << "ttyS0" << Properties{} << false << QStringList{};
    }
    void adaptersGetAccessAndOneNameAPort() {
        QFETCH(QString, kernel);
        QFETCH(Properties, found);
        QFETCH(bool, uaccess);
        QFETCH(QStringList, links);
        const Outcome out = run(rules_, {QStringLiteral("tty"), kernel, found});
        QCOMPARE(out.uaccess, uaccess);
        QCOMPARE(out.links, links);
    }

private:
    QList<Rule> rules_;
};

QTEST_APPLESS_MAIN(TestUdevRule)
#include "tst_udevrule.moc"
