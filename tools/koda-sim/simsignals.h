#pragma once
// SIGTERM and SIGINT end koda-sim cleanly: the handler only writes a byte into a pipe whose
// read end the event loop watches (a QSocketNotifier), so nothing is done inside the handler.
// SIGPIPE is ignored: a program closing its end of the port is no error.
namespace kodasim {

// False when the pipe cannot be made.
bool installTerminationSignals();
// The pipe's read end; -1 before installTerminationSignals.
int terminationSignalFd();
// Empties the pipe once the event loop has seen it.
void drainTerminationSignals();

} // namespace kodasim
