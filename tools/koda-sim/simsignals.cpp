#include "simsignals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kodasim {
namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

bool installTerminationSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

int terminationSignalFd() {
    return signalPipe[0];
}

void drainTerminationSignals() {
    char drain[16];
    while (::read(signalPipe[0], drain, sizeof drain) > 0) {
    }
}

} // namespace kodasim
