#include "ExitSignals.h"
#include "SimOptions.h"
#include "SimOutput.h"
#include "Simulator.h"

#include "settings/Constant.h"
#include "settings/PortTable.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane-charger-sim"));
    // The version stamped into the simulator's file, as the monitor's about box reads its own.
    QCoreApplication::setApplicationVersion(FormatAppVersion());
    QTextStream out(stdout);
    QTextStream err(stderr);

    TSimOptions options;
    QString error;
    if (!ParseOptions(QCoreApplication::arguments(), options, error)) {
        err << error << Qt::endl;
        return 2;
    }
    InstallExitSignals();

    std::unique_ptr<TSimOutput> output = options.Device.isEmpty() ? TSimOutput::OpenPseudoTerminal(error)
                                                                  : TSimOutput::OpenDevice(options.Device, error);
    if (!output) {
        err << error << Qt::endl;
        return 1;
    }
    out << "device " << output->DevicePath() << Qt::endl;
    if (options.ComNumber > 0) {
        if (!PortTable::WritePortDevice(options.ComNumber, output->DevicePath())) {
            err << "cannot enter the line in the Ports table" << Qt::endl;
            return 1;
        }
        out << "com " << options.ComNumber << Qt::endl;
    }

    TSimulator simulator(options, *output, options.Quiet ? err : out);
    const bool ok = simulator.Run();
    output->Close();
    // Only our own entry goes: another simulator may have taken the number since.
    if (options.ComNumber > 0 && PortTable::ReadPortDevice(options.ComNumber) == output->DevicePath())
        PortTable::RemovePortDevice(options.ComNumber);
    if (!options.Quiet)
        out << "frames " << simulator.FramesWritten() << Qt::endl;
    return ok ? 0 : 1;
}
