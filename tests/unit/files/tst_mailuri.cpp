// The "mailto:" hand-off of the traffic monitor's text.
#include "files/mailuri.h"
#include "files/urihandler.h"
#include "support/filebytes.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <QRegularExpression>
#include <QTest>

class TestMailUri : public QObject {
    Q_OBJECT
private slots:
    void uri_data();
    void uri();
    void bodyIsOnlyPercentAndHex();
    void longTextKeepsItsNewestLines_data();
    void longTextKeepsItsNewestLines();
    void handlerGetsTheAddressExactly_data();
    void handlerGetsTheAddressExactly();
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

void TestMailUri::longTextKeepsItsNewestLines_data() {
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<int>("bodyBytes"); // of the monitor text that fit into the address
    QTest::addColumn<QByteArray>("body");
    const QString three = QStringLiteral("AB\r\nCD\r\nEF\r\n");
    QTest::newRow("fits exactly") << three << 12
                                  << QByteArray("%41%42%0D%0A%43%44%0D%0A%45%46%0D%0A");
    QTest::newRow("oldest line dropped") << three << 11 << QByteArray("%43%44%0D%0A%45%46%0D%0A");
    QTest::newRow("room ends inside a line") << three << 7 << QByteArray("%45%46%0D%0A");
    QTest::newRow("room at a line end") << three << 4 << QByteArray("%45%46%0D%0A");
    QTest::newRow("no whole line fits") << three << 3 << QByteArray();
    QTest::newRow("double-byte lines")
        << QStringLiteral("送信\r\n失敗\r\n") << 9 << QByteArray("%8E%B8%94%73%0D%0A");
}

void TestMailUri::longTextKeepsItsNewestLines() {
    QFETCH(QString, monitor);
    QFETCH(int, bodyBytes);
    QFETCH(QByteArray, body);
    const QByteArray head = "mailto:a@b.example?subject=RIN-KODA3 Log&body=";
    const qsizetype limit = head.size() + 3 * bodyBytes;
    // The limit is one byte short of the next three-character piece.
    QCOMPARE(mailUri(monitor, QStringLiteral("a@b.example"), limit + 2), head + body);

    // The real limit: an address below the 128 KiB of one program argument.
    QString full;
    for (int i = 0; i < 20000; ++i)
        full += QStringLiteral("送信失敗\r\n");
    const QByteArray uri = mailUri(full);
    QVERIFY(uri.size() <= 128 * 1024 - 1);
    QVERIFY(uri.size() > 128 * 1024 - 31); // as many lines of 30 characters as fit
    QVERIFY(uri.contains("&body=%91%97%90%4D"));
    QVERIFY(uri.endsWith("%91%97%90%4D%8E%B8%94%73%0D%0A"));
}

void TestMailUri::handlerGetsTheAddressExactly_data() {
    QTest::addColumn<QString>("script"); // the handler; "" = no such program
    QTest::addColumn<int>("addressBytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("attachment"); // a file handed over beside the address
    QTest::newRow("handler ends well") << "exit 0" << 100 << true << QString();
    QTest::newRow("handler reports an error") << "exit 4" << 100 << false << QString();
    QTest::newRow("no handler") << "" << 100 << false << QString();
    // Beyond one program argument the handler cannot even be started.
    QTest::newRow("address too long") << "exit 0" << 128 * 1024 << false << QString();
    // xdg-email's way: the option and the file first, the address last and unchanged.
    QTest::newRow("with an attachment")
        << "exit 0" << 100 << true << QStringLiteral("/tmp/KODA_Capture_20261210-153005.pcapng");
}

void TestMailUri::handlerGetsTheAddressExactly() {
    QFETCH(QString, script);
    QFETCH(int, addressBytes);
    QFETCH(bool, ok);
    QFETCH(QString, attachment);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString handler = dir.filePath(QStringLiteral("handler"));
    const QString received = dir.filePath(QStringLiteral("received"));
    if (!script.isEmpty()) {
        QVERIFY(writeAll(handler, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n%2\n")
                                      .arg(received, script)
                                      .toUtf8()));
        QVERIFY(QFile::setPermissions(handler, QFile::ReadOwner | QFile::ExeOwner));
    }
    // Percent-encoded letters, which a URL class would decode.
    QByteArray address = "mailto:a@b.example?subject=RIN-KODA3 Log&body=%41%26%22%25";
    address += QByteArray(addressBytes - address.size(), 'x');
    QEventLoop loop;
    std::optional<bool> result;
    const auto finished = [&](bool started) {
        result = started;
        loop.quit();
    };
    if (attachment.isEmpty())
        openWithHandler(handler, QString::fromLatin1(address), finished);
    else
        openWithHandler(handler, mailAttachmentArguments(QString::fromLatin1(address), attachment),
                        finished);
    if (!result)
        loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(*result, ok);
    if (!script.isEmpty() && ok)
        QCOMPARE(readAll(received),
                 (attachment.isEmpty() ? QByteArray() : "--attach\n" + attachment.toUtf8() + '\n') +
                     address + '\n');
}

QTEST_GUILESS_MAIN(TestMailUri)
#include "tst_mailuri.moc"
