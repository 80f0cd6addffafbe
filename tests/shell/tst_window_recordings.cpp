// The window's recordings on disk: what it receives is stored and shown again as it was, a
// killed program's recording is offered and restored at the next start, a store that cannot
// keep recordings is said once and reception goes on in memory, and two copies of the program
// keep their own recordings in the one file.
#include "MainFixture.h"
#include "recordings/FullCsv.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"
#include "recordings/Sqlite.h"
#include "shell/AppModule.h"
#include "shell/RecordingsDialog.h"
#include "shell/StoredExport.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/SaveDialogDriver.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>

namespace {

QString StoreFolder() { return QFileInfo(TfrmMain::RecordingsPath()).path(); }

QByteArrayList Lines(const TExportLines &Lines)
{
    QByteArrayList lines;
    for (std::size_t i = 0; i < Lines.Count(); ++i)
        lines << Lines.Line(i);
    return lines;
}

QByteArrayList ExportLinesOf(const TStoredRecording &Recording)
{
    TExportLines lines;
    FillExportLines(Recording, lines);
    return Lines(lines);
}

std::vector<TRecordingInfo> ListedRecordings()
{
    TRecordingStore store;
    store.Open(TfrmMain::RecordingsPath());
    std::vector<TRecordingInfo> listed = store.List();
    return listed;
}

std::optional<TStoredRecording> Stored(std::int64_t Id)
{
    TRecordingStore store;
    store.Open(TfrmMain::RecordingsPath());
    return store.Load(Id);
}

// The points of every series, as "x:y" texts, axis by axis and channel by channel.
QStringList PointsOf(TMainFixture &F)
{
    QStringList points;
    for (std::size_t axis = 0; axis < F.Form->Chart->SeriesGroups.size(); ++axis)
        for (int channel = 0; channel < ChannelCount; ++channel) {
            TChartSeries &series = F.Series(int(axis), channel);
            if (!series.Graph()) {
                points << QStringLiteral("%1/%2 bar %3").arg(axis).arg(channel).arg(series.BarValue());
                continue;
            }
            for (auto point = series.Graph()->data()->constBegin(); point != series.Graph()->data()->constEnd();
                 ++point)
                points << QStringLiteral("%1/%2:%3:%4").arg(axis).arg(channel).arg(point->key).arg(point->value);
        }
    return points;
}

// The real program receiving from the simulated charger as COM Com, opened by --com.
struct TProgramOnSim {
    TProgramOnSim(int Com, int Seed)
        : Sim({"--com", QString::number(Com), "--fast", "--quiet", "--seed", QString::number(Seed)})
    {
        SimReady = !Sim.WaitForLine("device ").isEmpty() && Sim.WaitForLine("com ") == QString::number(Com);
        Program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (SimReady)
            Program.start(qEnvironmentVariable("KORVANE_PROGRAM"), {"--com", QString::number(Com)});
    }
    bool Started() { return SimReady && Program.waitForStarted(); }

    TSimProcess Sim;
    QProcess Program; // ends before the simulator
    bool SimReady = false;
};

} // namespace

class TestWindowRecordings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void init()
    {
        QFile::setPermissions(StoreFolder(), QFileDevice::Permissions(0x7755));
        QDir(StoreFolder()).removeRecursively();
    }

    // A port's recording is stored as received and shown again with the chart, the rows, the
    // descriptions and the export lines as they stood, the port closed and nothing recorded anew.
    void StoredRecordingIsShownAgainAsReceived()
    {
        QByteArrayList liveLines;
        QStringList livePoints;
        {
            TMainFixture f;
            f.Form->show();
            f.OpenIn(fmSingle);
            f.Form->FRows[1].Description = QStringLiteral("AA 2700, 新");
            f.Form->vstChannelInfo->OnDescriptionChanged();
            for (int step = 0; step < 30; ++step)
                f.FeedStep(std::uint16_t(1200 + 7 * step), std::uint16_t(500 + step), std::uint16_t(step),
                           std::uint16_t(10 * step));
            // A channel that stops charging: its line ends, its capacity bar stays.
            for (int step = 0; step < 3; ++step)
                for (int channel = 0; channel < ChannelCount; ++channel)
                    f.Feed(channel == 2 ? MakeFrame(channel, 0, 0, 0, 0) : MakeFrame(channel, 1500, 520, 30, 300));
            liveLines = Lines(*f.Form->FExportLines);
            livePoints = PointsOf(f);
            QVERIFY(liveLines.size() > 120);
            f.Form->Charger->Close();
        }
        const std::vector<TRecordingInfo> listed = ListedRecordings();
        QCOMPARE(listed.size(), std::size_t(1));
        QVERIFY(listed[0].EndedCleanly);
        QCOMPARE(listed[0].ComNumber, std::uint16_t(1));
        QCOMPARE(listed[0].Descriptions[1], QStringLiteral("AA 2700, 新"));

        TMainFixture g;
        g.Form->show();
        TBoxAnswerer answerer(QMessageBox::Ok);
        g.Form->StartRecordings();
        QCOMPARE(answerer.Count(), 0); // ended cleanly: nothing to restore
        QVERIFY(g.Form->OpenStoredRecording(listed[0].Id));
        QCOMPARE(Lines(*g.Form->FExportLines), liveLines);
        QCOMPARE(PointsOf(g), livePoints);
        QCOMPARE(g.Form->FRows[1].Description, QStringLiteral("AA 2700, 新"));
        QVERIFY(!g.Port->Open());
        QVERIFY(g.Form->windowTitle().contains(QStringLiteral("记录")));
        for (int channel = 0; channel < ChannelCount; ++channel)
            QCOMPARE(g.Form->Charger->Channels().Items(channel).State, csIdle);
        // Showing it again recorded nothing; a port opened now starts a recording of its own.
        QCOMPARE(ListedRecordings().size(), std::size_t(1));
        g.OpenIn(fmSingle);
        g.FeedStep(1300, 400);
        QCOMPARE(g.Form->FExportLines->Count(), std::size_t(1 + 4));
        g.Form->Recorder->Flush();
        QCOMPARE(ListedRecordings().size(), std::size_t(2));
        QCOMPARE(answerer.Count(), 0);
    }

    // The 记录 command: a full export from the list, read back, then opening the recording.
    void RecordingsCommandExportsAndOpens()
    {
        {
            TMainFixture f;
            f.OpenIn(fmSingle);
            for (int step = 0; step < 12; ++step)
                f.FeedStep(std::uint16_t(1234 + step), 800, std::uint16_t(step), std::uint16_t(step * 3));
            f.Form->Charger->Close();
        }
        TMainFixture g;
        g.Form->show();
        const QString full = QDir(StoreFolder()).filePath(QStringLiteral("full.csv"));
        bool exported = false;
        WhenModalUp<TfrmRecordings>([&](TfrmRecordings *Dialog) {
            QCOMPARE(Dialog->lvRecordings->topLevelItemCount(), 1);
            Dialog->lvRecordings->topLevelItem(0)->setSelected(true);
            {
                TDialogDriver driver(full);
                Dialog->btnExportFull->click();
                exported = driver.Count == 1;
            }
            Dialog->btnOpen->click();
        });
        g.Form->actFileRecordings->trigger();
        QVERIFY(exported);
        QFile file(full);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArrayList lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 1 + 12 * 4 + 1);
        QCOMPARE(lines[0], FullCsvHeader + '\r');
        QVERIFY2(lines[1].contains(",1.234,800,0,0,"), lines[1].constData());
        // Opened from the list: the chart and the export lines hold the recording.
        QCOMPARE(g.Form->FExportLines->Count(), std::size_t(1 + 12 * 4));
        QCOMPARE(g.Series(0, 0).PointCount(), 12);
        QVERIFY(!g.Port->Open());
    }

    // The real program killed during reception: at the next start the recording is offered and
    // restored as far as it was committed, and its export holds those lines and nothing else.
    void KilledProgramIsRestoredAtTheNextStart()
    {
        constexpr int SimCom = 207;
        TProgramOnSim run(SimCom, 5);
        QVERIFY(run.Started());
        QProcess &program = run.Program;
        auto committed = [] {
            const std::vector<TRecordingInfo> listed = ListedRecordings();
            return listed.empty() ? std::int64_t(0) : listed.back().FrameCount;
        };
        QTRY_VERIFY_WITH_TIMEOUT(committed() >= 40, 30000);
        const TRecordingInfo info = ListedRecordings().back();
        const std::optional<TStoredRecording> before = Stored(info.Id);
        QVERIFY(before && before->Frames.size() >= 40);
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        const std::optional<TStoredRecording> after = Stored(info.Id);
        QVERIFY(after && after->Frames.size() >= before->Frames.size());
        QVERIFY(std::equal(before->Frames.begin(), before->Frames.end(), after->Frames.begin()));
        QVERIFY(!after->Info.EndedCleanly);

        TMainFixture f;
        f.Form->show();
        TBoxAnswerer answerer(QMessageBox::Ok);
        f.Form->StartRecordings();
        QCOMPARE(answerer.Count(), 1);
        QVERIFY2(answerer.Texts[0].startsWith(QStringLiteral("上次的记录没有正常结束。要恢复吗？")),
                 qPrintable(answerer.Texts[0]));
        QVERIFY2(answerer.Texts[0].contains(QStringLiteral("COM%1").arg(SimCom)), qPrintable(answerer.Texts[0]));
        QVERIFY(!f.Port->Open());

        const QString exported = QDir(StoreFolder()).filePath(QStringLiteral("restored.csv"));
        {
            TDialogDriver driver(exported);
            f.Form->actFileExportExecute();
            QCOMPARE(driver.Count, 1);
        }
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArrayList lines = file.readAll().split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        for (QByteArray &line : lines) {
            QVERIFY(line.endsWith('\r'));
            line.chop(1);
        }
        QCOMPARE(lines, ExportLinesOf(*after));
        const QByteArrayList committedLines = ExportLinesOf(*before);
        QCOMPARE(lines.mid(0, committedLines.size()), committedLines);
        QVERIFY(f.Series(0, 0).PointCount() + f.Series(0, 1).PointCount() + f.Series(0, 2).PointCount() +
                    f.Series(0, 3).PointCount() >
                0);

        // Answered once: the next start asks nothing, and the recording stays in the list.
        TMainFixture g;
        g.Form->StartRecordings();
        QCOMPARE(answerer.Count(), 1);
        QVERIFY(Stored(info.Id)->Info.EndedCleanly);
    }

    void StoreThatCannotKeepRecordingsIsSaidOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("records");
        QTest::newRow("garbage is moved aside") << "garbage"
                                                << "记录文件已损坏，已改名为 " << true;
        QTest::newRow("a truncated file is moved aside") << "truncated"
                                                         << "记录文件已损坏，已改名为 " << true;
        QTest::newRow("a folder in its place") << "folder"
                                               << "记录无法保存到磁盘" << false;
        QTest::newRow("made by a newer build") << "newer"
                                               << "记录文件由较新的版本创建" << false;
    }

    void StoreThatCannotKeepRecordingsIsSaidOnce()
    {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        QFETCH(bool, records);
        const QString path = TfrmMain::RecordingsPath();
        QVERIFY(QDir().mkpath(StoreFolder()));
        if (kind == QLatin1String("garbage")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < 8192; ++i)
                file.putChar(char((i * 7919) >> 3));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(path));
        } else {
            {
                TMainFixture f;
                f.OpenIn(fmSingle);
                for (int step = 0; step < 200; ++step)
                    f.FeedStep(1200, 500, std::uint16_t(step), std::uint16_t(step));
                f.Form->Charger->Close();
            }
            if (kind == QLatin1String("truncated")) {
                QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
            } else {
                TSqlDatabase db;
                QCOMPARE(db.Open(path, false), 0);
                QCOMPARE(db.Exec("PRAGMA user_version = 99"), 0);
            }
        }
        QByteArray before;
        if (QFileInfo(path).isFile()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            before = file.readAll();
        }

        TMainFixture f;
        f.Form->show();
        TBoxAnswerer answerer(QMessageBox::Ok);
        f.Form->StartRecordings();
        QCOMPARE(answerer.Count(), 1);
        QVERIFY2(answerer.Texts[0].startsWith(said), qPrintable(answerer.Texts[0]));
        QCOMPARE(f.Form->Recorder != nullptr, records);
        const QStringList aside =
            QDir(StoreFolder()).entryList({QStringLiteral("recordings.sqlite.damaged*")}, QDir::Files);
        if (records) {
            // The damaged file is kept as it was under its new name, never overwritten.
            QCOMPARE(aside.size(), 1);
            QVERIFY2(answerer.Texts[0].contains(aside[0]), qPrintable(answerer.Texts[0]));
            QFile moved(QDir(StoreFolder()).filePath(aside[0]));
            QVERIFY(moved.open(QIODevice::ReadOnly));
            QCOMPARE(moved.readAll(), before);
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QFileInfo(path).isDir());
        }
        // Reception goes on in memory either way, and nothing more is said.
        f.OpenIn(fmSingle);
        for (int step = 0; step < 10; ++step)
            f.FeedStep(1200, 500, std::uint16_t(step));
        if (f.Form->Recorder)
            f.Form->Recorder->Flush();
        QCoreApplication::processEvents();
        QCOMPARE(f.Series(0, 0).PointCount(), 10);
        QCOMPARE(answerer.Count(), 1);
    }

    // The disk filling up during a recording: one warning, and the chart keeps every point.
    void FullDiskIsSaidOnceAndReceptionGoesOn()
    {
        TMainFixture f;
        f.Form->show();
        TBoxAnswerer answerer(QMessageBox::Ok);
        f.OpenIn(fmSingle);
        f.FeedStep(1200, 500);
        f.Form->Recorder->Flush();
        const QString path = TfrmMain::RecordingsPath();
        const qint64 room =
            std::max(QFileInfo(path).size(), QFileInfo(path + QStringLiteral("-wal")).size()) + 64 * 1024;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit unlimited = limit;
        limit.rlim_cur = rlim_t(room);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        for (int step = 1; step < 3000; ++step) {
            f.FeedStep(std::uint16_t(1200 + step % 100), 500, std::uint16_t(step / 60));
            if (step % 500 == 0)
                f.Form->Recorder->Flush();
        }
        f.Form->Recorder->Flush();
        QTRY_COMPARE(answerer.Count(), 1);
        for (int step = 3000; step < 3100; ++step)
            f.FeedStep(1200, 500, std::uint16_t(step / 60));
        f.Form->Recorder->Flush();
        QTest::qWait(50);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &unlimited), 0);
        QCOMPARE(answerer.Count(), 1);
        QVERIFY2(answerer.Texts[0].contains(QStringLiteral("磁盘已满")), qPrintable(answerer.Texts[0]));
        QVERIFY(answerer.Texts[0].contains(QStringLiteral("记录只保存在内存中")));
        QVERIFY(f.Port->Open());
        QCOMPARE(f.Series(0, 3).PointCount(), 3100);
        QCOMPARE(f.Form->FExportLines->Count(), std::size_t(1 + 3100 * 4));
    }

    // Two copies at once, the real program on the simulator and this window: each recording
    // holds its own frames, and both end cleanly.
    void TwoCopiesKeepTheirOwnRecordings()
    {
        constexpr int SimCom = 208;
        TProgramOnSim run(SimCom, 8);
        QVERIFY(run.Started());
        QProcess &program = run.Program;

        TMainFixture f;
        f.OpenIn(fmSingle);
        // Both write at once: this window feeds steps until the program has committed frames
        // of its own, for a few seconds at least.
        auto programFrames = [] {
            for (const TRecordingInfo &info : ListedRecordings())
                if (info.ComNumber == SimCom)
                    return info.FrameCount;
            return std::int64_t(0);
        };
        QDeadlineTimer spell(2500);
        QDeadlineTimer limit(30000);
        int steps = 0;
        while (!limit.hasExpired() && (!spell.hasExpired() || programFrames() < 20)) {
            f.FeedStep(std::uint16_t(3000 + steps % 500), 700, std::uint16_t(steps));
            ++steps;
            QTest::qWait(2);
        }
        QVERIFY(programFrames() >= 20);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        f.Form->Charger->Close();
        f.Form->Recorder->Flush();

        const std::vector<TRecordingInfo> listed = ListedRecordings();
        QCOMPARE(listed.size(), std::size_t(2));
        int ours = 0;
        for (const TRecordingInfo &info : listed) {
            QVERIFY(info.EndedCleanly);
            const std::optional<TStoredRecording> stored = Stored(info.Id);
            QVERIFY2(stored && stored->Info.FrameCount > 0,
                     qPrintable(QStringLiteral("COM%1 %2 frames").arg(info.ComNumber).arg(info.FrameCount)));
            QCOMPARE(std::size_t(stored->Info.FrameCount), stored->Frames.size());
            if (info.ComNumber != 1) {
                QCOMPARE(info.ComNumber, std::uint16_t(SimCom));
                continue;
            }
            ++ours;
            QCOMPARE(ExportLinesOf(*stored), Lines(*f.Form->FExportLines));
            QCOMPARE(stored->Frames.size(), std::size_t(4 * steps));
        }
        QCOMPARE(ours, 1);
    }
};

QTEST_MAIN(TestWindowRecordings)
#include "tst_window_recordings.moc"
