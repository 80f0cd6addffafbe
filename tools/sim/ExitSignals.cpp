#include "ExitSignals.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> GExitRequested{false};

extern "C" void RequestExit(int) { GExitRequested.store(true); }

} // namespace

void InstallExitSignals()
{
    struct sigaction action {
    };
    action.sa_handler = &RequestExit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that goes away must not end us through a broken pipe.
    std::signal(SIGPIPE, SIG_IGN);
}

bool ExitRequested() { return GExitRequested.load(); }
