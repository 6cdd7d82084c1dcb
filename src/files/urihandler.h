#pragma once
// Handing an address (mailto:, http:) to the program that opens it for the desktop.
#include <QString>
#include <QStringList>

#include <functional>

// Starts program with the address as its one argument, byte for byte: no URL class
// decodes and re-encodes a percent-encoded mail body on the way. finished runs once,
// in the calling thread's event loop: true when the program ended with exit code 0,
// false when it could not be started (missing, or the address too long for one
// argument), crashed or reported an error. The program is never stopped: a mail
// program it opens outlives this one.
void openWithHandler(const QString& program, const QString& address,
                     std::function<void(bool ok)> finished);
// The same with the program's arguments given one by one, each passed byte for byte.
void openWithHandler(const QString& program, const QStringList& arguments,
                     std::function<void(bool ok)> finished);

// xdg-email's arguments for a mail address with a file to attach: the address goes last,
// exactly as given.
QStringList mailAttachmentArguments(const QString& address, const QString& file);
