#include "PseudoTerminal.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

TPseudoTerminal::TPseudoTerminal()
{
    int slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&FMaster, &slave, name, &raw, nullptr) != 0) {
        FMaster = -1;
        return;
    }
    FSlavePath = QString::fromLocal8Bit(name);
    // Nobody holds the slave until the port under test opens it.
    ::close(slave);
}

TPseudoTerminal::~TPseudoTerminal() { CloseMaster(); }

bool TPseudoTerminal::Write(const QByteArray &Bytes)
{
    qsizetype done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(FMaster, Bytes.constData() + done, static_cast<size_t>(Bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

void TPseudoTerminal::CloseMaster()
{
    if (FMaster >= 0)
        ::close(FMaster);
    FMaster = -1;
}
