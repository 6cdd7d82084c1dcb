#include "app/kodaapplication.h"
#include "app/eventerrors.h"

KodaApplication::KodaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void KodaApplication::setErrorReport(std::function<void(const QString&)> report) {
    errorReport_ = std::move(report);
}

bool KodaApplication::notify(QObject* receiver, QEvent* event) {
    return deliverReportingErrors([&] { return QApplication::notify(receiver, event); },
                                  [this](const QString& text) {
                                      if (errorReport_)
                                          errorReport_(text);
                                      else
                                          qCritical("%s", qUtf8Printable(text));
                                  });
}
