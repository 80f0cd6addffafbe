#include "shell/Main.h"
#include "shell/AppModule.h"
#include "shell/CommandLine.h"
#include "shell/EndSignals.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    const TCommandLine commandLine = ParseCommandLine(CommandLineArguments(argc, argv));
    if (commandLine.Action != TCommandLine::clRun)
        return AnswerCommandLine(commandLine, argc, argv);
    QApplication application(argc, argv);
    InitializeModules();
    int result = 0;
    // Kept until the window is gone: a request to end never cuts its destroy steps short.
    TEndSignals endSignals;
    {
        TfrmMain frmMain;
        endSignals.OnEnd = [&frmMain] { frmMain.EndProgram(); };
        frmMain.show();
        // Once the window is up: what the recording store found and a recording to restore, then
        // the port of --com, opened as if picked from the recent list.
        QTimer::singleShot(0, &frmMain, [&frmMain, &commandLine] {
            frmMain.StartRecordings();
            if (commandLine.ComNumber != 0)
                frmMain.ReopenPort(commandLine.ComNumber);
        });
        result = QApplication::exec();
        endSignals.OnEnd = nullptr;
    }
    FinalizeModules();
    return result;
}
