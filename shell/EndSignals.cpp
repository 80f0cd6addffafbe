#include "EndSignals.h"

#include <QSocketNotifier>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifndef Q_OS_WIN
constexpr int EndSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};

int SignalPipe[2] = {-1, -1};
struct sigaction EarlierActions[std::size(EndSignalNumbers)];

extern "C" void OnEndSignal(int Number)
{
    const int saved = errno;
    const char byte = static_cast<char>(Number);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(Number, &standard, nullptr);
    errno = saved;
}
#endif

} // namespace

TEndSignals::TEndSignals(QObject *Parent) : QObject(Parent)
{
#ifndef Q_OS_WIN
    if (::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    FNotifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TEndSignals::Arrived);
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(EndSignalNumbers); ++i)
        ::sigaction(EndSignalNumbers[i], &action, &EarlierActions[i]);
#endif
}

TEndSignals::~TEndSignals()
{
#ifndef Q_OS_WIN
    if (!FNotifier)
        return;
    for (std::size_t i = 0; i < std::size(EndSignalNumbers); ++i)
        ::sigaction(EndSignalNumbers[i], &EarlierActions[i], nullptr);
    delete FNotifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
#endif
}

void TEndSignals::Arrived()
{
#ifndef Q_OS_WIN
    char bytes[16];
    while (::read(SignalPipe[0], bytes, sizeof bytes) > 0) {
    }
#endif
    if (FEnded || !OnEnd)
        return;
    FEnded = true;
    OnEnd();
}
