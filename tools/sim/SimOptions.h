#pragma once

#include "FaultInjector.h"

#include <QString>
#include <QStringList>

#include <cstdint>

struct TSimOptions {
    QString Device;    // empty: a pseudo-terminal of our own
    int ComNumber = 0; // 0: not entered in the Ports table
    bool GroupMode = false;
    bool Fast = false;
    bool Quiet = false;
    std::uint32_t Seed = 1;
    TFaultRates Faults;
    qint64 FrameLimit = 0; // frames written; 0: no limit
    double Duration = 0;   // seconds; 0: no limit
    double Scale = 1;      // model seconds per second of a charger at its real pace
};

// Fills Options from the command line; on false, Error says what is wrong. --help prints
// the usage and --version the application version, and each ends the process.
bool ParseOptions(const QStringList &Arguments, TSimOptions &Options, QString &Error);
