#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// The simulated charger as a child process; terminated (removing its port entry) when done.
class TSimProcess
{
public:
    explicit TSimProcess(const QStringList &Arguments)
    {
        FProcess.setProgram(qEnvironmentVariable("KORVANE_SIM"));
        FProcess.setArguments(Arguments);
        FProcess.start();
    }
    ~TSimProcess()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            FProcess.waitForFinished(5000);
        }
    }
    // The next stdout line that starts with Prefix, without it; empty after 10 s.
    QString WaitForLine(const QString &Prefix)
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            while (FProcess.canReadLine()) {
                const QString line = QString::fromLocal8Bit(FProcess.readLine()).trimmed();
                if (line.startsWith(Prefix))
                    return line.mid(Prefix.size());
            }
            if (!FProcess.waitForReadyRead(100) && FProcess.state() == QProcess::NotRunning)
                break;
        }
        return {};
    }
    QProcess &Process() { return FProcess; }

private:
    QProcess FProcess;
};
