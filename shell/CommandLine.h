#pragma once
// The program's command line: --version, --help and --com N. It is read before any window
// system is needed, so that the version and the usage answer on a terminal without a display.
#include <QString>
#include <QStringList>

#include <cstdint>

struct TCommandLine {
    enum TAction { clRun, clVersion, clHelp, clError };
    TAction Action = clRun;
    std::uint16_t ComNumber = 0; // the port to open at start-up; 0: none
    QString Error;               // what is wrong, on clError
};

// Reads Arguments, the program's path first. Qt's own window-system options (-platform,
// -style, ...) pass, since the application object takes them later.
TCommandLine ParseCommandLine(const QStringList &Arguments);
// The usage text: the options with their descriptions.
QString CommandLineHelp();
// The arguments as the system passed them.
QStringList CommandLineArguments(int Argc, char **Argv);
// Prints the version text, the usage or the error with the usage, and gives the exit code.
int AnswerCommandLine(const TCommandLine &CommandLine, int &Argc, char **Argv);
