// The settings store on a large file, and the port dialog with every number listed.
#include "settings/ChartSettings.h"
#include "settings/Constant.h"
#include "settings/Port.h"
#include "settings/PortTable.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QString SettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Korvane/Korvane.ini");
}

// About 100 MB: the program's own keys and recent list, and a large group of keys that some
// other tool or a careless edit left in the file, each holding ValueBytes.
void WriteLargeSettingsFile(int ValueBytes)
{
    QDir().mkpath(QFileInfo(SettingsFile()).path());
    QFile file(SettingsFile());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray text = "[Software]\nKorvane\\PageWidth=30\nKorvane\\MinToTray=1\n";
    for (int i = 0; i < 12; ++i)
        text += "Korvane\\OpenedList\\" + QByteArray::number(i) + '=' + QByteArray::number(i + 1) + '\n';
    text += "Korvane\\AxisRange\\Axis_0_Max=2495\nKorvane\\LinePen\\Line_3_Color=255\n[Leftover]\n";
    file.write(text);
    const QByteArray value(ValueBytes, 'x');
    QByteArray block;
    for (int i = 0; file.pos() + block.size() < 100'000'000; ++i) {
        block += "Key_" + QByteArray::number(i) + '=' + value + '\n';
        if (block.size() > 1'000'000) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
}

// What the main window reads while it starts, on a file the store has not seen yet.
void StartUpReadsOnLargeFile(benchmark::State &State)
{
    WriteLargeSettingsFile(int(State.range(0)));
    State.counters["MB"] = double(QFileInfo(SettingsFile()).size()) / 1e6;
    qint64 touch = 0;
    for (auto _ : State) {
        State.PauseTiming();
        // A new time on the file: the store parses it again, as at a fresh start.
        QFile(SettingsFile())
            .setFileTime(QDateTime::fromSecsSinceEpoch(1'700'000'000 + ++touch), QFileDevice::FileModificationTime);
        State.ResumeTiming();
        int axis = 0;
        for (const TValueToken kind : {vtUnLoadVoltage, vtCurrent, vtCapacity})
            benchmark::DoNotOptimize(ReadAxisRange(axis++, kind));
        for (int series = 0; series < 12; ++series)
            benchmark::DoNotOptimize(ReadLinePen(series));
        benchmark::DoNotOptimize(ReadPageSamples());
        benchmark::DoNotOptimize(LoadMinToTray());
        TRegistry registry;
        if (!registry.OpenKeyReadOnly(SettingsKeys::OpenedList))
            State.SkipWithError("no recent list");
        for (const QString &name : registry.GetValueNames())
            benchmark::DoNotOptimize(registry.ReadInteger(name));
    }
}

// What the main window writes as it quits: a recent list that changed since the start.
void QuitWriteOnLargeFile(benchmark::State &State)
{
    WriteLargeSettingsFile(int(State.range(0)));
    State.counters["MB"] = double(QFileInfo(SettingsFile()).size()) / 1e6;
    int turn = 0;
    for (auto _ : State) {
        ++turn;
        TRegistry registry;
        if (!registry.OpenKey(SettingsKeys::OpenedList, true))
            State.SkipWithError("cannot write");
        for (const QString &name : registry.GetValueNames())
            registry.DeleteValue(name);
        for (int i = 0; i < 12; ++i)
            registry.WriteInteger(QString::number(i), (i + turn) % 12 + 1);
        if (!registry.CloseKey())
            State.SkipWithError("not written");
    }
}

// The dialog as it opens with every number from 1 to 256 listed: each one a pseudo-terminal
// entered in the Ports table.
void PortDialogWith256Ports(benchmark::State &State)
{
    QFile::remove(SettingsFile());
    std::vector<int> fds;
    {
        TRegistry registry;
        registry.OpenKey(SettingsKeys::Ports, true);
        for (int number = 1; number <= HighestComNumber; ++number) {
            int master = -1;
            int slave = -1;
            char name[64] = {};
            if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
                State.SkipWithError("no pseudo-terminal");
                return;
            }
            fds.insert(fds.end(), {master, slave});
            registry.WriteString(QStringLiteral("COM%1").arg(number), QString::fromLocal8Bit(name));
        }
    }
    std::size_t listed = 0;
    for (auto _ : State) {
        TfrmPort dialog(nullptr);
        listed = AvailablePortNumbers([](int) { return true; }).size();
        benchmark::DoNotOptimize(dialog.SelectPorts());
    }
    State.counters["ports"] = double(listed);
    for (const int fd : fds)
        ::close(fd);
    QFile::remove(SettingsFile());
}

} // namespace

// Values of 40 bytes (about 1.6 million keys) and of 1000 bytes (about 100,000 keys).
BENCHMARK(StartUpReadsOnLargeFile)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(40)->Arg(1000);
BENCHMARK(QuitWriteOnLargeFile)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(40)->Arg(1000);
BENCHMARK(PortDialogWith256Ports)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(config.path()));
    QApplication application(argc, argv);
    LoadConstantTables();
    PortTable::InstallPortLookup();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
