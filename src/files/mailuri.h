#pragma once
// The "mailto:" address that hands the traffic monitor's text to the user's mail
// program as a new message to the support mailbox.
#include <QByteArray>
#include <QString>

inline const QString supportMailbox = QStringLiteral("support@rin-koda.example");
inline const QString mailSubject = QStringLiteral("RIN-KODA3 Log");

// "mailto:", the recipient and "?subject=" with the subject unchanged, then "&body="
// and every Shift-JIS byte of the monitor text as "%" and two upper-case hex digits.
QByteArray mailUri(const QString& monitorText, const QString& recipient = supportMailbox);
