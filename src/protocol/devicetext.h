#pragma once
// Texts on the wire are Shift-JIS (code page 932); the program works in QString.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

QString decodeDeviceText(QByteArrayView bytes);
QByteArray encodeDeviceText(const QString& text);
