#pragma once
// The "mailto:" address that hands the traffic monitor's text to the user's mail
// program as a new message to the support mailbox.
#include <QByteArray>
#include <QString>

inline const QString supportMailbox = QStringLiteral("support@rin-koda.example");
inline const QString mailSubject = QStringLiteral("RIN-KODA3 Log");

// The address goes to the mail program as one program argument, which the system
// limits to 128 KiB with its terminating NUL.
constexpr qsizetype maxMailUriBytes = 128 * 1024 - 1;

// "mailto:", the recipient and "?subject=" with the subject unchanged, then "&body="
// and every Shift-JIS byte of the monitor text as "%" and two upper-case hex digits.
// A text whose address would exceed maxBytes gives its newest whole lines that fit:
// a mail program that cannot be started receives nothing at all.
QByteArray mailUri(const QString& monitorText, const QString& recipient = supportMailbox,
                   qsizetype maxBytes = maxMailUriBytes);

// What handing the address over with a file to attach adds to it: "&attach=" and the file's
// path with every byte percent-encoded at worst. The address given to such a hand-off is
// that much shorter, so that the mail program still gets it as one argument.
qsizetype attachmentRoom(const QString& filePath);
