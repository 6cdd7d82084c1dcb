#pragma once
// The maker's web address, opened from the version dialog, and the maker's
// one-line rights notice. Program constants: the configuration file does not
// hold them.
#include <QString>

inline QString makerWebAddress() {
    return QStringLiteral("https://www.koda-monitor.example/");
}

inline QString makerRightsNotice() {
    return QStringLiteral("Copyright (C) 2011 KODA Monitor developers");
}
