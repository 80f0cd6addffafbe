// The stored-recordings dialog over a real database: recordings written by the real recorder
// (one by a process that died before ending it, one still being written), listed, opened,
// exported and deleted as a user would, with the answers read back from a fresh store.
#include "display/ExportLines.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"
#include "shell/RecordingsDialog.h"
#include "shell/StoredExport.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TempConfig.h"

#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <ctime>
#include <map>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(TRecordingInfo)

namespace {

enum TWritten { Unfinished, OneChannel, Described, Live };

// 2024-03-05 00:30 UTC, 08:30 on the test's clock (UTC+8).
constexpr std::int64_t FirstStartMs = 1'709'598'600'000;
constexpr std::int64_t DayMs = 86'400'000;

TRecordedFrame Frame(std::int64_t StartMs, std::int64_t AfterMs, std::uint32_t Step, int Channel, int MilliVolts,
                     int MilliAmps, int Minutes, int MilliAmpHours)
{
    TRecordedFrame frame;
    frame.WallMs = StartMs + AfterMs;
    frame.Step = Step;
    frame.Channel = std::uint8_t(Channel);
    frame.MilliVolts = std::uint16_t(MilliVolts);
    frame.MilliAmps = std::uint16_t(MilliAmps);
    frame.Minutes = std::uint16_t(Minutes);
    frame.MilliAmpHours = std::uint16_t(MilliAmpHours);
    frame.Temperature = 25;
    frame.State = MilliAmps > 0 ? 2 : 1; // charging, else idle
    frame.Flag = 1;
    return frame;
}

TRecordingStart Start(TWritten Which, std::uint16_t ComNumber, std::array<QString, RecordedChannels> Descriptions = {})
{
    return {FirstStartMs + Which * DayMs, ComNumber, QStringLiteral("/dev/ttyUSB0"), 0, std::move(Descriptions)};
}

void Write(TRecorder &Recorder, const TRecordingStart &Begin, const std::vector<TRecordedFrame> &Frames)
{
    Recorder.Begin(Begin);
    for (const TRecordedFrame &frame : Frames)
        Recorder.Push(frame);
    Recorder.Flush();
}

QTreeWidgetItem *RowOf(TfrmRecordings *Dialog, std::int64_t Id)
{
    for (int i = 0; i < Dialog->lvRecordings->topLevelItemCount(); ++i)
        if (Dialog->lvRecordings->topLevelItem(i)->data(0, Qt::UserRole).toLongLong() == Id)
            return Dialog->lvRecordings->topLevelItem(i);
    return nullptr;
}

std::vector<std::int64_t> ListedIds(TfrmRecordings *Dialog)
{
    std::vector<std::int64_t> ids;
    for (int i = 0; i < Dialog->lvRecordings->topLevelItemCount(); ++i)
        ids.push_back(Dialog->lvRecordings->topLevelItem(i)->data(0, Qt::UserRole).toLongLong());
    return ids;
}

// Clicks the recording's row; with Ctrl the row joins the selection.
void ClickRow(TfrmRecordings *Dialog, std::int64_t Id, Qt::KeyboardModifiers Keys = {})
{
    QTreeWidgetItem *row = RowOf(Dialog, Id);
    QVERIFY(row);
    QTest::mouseClick(Dialog->lvRecordings->viewport(), Qt::LeftButton, Keys,
                      Dialog->lvRecordings->visualItemRect(row).center());
}

// A press and release, then the second press that the system reports as a double-click.
void DoubleClickRow(TfrmRecordings *Dialog, std::int64_t Id)
{
    ClickRow(Dialog, Id);
    QTest::mouseDClick(Dialog->lvRecordings->viewport(), Qt::LeftButton, {},
                       Dialog->lvRecordings->visualItemRect(RowOf(Dialog, Id)).center());
}

// Which of open, delete, export and full export are enabled, as "1101".
QString EnabledButtons(TfrmRecordings *Dialog)
{
    QString state;
    for (const QPushButton *button : {Dialog->btnOpen, Dialog->btnDelete, Dialog->btnExport, Dialog->btnExportFull})
        state += button->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return state;
}

std::vector<std::int64_t> StoredIds(const QString &Path)
{
    TRecordingStore fresh;
    fresh.Open(Path);
    std::vector<std::int64_t> ids;
    for (const TRecordingInfo &info : fresh.List())
        ids.push_back(info.Id);
    return ids;
}

} // namespace

class TestRecordingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void rowTexts_data();
    void rowTexts();
    void listsNewestFirstAndSelectionEnablesTheButtons();
    void openAndExportHandOverTheChosenRecording();
    void storedFramesGiveTheWindowsExportLines_data();
    void storedFramesGiveTheWindowsExportLines();
    void deleteAsksAndKeepsWhatIsBeingWritten();

private:
    QTemporaryDir FFolder;
    QString FPath;
    std::map<TWritten, std::vector<TRecordedFrame>> FFrames;
    std::map<TWritten, std::int64_t> FIds;
    std::unique_ptr<TRecorder> FLiveRecorder;
    TRecordingStore FStore;
};

void TestRecordingsDialog::initTestCase()
{
    UseTemporaryConfig();
    // A clock away from UTC, so that a start shown in UTC is caught.
    qputenv("TZ", "CST-8");
    tzset();
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    FPath = FFolder.filePath(QStringLiteral("recordings.sqlite"));
    {
        // The recorder writes into a database that the program's store made.
        TRecordingStore maker;
        QCOMPARE(maker.Open(FPath).Status, TStoreStatus::ssReady);
    }

    // Ended by nobody: the writing process dies after its last commit. Forked before any other
    // thread of this process runs.
    FFrames[Unfinished] = {Frame(Start(Unfinished, 7).StartedMs, 0, 0, 3, 1250, 400, 0, 0),
                           Frame(Start(Unfinished, 7).StartedMs, 59'999, 1, 3, 1310, 400, 0, 300)};
    const pid_t child = fork();
    if (child == 0) {
        auto *recorder = new TRecorder(FPath, nullptr, {20, 2000});
        Write(*recorder, Start(Unfinished, 7, {QString(), QString(), QString(), QStringLiteral("旧电池")}),
              FFrames[Unfinished]);
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    {
        // Channel 2 charges for an hour; channel 1 only reports idle.
        const std::int64_t at = Start(OneChannel, 3).StartedMs;
        FFrames[OneChannel] = {Frame(at, 0, 0, 1, 1300, 500, 0, 0), Frame(at, 1'000, 0, 0, 0, 0, 0, 0),
                               Frame(at, 1'830'000, 1, 1, 1400, 500, 30, 250),
                               Frame(at, 3'690'000, 2, 1, 1450, 500, 61, 850)};
        // Channels 1 and 3 charge, channel 2 is idle with a capacity left from before.
        const std::int64_t described = Start(Described, 200).StartedMs;
        for (int i = 0; i < 40; ++i) {
            const int channel = i % 3;
            const int target = channel == 0 ? 2703 : channel == 2 ? 1200 : 77;
            FFrames[Described].push_back(Frame(described, i * 190'000LL, std::uint32_t(i / 3), channel,
                                               1200 + i * 7 + channel, channel == 1 ? 0 : 500 * (2 - channel / 2),
                                               i * 190'000 / 60'000, channel == 1 ? 77 : std::min(target, i * 100)));
        }
        TRecorder recorder(FPath, nullptr, {20, 2000});
        Write(recorder, Start(OneChannel, 3), FFrames[OneChannel]);
        recorder.End();
        Write(recorder,
              Start(Described, 200, {QStringLiteral("AA, 2000 mAh"), QString(), QStringLiteral("新电池"), QString()}),
              FFrames[Described]);
        recorder.End();
        recorder.Flush();
    }

    // Still being written while the dialog runs: all four channels idle.
    const std::int64_t live = Start(Live, 12).StartedMs;
    for (int i = 0; i < 4; ++i)
        FFrames[Live].push_back(Frame(live, 2'700'000 * i / 3, 0, i, 1280 + i, 0, 0, 0));
    FLiveRecorder = std::make_unique<TRecorder>(FPath, nullptr, TRecorderTiming{20, 2000});
    Write(*FLiveRecorder, Start(Live, 12), FFrames[Live]);

    QCOMPARE(FStore.Open(FPath).Status, TStoreStatus::ssReady);
    const std::vector<TRecordingInfo> listed = FStore.List();
    QCOMPARE(listed.size(), std::size_t(4));
    for (const TRecordingInfo &info : listed)
        FIds[static_cast<TWritten>((info.StartedMs - FirstStartMs) / DayMs)] = info.Id;
    QCOMPARE(FIds.size(), std::size_t(4));
}

void TestRecordingsDialog::cleanupTestCase() { FLiveRecorder.reset(); }

void TestRecordingsDialog::rowTexts_data()
{
    // The size column holds only the unit here; the number is checked against the store's size.
    QTest::addColumn<TRecordingInfo>("info");
    QTest::addColumn<QStringList>("expected");
    auto written = [this](TWritten Which) { return FStore.Info(FIds[Which]).value_or(TRecordingInfo{}); };

    QTest::newRow("died before ending: marked, under a minute is 0:00")
        << written(Unfinished)
        << QStringList{"2024-03-05 08:30", "COM7", "0:00", "4", "4: 300 mAh", "旧电池", "KB", "未正常结束"};
    QTest::newRow("one channel charged, an idle one left out")
        << written(OneChannel) << QStringList{"2024-03-06 08:30", "COM3", "1:01", "2", "2: 850 mAh", "", "KB", ""};
    QTest::newRow("two charged channels and their descriptions")
        << written(Described)
        << QStringList{"2024-03-07 08:30",     "COM200", "2:03", "1, 3", "1: 2703 mAh, 3: 1200 mAh",
                       "AA, 2000 mAh; 新电池", "KB",     ""};
    QTest::newRow("being written") << written(Live)
                                   << QStringList{"2024-03-08 08:30", "COM12", "0:45", "", "", "", "KB", "记录中"};

    TRecordingInfo big;
    big.StartedMs = 1'735'660'800'000; // 2024-12-31 16:00 UTC: already the new year locally
    big.ComNumber = 256;
    big.EndedCleanly = true;
    big.DurationMs = (26 * 60 + 3) * 60'000LL + 59'999;
    big.ChargedChannels = 0b1001;
    big.FinalCapacity = {1500, 10, 20, 2222};
    big.Descriptions = {QString(), QStringLiteral("x"), QString(), QStringLiteral("y")};
    big.SizeOnDisk = 1024 * 1024 - 1; // would read "1024.0 KB"
    QTest::newRow("a day and more, just under a megabyte")
        << big
        << QStringList{"2025-01-01 00:00", "COM256", "26:03", "1, 4", "1: 1500 mAh, 4: 2222 mAh", "x; y", "MB", ""};
}

void TestRecordingsDialog::rowTexts()
{
    QFETCH(TRecordingInfo, info);
    QFETCH(QStringList, expected);
    const QStringList texts = RecordingRowTexts(info);
    QCOMPARE(texts.size(), int(TRecordingColumn::Count));
    const int size = int(TRecordingColumn::Size);
    for (int column = 0; column < texts.size(); ++column)
        if (column != size)
            QCOMPARE(texts[column], expected[column]);

    const QRegularExpressionMatch shown =
        QRegularExpression(QStringLiteral("^([\\d,]+\\.\\d) ([KM]B)$")).match(texts[size]);
    QVERIFY2(shown.hasMatch(), qPrintable(texts[size]));
    QCOMPARE(shown.captured(2), expected[size]);
    const double unit = expected[size] == QLatin1String("MB") ? 1024.0 * 1024.0 : 1024.0;
    QVERIFY(info.SizeOnDisk > 0);
    QVERIFY2(std::abs(QLocale().toDouble(shown.captured(1)) * unit - double(info.SizeOnDisk)) <= 0.05 * unit,
             qPrintable(texts[size] + QStringLiteral(" for %1 bytes").arg(info.SizeOnDisk)));
}

void TestRecordingsDialog::listsNewestFirstAndSelectionEnablesTheButtons()
{
    TfrmRecordings dialog(FStore, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("记录"));
    QCOMPARE(dialog.btnExportFull->text(), QStringLiteral("导出完整数据..."));
    QCOMPARE(ListedIds(&dialog),
             (std::vector<std::int64_t>{FIds[Live], FIds[Described], FIds[OneChannel], FIds[Unfinished]}));
    // Each row shows its own recording, not its neighbour's.
    for (const auto &[which, id] : FIds) {
        QStringList shown;
        for (int column = 0; column < int(TRecordingColumn::Count); ++column)
            shown << RowOf(&dialog, id)->text(column);
        QCOMPARE(shown, RecordingRowTexts(*FStore.Info(id)));
    }

    QCOMPARE(EnabledButtons(&dialog), QStringLiteral("0000"));
    QVERIFY(dialog.btnClose->isEnabled());
    ClickRow(&dialog, FIds[Described]);
    QCOMPARE(EnabledButtons(&dialog), QStringLiteral("1111"));
    ClickRow(&dialog, FIds[Unfinished], Qt::ControlModifier);
    QCOMPARE(EnabledButtons(&dialog), QStringLiteral("0100"));
    ClickRow(&dialog, FIds[Described], Qt::ControlModifier);
    QCOMPARE(EnabledButtons(&dialog), QStringLiteral("1111"));
    dialog.Refresh();
    QCOMPARE(EnabledButtons(&dialog), QStringLiteral("0000"));
    QCOMPARE(dialog.lvRecordings->topLevelItemCount(), 4);
}

void TestRecordingsDialog::openAndExportHandOverTheChosenRecording()
{
    TfrmRecordings dialog(FStore, nullptr);
    std::vector<std::int64_t> opened;
    bool openSucceeds = false;
    dialog.OnOpen = [&](std::int64_t Id) {
        opened.push_back(Id);
        return openSucceeds;
    };
    std::vector<std::pair<std::int64_t, bool>> exported;
    dialog.OnExport = [&](std::int64_t Id, bool Full) { exported.emplace_back(Id, Full); };

    WhenModalUp<TfrmRecordings>([&](TfrmRecordings *d) {
        ClickRow(d, FIds[Described]);
        d->btnExport->click();
        d->btnExportFull->click();
        d->btnOpen->click();
        QVERIFY2(d->isVisible(), "a recording that did not open closed the dialog");
        openSucceeds = true;
        DoubleClickRow(d, FIds[OneChannel]);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(opened, (std::vector<std::int64_t>{FIds[Described], FIds[OneChannel]}));
    QCOMPARE(exported, (std::vector<std::pair<std::int64_t, bool>>{{FIds[Described], false}, {FIds[Described], true}}));
}

void TestRecordingsDialog::storedFramesGiveTheWindowsExportLines_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("lastLine");
    QTest::newRow("ended, three channels") << int(Described) << QByteArray("13,1,1.47,1000,0,123,2703");
    QTest::newRow("still being written") << int(Live) << QByteArray("0,4,1.28,0,0,0,0");
}

void TestRecordingsDialog::storedFramesGiveTheWindowsExportLines()
{
    QFETCH(int, which);
    QFETCH(QByteArray, lastLine);
    const std::optional<TStoredRecording> stored = FStore.Load(FIds[TWritten(which)]);
    QVERIFY(stored);

    // What the window's export holds after those reports.
    TExportLines received;
    for (const TRecordedFrame &f : FFrames[TWritten(which)])
        received.Append(f.Step, f.Channel + 1, f.MilliVolts, f.MilliAmps, f.Minutes, f.MilliAmpHours);

    TExportLines lines;
    lines.Append(99, 2, 9999, 9999, 9999, 9999); // an earlier recording's line goes
    FillExportLines(*stored, lines);
    QCOMPARE(lines.Count(), received.Count());
    for (std::size_t i = 0; i < received.Count(); ++i)
        QCOMPARE(lines.Line(i), received.Line(i));
    QCOMPARE(lines.Line(lines.Count() - 1), lastLine);
}

void TestRecordingsDialog::deleteAsksAndKeepsWhatIsBeingWritten()
{
    TfrmRecordings dialog(FStore, nullptr);
    std::unique_ptr<TBoxAnswerer> answers;
    WhenModalUp<TfrmRecordings>([&](TfrmRecordings *d) {
        answers = std::make_unique<TBoxAnswerer>(QMessageBox::Cancel);
        ClickRow(d, FIds[Unfinished]);
        ClickRow(d, FIds[OneChannel], Qt::ControlModifier);
        d->btnDelete->click();
        QCOMPARE(answers->Texts, QStringList{QStringLiteral("删除选中的 2 条记录吗？")});
        QCOMPARE(StoredIds(FPath).size(), std::size_t(4));
        QCOMPARE(d->lvRecordings->topLevelItemCount(), 4);

        answers = std::make_unique<TBoxAnswerer>(QMessageBox::Ok);
        d->btnDelete->click();
        QCOMPARE(answers->Count(), 1);
        QCOMPARE(StoredIds(FPath), (std::vector<std::int64_t>{FIds[Described], FIds[Live]}));
        QCOMPARE(ListedIds(d), (std::vector<std::int64_t>{FIds[Live], FIds[Described]}));

        // The live one is refused, the other goes.
        answers = std::make_unique<TBoxAnswerer>(QMessageBox::Ok);
        ClickRow(d, FIds[Live]);
        ClickRow(d, FIds[Described], Qt::ControlModifier);
        d->btnDelete->click();
        QCOMPARE(answers->Texts, (QStringList{QStringLiteral("删除选中的 2 条记录吗？"),
                                              QStringLiteral("1 条记录正在记录中，没有删除。")}));
        QCOMPARE(answers->Icons.value(1), QMessageBox::Warning);
        QCOMPARE(StoredIds(FPath), std::vector<std::int64_t>{FIds[Live]});
        QCOMPARE(ListedIds(d), std::vector<std::int64_t>{FIds[Live]});
        d->btnClose->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
}

QTEST_MAIN(TestRecordingsDialog)
#include "tst_recordings_dialog.moc"
