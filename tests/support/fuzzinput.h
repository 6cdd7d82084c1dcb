#pragma once
// A fuzz target's input bytes as Qt sees bytes: a view over them, or a copy to change.
#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

inline QByteArrayView fuzzView(const uint8_t* data, size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QByteArray fuzzBytes(const uint8_t* data, size_t size) {
    return fuzzView(data, size).toByteArray();
}
