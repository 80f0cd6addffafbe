#include "SimOutput.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

QString SystemError(const char *What)
{
    return QStringLiteral("%1: %2").arg(What, QString::fromLocal8Bit(std::strerror(errno)));
}

void SetLine(termios &Settings)
{
    cfmakeraw(&Settings);
    cfsetispeed(&Settings, B9600);
    cfsetospeed(&Settings, B9600);
    Settings.c_cflag |= CLOCAL | CREAD;
    Settings.c_cflag &= ~CRTSCTS;
}

} // namespace

TSimOutput::TSimOutput(int Fd, const QString &Path, bool PseudoTerminal)
    : FFd(Fd), FPath(Path), FPseudoTerminal(PseudoTerminal)
{}

std::unique_ptr<TSimOutput> TSimOutput::OpenPseudoTerminal(QString &Error)
{
    int master = -1;
    int slave = -1;
    termios settings{};
    SetLine(settings);
    if (openpty(&master, &slave, nullptr, &settings, nullptr) != 0) {
        Error = SystemError("cannot create a pseudo-terminal");
        return nullptr;
    }
    char name[128] = {};
    const bool named = ptsname_r(master, name, sizeof name) == 0;
    // Holding the slave ourselves would hide whether the monitor has it open.
    ::close(slave);
    if (!named || fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0 ||
        fcntl(master, F_SETFD, FD_CLOEXEC) != 0) {
        Error = SystemError("cannot set up the pseudo-terminal");
        ::close(master);
        return nullptr;
    }
    std::unique_ptr<TSimOutput> output(new TSimOutput(master, QString::fromLocal8Bit(name), true));
    // Without the watch a quick close and reopen between two frames goes unseen; the
    // hang-up check still catches the slower ones.
    output->FOpenWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (output->FOpenWatch >= 0 && inotify_add_watch(output->FOpenWatch, name, IN_OPEN) < 0) {
        ::close(output->FOpenWatch);
        output->FOpenWatch = -1;
    }
    return output;
}

std::unique_ptr<TSimOutput> TSimOutput::OpenDevice(const QString &Path, QString &Error)
{
    const QByteArray path = Path.toLocal8Bit();
    const int fd = ::open(path.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Error = SystemError(qPrintable(QStringLiteral("cannot open %1").arg(Path)));
        return nullptr;
    }
    if (isatty(fd)) {
        termios settings{};
        if (tcgetattr(fd, &settings) == 0)
            SetLine(settings);
        if (tcsetattr(fd, TCSANOW, &settings) != 0) {
            Error = SystemError(qPrintable(QStringLiteral("cannot set up %1").arg(Path)));
            ::close(fd);
            return nullptr;
        }
    }
    return std::unique_ptr<TSimOutput>(new TSimOutput(fd, Path, false));
}

TSimOutput::~TSimOutput()
{
    if (FOpenWatch >= 0)
        ::close(FOpenWatch);
    if (FFd >= 0)
        ::close(FFd);
}

TSimOutput::TReader TSimOutput::CheckReader()
{
    pollfd line{FFd, POLLOUT, 0};
    const bool present = poll(&line, 1, 0) >= 0 && (line.revents & (POLLHUP | POLLERR)) == 0;
    const bool reopened = ReaderReopened();
    const bool fresh = present && (!FReaderPresent || reopened);
    // What the last reader left unread must not reach the next one.
    if (FReaderPresent != present || fresh)
        DropPending();
    FReaderPresent = present;
    return {present, fresh};
}

bool TSimOutput::ReaderReopened()
{
    if (FOpenWatch < 0)
        return false;
    bool opened = false;
    alignas(inotify_event) char events[1024];
    while (::read(FOpenWatch, events, sizeof events) > 0)
        opened = true;
    return opened;
}

void TSimOutput::DropPending()
{
    if (FPseudoTerminal)
        tcflush(FFd, TCOFLUSH);
}

TSimOutput::TWriteResult TSimOutput::Write(const QByteArray &Bytes, QString &Error)
{
    const ssize_t written = ::write(FFd, Bytes.constData(), static_cast<size_t>(Bytes.size()));
    if (written == Bytes.size())
        return TWriteResult::Written;
    if (written >= 0 || errno == EAGAIN || errno == EPIPE || (FPseudoTerminal && errno == EIO))
        return TWriteResult::Dropped;
    Error = SystemError(qPrintable(QStringLiteral("cannot write to %1").arg(FPath)));
    return TWriteResult::Failed;
}

void TSimOutput::Close()
{
    if (FFd < 0)
        return;
    if (FPseudoTerminal && CheckReader().Present)
        WaitUntilTaken();
    ::close(FFd);
    FFd = -1;
}

void TSimOutput::WaitUntilTaken()
{
    using namespace std::chrono_literals;
    // Closing the master discards what the reader has not read yet. A second view of the
    // slave shows how much that is; where the reader holds the slave exclusively and we may
    // not open it, a short grace period has to do.
    const int peer = ioctl(FFd, TIOCGPTPEER, O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (peer < 0) {
        std::this_thread::sleep_for(200ms);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    // The last bytes written reach the slave's queue a moment later.
    std::this_thread::sleep_for(20ms);
    int waiting = 0;
    while (ioctl(peer, FIONREAD, &waiting) == 0 && waiting > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ::close(peer);
}
