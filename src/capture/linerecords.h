#pragma once
// The line as the event feed tells it, turned into capture records: bytes sent, bytes
// received and the program's line events, each stamped with its time.
#include "capture/capturefile.h"

#include <functional>

class QObject;

namespace feed {
class EventFeed;
} // namespace feed

namespace capture {

// Calls take with every record while context lives.
void listenForRecords(feed::EventFeed& feed, QObject* context,
                      std::function<void(const Record&)> take);

} // namespace capture
