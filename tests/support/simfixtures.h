#pragma once
// What the simulator's tests send it, byte for byte: command frames to radio ID 0x1234,
// and the models it can be started as.
#include <QByteArray>
#include <QStringList>
#include <QTest>

#include <initializer_list>

namespace simfixtures {

// One byte for each value.
inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// "@CP\r\n" in a command frame to radio ID 0x1234.
inline const QByteArray kCpFrame =
    bytes({0x02, 0x4C, 0x12, 0x34, 0x0D, 0x01, 0x40, 0x43, 0x50, 0x0D, 0x0A, 0x30, 0x03});

// The request for the block of laps from lap 1, to radio ID 0x1234.
inline const QByteArray kLapRequest1 =
    bytes({0x02, 0x4C, 0x12, 0x34, 0x0A, 0x02, 0x00, 0x01, 0x61, 0x03});

// A data row for each model, its option in column "args".
inline void addModelRows() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("rk13") << QStringList{"--rk13"};
    QTest::newRow("rk12") << QStringList{"--rk12"};
    QTest::newRow("qk11") << QStringList{"--qk11"};
}

} // namespace simfixtures
