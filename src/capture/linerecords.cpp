#include "capture/linerecords.h"
#include "feed/eventfeed.h"

namespace capture {

namespace {

qint64 microseconds(const QDateTime& at) {
    return at.toMSecsSinceEpoch() * 1000;
}

} // namespace

void listenForRecords(feed::EventFeed& feed, QObject* context,
                      std::function<void(const Record&)> take) {
    QObject::connect(&feed, &feed::EventFeed::bytesSent, context,
                     [take](const QByteArray& bytes, const QDateTime& at) {
                         take({Direction::Sent, microseconds(at), bytes, {}, {}});
                     });
    QObject::connect(&feed, &feed::EventFeed::bytesReceived, context,
                     [take](const QByteArray& bytes, const QDateTime& at) {
                         take({Direction::Received, microseconds(at), bytes, {}, {}});
                     });
    QObject::connect(
        &feed, &feed::EventFeed::lineEvent, context, [take](const feed::LineEvent& event) {
            take({Direction::Event, microseconds(event.at), {}, event.kind, event.text});
        });
}

} // namespace capture
