#include "app/eventerrors.h"

#include <exception>

QString unknownErrorText() {
    return QStringLiteral("不明なエラーが発生しました。");
}

bool deliverReportingErrors(const std::function<bool()>& deliver,
                            const std::function<void(const QString&)>& report) {
    QString text;
    try {
        return deliver();
    } catch (const std::exception& error) {
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        text = unknownErrorText();
    }
    // Reported outside the try: the box runs its own events, each delivered the same way.
    report(text);
    return false;
}
