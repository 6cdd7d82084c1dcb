// The "mailto:" hand-off of the traffic monitor's text.
#include "files/mailuri.h"

#include <QRegularExpression>
#include <QTest>

class TestMailUri : public QObject {
    Q_OBJECT
private slots:
    void uri_data();
    void uri();
    void bodyIsOnlyPercentAndHex();
};

void TestMailUri::uri_data() {
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray head = "mailto:support@rin-koda.example?subject=RIN-KODA3 Log&body=";
    QTest::newRow("empty monitor") << QString() << head;
    QTest::newRow("OK line") << QStringLiteral("OK\r\n") << head + "%4F%4B%0D%0A";
    QTest::newRow("transmission failed")
        << QStringLiteral("送信失敗") << head + "%91%97%90%4D%8E%B8%94%73";
    QTest::newRow("ampersand and quote") << QStringLiteral("&\"% ") << head + "%26%22%25%20";
    QTest::newRow("Rx line") << QStringLiteral("Rx:CP:2\r\n")
                             << head + "%52%78%3A%43%50%3A%32%0D%0A";
}

void TestMailUri::uri() {
    QFETCH(QString, monitor);
    QFETCH(QByteArray, expected);
    QCOMPARE(mailUri(monitor), expected);
}

void TestMailUri::bodyIsOnlyPercentAndHex() {
    QString monitor;
    for (int c = 1; c < 0x7f; ++c)
        monitor += QChar(c);
    monitor += QStringLiteral("通信中ｱｲｳ");
    const QByteArray uri = mailUri(monitor, QStringLiteral("a@b.example"));
    const QByteArray body = uri.mid(uri.indexOf("&body=") + 6);
    QCOMPARE(body.size() % 3, 0);
    QVERIFY(QRegularExpression(QStringLiteral("^(%[0-9A-F]{2})+$"))
                .match(QString::fromLatin1(body))
                .hasMatch());
    QVERIFY(uri.startsWith("mailto:a@b.example?subject=RIN-KODA3 Log&body=%01%02"));
}

QTEST_GUILESS_MAIN(TestMailUri)
#include "test_mailuri.moc"
