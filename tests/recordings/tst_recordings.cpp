// The recording store through real files: written by the recorder's thread and read back,
// killed in the middle, damaged, full, locked, and shared by two processes.
#include "MadeFrames.h"
#include "recordings/FullCsv.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>

namespace {

QString ChildProgram() { return qEnvironmentVariable("RECORDING_CHILD"); }

// A folder that the child, which runs as nobody when the tests run as root, may write.
std::unique_ptr<QTemporaryDir> SharedFolder()
{
    auto folder = std::make_unique<QTemporaryDir>();
    QFile::setPermissions(folder->path(), QFileDevice::Permissions(0x7777));
    return folder;
}

QString IntegrityCheck(const QString &Path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(Path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *check = nullptr;
    QString result = QStringLiteral("cannot check: ") + QString::fromUtf8(sqlite3_errmsg(db));
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)));
    sqlite3_finalize(check);
    sqlite3_close(db);
    return result;
}

void Execute(const QString &Path, const char *Sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(Path.toUtf8().constData(), &db);
    QCOMPARE(sqlite3_exec(db, Sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

QByteArray Digest(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Lines "pushed N WALLMS" of a writing child: the wall clock of every frame it pushed.
std::vector<std::int64_t> PushedTimes(const QByteArray &Output)
{
    std::vector<std::int64_t> times;
    for (const QByteArray &line : Output.split('\n'))
        if (line.startsWith("pushed ")) {
            const QList<QByteArray> parts = line.split(' ');
            times.push_back(parts.value(2).toLongLong());
        }
    return times;
}

void WriteRecording(const QString &Path, int Seed, int Frames, bool End)
{
    TRecorder recorder(Path, nullptr, {20, 2000});
    recorder.Begin({1'700'000'000'000 + Seed,
                    std::uint16_t(Seed),
                    QStringLiteral("/dev/ttyUSB%1").arg(Seed),
                    0,
                    {QStringLiteral("AA, 2000 mAh"), QStringLiteral("say \"hi\"")}});
    for (int i = 0; i < Frames; ++i) {
        recorder.Push(MadeFrame(Seed, std::uint32_t(i), 1'700'000'000'000 + Seed + 1000 * i));
        if (i == Frames / 2) {
            recorder.SetFrameMode(2);
            recorder.SetDescription(2, QStringLiteral("新电池"));
        }
    }
    if (End)
        recorder.End();
    recorder.Flush();
}

} // namespace

class TRecordingsTest : public QObject
{
    Q_OBJECT

private slots:
    void writtenAndReadBack();
    void crashLosesAtMostTheLastCommit();
    void damagedFiles_data();
    void damagedFiles();
    void diskFullIsOneFailure();
    void lockHeldTooLongIsOneFailure();
    void twoProcessesWriteAtOnce();
};

void TRecordingsTest::writtenAndReadBack()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("deeper/recordings.sqlite"));
    TRecordingStore store;
    QCOMPARE(store.Open(path).Status, TStoreStatus::ssReady);
    WriteRecording(path, 1, 400, true);
    WriteRecording(path, 2, 9, true);

    std::vector<TRecordingInfo> list = store.List();
    QCOMPARE(list.size(), std::size_t(2));
    const TRecordingInfo first = list[0];
    QCOMPARE(first.StartedMs, 1'700'000'000'001);
    QCOMPARE(first.ComNumber, std::uint16_t(1));
    QCOMPARE(first.Device, QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(first.FrameMode, std::uint8_t(2));
    QVERIFY(first.EndedCleanly);
    QVERIFY(!first.Live);
    QCOMPARE(first.FrameCount, 400);
    QCOMPARE(first.LastStep, 99u);
    QCOMPARE(first.DurationMs, 399'000);
    QCOMPARE(first.ChargedChannels, std::uint8_t(0xF));
    // The last plausible capacity of each channel: frames 396..399 (396 has flag 3).
    for (int channel = 0; channel < 4; ++channel)
        QCOMPARE(first.FinalCapacity[std::size_t(channel)], MadeFrame(1, 396u + channel, 0).MilliAmpHours);
    QCOMPARE(first.Descriptions[0], QStringLiteral("AA, 2000 mAh"));
    QCOMPARE(first.Descriptions[2], QStringLiteral("新电池"));
    QVERIFY(first.SizeOnDisk > list[1].SizeOnDisk);
    QVERIFY(store.Unfinished().empty());

    std::optional<TStoredRecording> loaded = store.Load(first.Id);
    QVERIFY(loaded);
    QCOMPARE(loaded->Frames.size(), std::size_t(400));
    for (std::uint32_t i = 0; i < 400; ++i)
        QVERIFY2(loaded->Frames[i] == MadeFrame(1, i, 1'700'000'000'001 + 1000 * i), qPrintable(QString::number(i)));

    // Full-precision CSV: quoted descriptions, three decimals, UTC time with milliseconds.
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    QVERIFY(WriteFullCsv(*loaded, csv));
    const QList<QByteArray> lines = csv.data().split('\n');
    QCOMPARE(lines.size(), 402);
    QCOMPARE(lines[0], QByteArray("Time,#,Description,V,mA,min,mAh,°C,State\r"));
    QCOMPARE(lines[1], QByteArray("2023-11-14T22:13:20.001Z,1,\"AA, 2000 mAh\",1.001,0,0,1,20,idle\r"));
    QCOMPARE(lines[2], QByteArray("2023-11-14T22:13:21.001Z,2,\"say \"\"hi\"\"\",1.008,301,0,1,21,charging\r"));
    QCOMPARE(lines[3], QByteArray("2023-11-14T22:13:22.001Z,3,新电池,1.015,301,0,2,22,charging\r"));

    // A recording being written is live: not offered for restoring, not deleted, not marked.
    TRecorder live(path, nullptr, {20, 2000});
    live.Begin({1, 7, QStringLiteral("/dev/ttyS6"), 1, {}});
    live.Push(MadeFrame(7, 0, 5));
    live.Flush();
    QVERIFY(live.CurrentId() > list[1].Id);
    list = store.List();
    QCOMPARE(list.size(), std::size_t(3));
    QVERIFY(list[2].Live);
    QVERIFY(!list[2].EndedCleanly);
    QVERIFY(store.Unfinished().empty());
    QCOMPARE(store.Delete({list[2].Id}), 0);
    QVERIFY(!store.MarkEnded(list[2].Id));

    // Deleting gives the pages back: the file shrinks and the other recordings stay whole.
    const qint64 before = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
    QVERIFY2(store.Delete({first.Id, 12345}) == 1, qPrintable(store.LastError()));
    QVERIFY(!store.Load(first.Id));
    QCOMPARE(store.List().size(), std::size_t(2));
    QCOMPARE(store.Load(list[1].Id)->Frames.size(), std::size_t(9));
    live.End();
    live.Flush();
    Execute(path, "PRAGMA wal_checkpoint(TRUNCATE)");
    QVERIFY(QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size() < before);
    QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
}

void TRecordingsTest::crashLosesAtMostTheLastCommit()
{
    auto folder = SharedFolder();
    const QString path = folder->filePath(QStringLiteral("recordings.sqlite"));
    QProcess child;
    child.start(ChildProgram(),
                {QStringLiteral("write"), path, QStringLiteral("5"), QStringLiteral("1"), QStringLiteral("0")});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    // About four seconds of frames, one every 10 ms, then kill -9 in the middle of the next second.
    QTRY_VERIFY_WITH_TIMEOUT((output += child.readAllStandardOutput(), PushedTimes(output).size() >= 400), 60'000);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    const std::int64_t killedAt = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(child.waitForFinished());
    output += child.readAllStandardOutput();
    const std::vector<std::int64_t> pushed = PushedTimes(output);

    TRecordingStore store;
    QCOMPARE(store.Open(path).Status, TStoreStatus::ssReady);
    const std::vector<TRecordingInfo> unfinished = store.Unfinished();
    QCOMPARE(unfinished.size(), std::size_t(1));
    QCOMPARE(unfinished[0].ComNumber, std::uint16_t(5));
    std::optional<TStoredRecording> stored = store.Load(unfinished[0].Id);
    QVERIFY(stored);
    // Nothing torn: the summary counts what is there, and what is there is a prefix of what
    // was pushed, frame for frame.
    QCOMPARE(std::size_t(stored->Info.FrameCount), stored->Frames.size());
    QVERIFY(stored->Frames.size() <= pushed.size());
    for (std::uint32_t i = 0; i < stored->Frames.size(); ++i)
        QVERIFY2(stored->Frames[i] == MadeFrame(5, i, pushed[i]), qPrintable(QString::number(i)));
    QCOMPARE(stored->Info.LastStep, stored->Frames.back().Step);
    // Missing is at most what came in the last commit's second (and the commit's own time).
    for (std::size_t i = stored->Frames.size(); i < pushed.size(); ++i)
        QVERIFY2(killedAt - pushed[i] < 2500,
                 qPrintable(QStringLiteral("frame %1 pushed %2 ms before the kill").arg(i).arg(killedAt - pushed[i])));
    QVERIFY(stored->Frames.size() >= 200);
    QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));

    QVERIFY(store.MarkEnded(unfinished[0].Id));
    QVERIFY(store.Unfinished().empty());
    QVERIFY(store.Info(unfinished[0].Id)->EndedCleanly);
}

void TRecordingsTest::damagedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("movedAside");
    QTest::newRow("truncated to half is moved aside") << "truncated" << int(TStoreStatus::ssRenewed) << true;
    QTest::newRow("garbage is moved aside") << "garbage" << int(TStoreStatus::ssRenewed) << true;
    QTest::newRow("a header and garbage is moved aside") << "header" << int(TStoreStatus::ssRenewed) << true;
    QTest::newRow("another program's database is moved aside") << "foreign" << int(TStoreStatus::ssRenewed) << true;
    QTest::newRow("an empty file becomes the store") << "empty" << int(TStoreStatus::ssReady) << false;
    QTest::newRow("a newer version is read only") << "newer" << int(TStoreStatus::ssReadOnly) << false;
    QTest::newRow("a folder in its place") << "folder" << int(TStoreStatus::ssUnavailable) << false;
    QTest::newRow("a read-only file") << "read-only file" << int(TStoreStatus::ssUnavailable) << false;
    QTest::newRow("a read-only folder") << "read-only folder" << int(TStoreStatus::ssUnavailable) << false;
    QTest::newRow("a read-only folder without the file")
        << "read-only empty folder" << int(TStoreStatus::ssUnavailable) << false;
}

void TRecordingsTest::damagedFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(bool, movedAside);
    auto folder = SharedFolder();
    const QString path = folder->filePath(QStringLiteral("recordings.sqlite"));
    auto writable = [&] { QFile::setPermissions(path, QFileDevice::Permissions(0x6666)); };
    if (kind == QLatin1String("truncated") || kind == QLatin1String("newer") || kind.startsWith("read-only f")) {
        {
            TRecordingStore store;
            QVERIFY(store.Open(path).CanRecord());
        }
        WriteRecording(path, 3, 3000, true);
        if (kind == QLatin1String("truncated"))
            QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
        if (kind == QLatin1String("newer"))
            Execute(path, "PRAGMA user_version = 99");
        QFile::remove(path + QStringLiteral(".live"));
        writable();
    } else if (kind == QLatin1String("garbage") || kind == QLatin1String("header")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes(8192, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919) >> 3);
        if (kind == QLatin1String("header"))
            bytes.replace(0, 16, QByteArray("SQLite format 3\0", 16));
        file.write(bytes);
        file.close();
        writable();
    } else if (kind == QLatin1String("foreign")) {
        Execute(path, "CREATE TABLE addresses (name TEXT); INSERT INTO addresses VALUES ('x')");
        writable();
    } else if (kind == QLatin1String("empty")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        writable();
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    }
    if (kind == QLatin1String("read-only file"))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (kind.startsWith(QLatin1String("read-only")) && kind.endsWith(QLatin1String("folder")))
        QFile::setPermissions(folder->path(), QFileDevice::Permissions(0x5555));
    const QByteArray before = Digest(path);

    // The child opens the store as the user would (not as root: modes bind it).
    QProcess child;
    child.start(ChildProgram(), {QStringLiteral("open"), path});
    QVERIFY(child.waitForFinished());
    const QList<QByteArray> said = child.readAllStandardOutput().split('\n');
    QCOMPARE(said.value(0), QByteArray("status=") + QByteArray::number(status));
    const QString moved = QString::fromUtf8(said.value(1).mid(6));
    QFile::setPermissions(folder->path(), QFileDevice::Permissions(0x7777));

    if (movedAside) {
        // Moved aside whole, and a working store made in its place.
        QVERIFY(moved.startsWith(path + QStringLiteral(".damaged-")));
        QCOMPARE(Digest(moved), before);
        TRecordingStore store;
        QCOMPARE(store.Open(path).Status, TStoreStatus::ssReady);
        QVERIFY(store.List().empty());
        WriteRecording(path, 4, 5, true);
        QCOMPARE(store.List().size(), std::size_t(1));
    } else {
        QVERIFY(moved.isEmpty());
        if (kind != QLatin1String("empty"))
            QCOMPARE(Digest(path), before);
        QCOMPARE(QDir(folder->path()).entryList({QStringLiteral("*.damaged-*")}), QStringList());
    }
    if (kind == QLatin1String("newer")) {
        TRecordingStore store;
        QVERIFY(!store.Open(path).CanRecord());
        QCOMPARE(store.List().size(), std::size_t(1));
        QCOMPARE(store.Delete({store.List()[0].Id}), 0);
        QCOMPARE(Digest(path), before);
    }
}

void TRecordingsTest::diskFullIsOneFailure()
{
    auto folder = SharedFolder();
    const QString path = folder->filePath(QStringLiteral("recordings.sqlite"));
    QProcess child;
    // 100 frames every 10 ms, some 400 kB a commit, against a file size limit of 1 MiB.
    child.start(ChildProgram(), {QStringLiteral("write"), path, QStringLiteral("6"), QStringLiteral("100"),
                                 QStringLiteral("400"), QStringLiteral("1048576")});
    QVERIFY(child.waitForFinished(120'000));
    const QByteArray output = child.readAllStandardOutput();
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(output.count("\nfailure "), 1);
    QVERIFY2(output.contains("\nfailure 0 "), output.right(300).constData());
    QVERIFY(output.contains("done 40000 failures=1"));
    // Pushing went on without waiting for the disk: no push took anything like a commit.
    const qsizetype at = output.indexOf("longest_push_us=");
    QVERIFY2(output.mid(at + 16).trimmed().toLongLong() < 100'000, output.mid(at).constData());

    // What was committed before the disk filled is intact and offered for restoring.
    TRecordingStore store;
    QCOMPARE(store.Open(path).Status, TStoreStatus::ssReady);
    const std::vector<TRecordingInfo> unfinished = store.Unfinished();
    QCOMPARE(unfinished.size(), std::size_t(1));
    std::optional<TStoredRecording> stored = store.Load(unfinished[0].Id);
    QVERIFY(stored && !stored->Frames.empty() && stored->Frames.size() < 40000);
    QCOMPARE(stored->Frames.back().Step, (stored->Frames.size() - 1) / 4);
    QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
}

void TRecordingsTest::lockHeldTooLongIsOneFailure()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("recordings.sqlite"));
    TRecordingStore store;
    QVERIFY(store.Open(path).CanRecord());
    sqlite3 *other = nullptr;
    sqlite3_open(path.toUtf8().constData(), &other);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    TRecorder recorder(path, nullptr, {20, 200});
    std::vector<TWriteFailure> failures;
    recorder.OnWriteFailure = [&failures](const TWriteFailure &Failure) { failures.push_back(Failure); };
    recorder.Begin({1, 1, QStringLiteral("/dev/ttyS0"), 1, {}});
    for (std::uint32_t i = 0; i < 100; ++i) {
        recorder.Push(MadeFrame(1, i, i));
        QTest::qWait(5);
    }
    QTRY_COMPARE(failures.size(), std::size_t(1));
    QCOMPARE(failures[0].Kind, TWriteFailureKind::wfLocked);
    QVERIFY(recorder.Failed());
    recorder.Push(MadeFrame(1, 100, 100));
    recorder.Flush();
    QTest::qWait(50);
    QCOMPARE(failures.size(), std::size_t(1));

    // Once the other copy lets go, the next recording is written again.
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    recorder.Begin({2, 2, QStringLiteral("/dev/ttyS1"), 1, {}});
    QVERIFY(!recorder.Failed());
    recorder.Push(MadeFrame(2, 0, 2));
    recorder.End();
    recorder.Flush();
    const std::vector<TRecordingInfo> list = store.List();
    QCOMPARE(list.size(), std::size_t(1));
    QCOMPARE(list[0].ComNumber, std::uint16_t(2));
    QVERIFY(list[0].EndedCleanly);
    QCOMPARE(failures.size(), std::size_t(1));
}

void TRecordingsTest::twoProcessesWriteAtOnce()
{
    auto folder = SharedFolder();
    const QString path = folder->filePath(QStringLiteral("recordings.sqlite"));
    QProcess copies[2];
    for (int i = 0; i < 2; ++i)
        copies[i].start(ChildProgram(), {QStringLiteral("write"), path, QString::number(11 + i), QStringLiteral("4"),
                                         QStringLiteral("250")});
    std::vector<std::int64_t> pushed[2];
    for (int i = 0; i < 2; ++i) {
        QVERIFY(copies[i].waitForFinished(120'000));
        const QByteArray output = copies[i].readAllStandardOutput();
        QVERIFY2(output.contains("done 1000 failures=0"), output.right(200).constData());
        pushed[i] = PushedTimes(output);
    }

    TRecordingStore store;
    QCOMPARE(store.Open(path).Status, TStoreStatus::ssReady);
    const std::vector<TRecordingInfo> list = store.List();
    QCOMPARE(list.size(), std::size_t(2));
    for (const TRecordingInfo &info : list) {
        QVERIFY(info.EndedCleanly);
        const int copy = info.ComNumber - 11;
        QVERIFY(copy == 0 || copy == 1);
        std::optional<TStoredRecording> stored = store.Load(info.Id);
        QCOMPARE(stored->Frames.size(), std::size_t(1000));
        for (std::uint32_t i = 0; i < 1000; ++i)
            QVERIFY(stored->Frames[i] == MadeFrame(11 + copy, i, pushed[copy][i]));
    }
    QCOMPARE(IntegrityCheck(path), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TRecordingsTest)
#include "tst_recordings.moc"
