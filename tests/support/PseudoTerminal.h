#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal whose master side the test holds: the slave path opens like a serial
// device; writing to the master is the charger sending; closing it is unplugging.
class TPseudoTerminal
{
public:
    TPseudoTerminal();
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal &) = delete;
    TPseudoTerminal &operator=(const TPseudoTerminal &) = delete;

    bool IsValid() const { return FMaster >= 0; }
    QString SlavePath() const { return FSlavePath; }
    bool Write(const QByteArray &Bytes);
    void CloseMaster();

private:
    int FMaster = -1;
    QString FSlavePath;
};
