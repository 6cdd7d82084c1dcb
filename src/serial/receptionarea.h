#pragma once
// The main window's hand-off area: receptions completed by the serial worker are
// appended here in the user-interface thread, and the receive dispatcher takes
// them over. Touched only in the user-interface thread.
#include <QByteArray>
#include <QString>

struct ReceptionArea {
    static constexpr int kCapacity = 12288;

    ReceptionArea() { rxBytes.reserve(kCapacity); }

    QByteArray rxBytes; // raw bytes of all receptions since the last take-over (rxLength of them)
    int rxLength = 0;   // valid bytes in rxBytes, at most kCapacity
    QString rxText;     // display text of the same receptions, one after the other
    bool rxComplete = false; // a reception has been handed over since the dispatcher last looked

    // Bytes beyond kCapacity are dropped; the text is always appended.
    void append(const QByteArray& bytes, const QString& text);
    // Empties the area, including rxComplete.
    void clear();
};
