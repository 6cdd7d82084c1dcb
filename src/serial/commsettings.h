#pragma once
#include <QtGlobal>

// Serial line parameters of the port. The port number is kept beside them
// (TMainForm::comPort), where 0 means "automatic" (run a port search).
struct CommSettings {
    qint32 baudRate = 38400;
    quint8 byteSize = 8;    // data bits, 4..8
    quint8 parity = 2;      // 0 none, 1 odd, 2 even, 3 mark
    quint8 stopBits = 0;    // 0 one, 1 one and a half, 2 two
    quint8 flowControl = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS
    char eventChar = 10;
};
