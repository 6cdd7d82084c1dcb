#pragma once
// Errors that no handler caught on their way back to the event loop. The program reports
// such an error in a message box and goes on with the next event instead of ending.
#include <QString>

#include <functional>

// Shown for an error that carries no text of its own (not a std::exception).
QString unknownErrorText();

// Runs deliver, the delivery of one event, and returns its result. An exception escaping
// it goes no further: its text is handed to report and the delivery counts as not handled.
bool deliverReportingErrors(const std::function<bool()>& deliver,
                            const std::function<void(const QString&)>& report);
