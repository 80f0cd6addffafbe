// Keeping recordings on disk: each recording goes to the store while it is received, one that
// did not end (a crash, a power cut) is offered again at the next start, and past recordings
// can be listed, shown again and exported.
#include "Main.h"

#include "FileReplacement.h"
#include "RecordingsDialog.h"
#include "SaveFiles.h"
#include "StoredExport.h"
#include "charger/ComPortMap.h"
#include "display/ChartPages.h"
#include "display/DataBox.h"
#include "display/KRVChart.h"
#include "display/SampleFeeder.h"
#include "display/StatusPanels.h"
#include "recordings/ChannelFrame.h"
#include "recordings/FullCsv.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace {

QString StartText(std::int64_t StartedMs)
{
    return QDateTime::fromMSecsSinceEpoch(StartedMs).toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString WriteFailureText(const TWriteFailure &Failure)
{
    QString text = LoadStr(TTextId::RecordingWriteFailed);
    switch (Failure.Kind) {
    case TWriteFailureKind::wfDiskFull:
        text += QLatin1Char('\n') + LoadStr(TTextId::RecordingDiskFull);
        break;
    case TWriteFailureKind::wfLocked:
        text += QLatin1Char('\n') + LoadStr(TTextId::RecordingLocked);
        break;
    case TWriteFailureKind::wfCannotWrite:
        break;
    }
    if (!Failure.Reason.isEmpty())
        text += QLatin1Char('\n') + Failure.Reason;
    return text + QLatin1Char('\n') + LoadStr(TTextId::RecordingInMemory);
}

} // namespace

QString TfrmMain::RecordingsPath()
{
    // ~/.local/share/Korvane on Linux, beside the settings' folder name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Korvane/recordings.sqlite");
}

void TfrmMain::OpenRecordings()
{
    Recordings = std::make_unique<TRecordingStore>();
    Recordings->Open(RecordingsPath());
    if (!Recordings->Opening().CanRecord())
        return;
    Recorder = std::make_unique<TRecorder>(Recordings->Path(), this);
    Recorder->OnWriteFailure = [this](const TWriteFailure &Failure) { RecordingWriteFailed(Failure); };
}

void TfrmMain::RecordingWriteFailed(const TWriteFailure &Failure)
{
    ShowWarning(this, WriteFailureText(Failure), LoadStr(TTextId::AppTitle));
}

void TfrmMain::StartRecordings()
{
    if (!Recordings)
        return;
    const TStoreOpening &opening = Recordings->Opening();
    switch (opening.Status) {
    case TStoreStatus::ssReady:
        break;
    case TStoreStatus::ssRenewed:
        ShowWarning(this, FormatText(LoadStr(TTextId::RecordingsRenewed), {opening.MovedAsideTo}),
                    LoadStr(TTextId::AppTitle));
        break;
    case TStoreStatus::ssReadOnly:
        ShowWarning(this, LoadStr(TTextId::RecordingsReadOnly), LoadStr(TTextId::AppTitle));
        break;
    case TStoreStatus::ssUnavailable:
        ShowWarning(this,
                    LoadStr(TTextId::RecordingsUnavailable) +
                        (opening.Reason.isEmpty() ? QString() : QLatin1Char('\n') + opening.Reason),
                    LoadStr(TTextId::AppTitle));
        return;
    }
    if (!opening.CanRecord())
        return;
    // The newest unfinished recording with frames is offered; older ones and empty ones stay in
    // the list as they are, marked ended so that they are not offered again.
    std::vector<TRecordingInfo> unfinished = Recordings->Unfinished();
    std::optional<TRecordingInfo> offered;
    for (auto info = unfinished.rbegin(); info != unfinished.rend(); ++info) {
        if (!offered && info->FrameCount > 0)
            offered = *info;
        else
            Recordings->MarkEnded(info->Id);
    }
    if (!offered)
        return;
    const QString text = LoadStr(TTextId::RestoreQuestion) + QLatin1Char('\n') +
                         FormatText(LoadStr(TTextId::RestoreDetail),
                                    {StartText(offered->StartedMs), static_cast<long long>(offered->ComNumber)});
    const bool restore = AskOkCancel(this, text, LoadStr(TTextId::AppTitle)) == IdOk;
    Recordings->MarkEnded(offered->Id);
    if (restore)
        OpenStoredRecording(offered->Id);
}

void TfrmMain::BeginRecording()
{
    FRecordGapNext = false;
    if (!Recorder)
        return;
    TRecordingStart start;
    start.StartedMs = QDateTime::currentMSecsSinceEpoch();
    start.ComNumber = Charger->ComNumber;
    start.Device = ComPortDevicePath(Charger->ComNumber);
    start.FrameMode = static_cast<std::uint8_t>(Charger->FrameMode());
    for (const TChannelRow &row : FRows)
        if (row.ChannelIndex >= 0 && row.ChannelIndex < RecordedChannels)
            start.Descriptions[static_cast<std::size_t>(row.ChannelIndex)] = row.Description;
    FRecordedFrameMode = start.FrameMode;
    FRecordedDescriptions = start.Descriptions;
    Recorder->Begin(start);
}

void TfrmMain::EndRecording()
{
    if (Recorder && Recorder->IsRecording())
        Recorder->End();
}

void TfrmMain::RecordFrame(const TKRVChannel &Channel, std::int32_t Flag)
{
    if (!Recorder || FReplaying || !Recorder->IsRecording())
        return;
    const auto mode = static_cast<std::uint8_t>(Charger->FrameMode());
    if (mode != FRecordedFrameMode) {
        FRecordedFrameMode = mode;
        Recorder->SetFrameMode(mode);
    }
    TRecordedFrame frame = RecordedFrame(Channel, Flag);
    if (FRecordGapNext)
        frame.Flag |= RecordedAfterGap;
    FRecordGapNext = false;
    Recorder->Push(frame);
}

void TfrmMain::RecordDescriptions()
{
    if (!Recorder || !Recorder->IsRecording())
        return;
    for (const TChannelRow &row : FRows) {
        if (row.ChannelIndex < 0 || row.ChannelIndex >= RecordedChannels)
            continue;
        QString &recorded = FRecordedDescriptions[static_cast<std::size_t>(row.ChannelIndex)];
        if (recorded == row.Description)
            continue;
        recorded = row.Description;
        Recorder->SetDescription(row.ChannelIndex, recorded);
    }
}

bool TfrmMain::OpenStoredRecording(std::int64_t Id)
{
    if (ConfirmReplaceConnection() != IdOk)
        return false;
    std::optional<TStoredRecording> recording = Recordings ? Recordings->Load(Id) : std::nullopt;
    if (!recording) {
        ShowWarning(this, LoadStr(TTextId::RecordingOpenFailed), LoadStr(TTextId::AppTitle));
        return false;
    }
    ShowStoredRecording(*recording);
    return true;
}

void TfrmMain::ShowStoredRecording(const TStoredRecording &Recording)
{
    StopReconnecting();
    Charger->Close();
    Charger->ResetLink();
    BuildSeries(*Chart, AxisValueTokens, Charger->Channels().Count(), tsTabPage->currentIndex(), this);
    BuildDataBox();
    for (TChannelRow &row : FRows)
        if (row.ChannelIndex >= 0 && row.ChannelIndex < RecordedChannels)
            row.Description = Recording.Info.Descriptions[static_cast<std::size_t>(row.ChannelIndex)];
    FExportLines->Clear();
    Chart->StepClock.Clear();
    Pages->UpdateChartScroll(0);

    FReplaying = true;
    Feeder->Quiet = true;
    const auto mode = static_cast<TFrameMode>(Recording.Info.FrameMode);
    for (const TRecordedFrame &frame : Recording.Frames) {
        if (!Chart->StepClock.Knows(frame.Step))
            Chart->StepClock.Record(frame.Step, frame.WallMs);
        // The lines break over the time the adapter was away, as they did when it came back.
        if (frame.Flag & RecordedAfterGap)
            AddChartGap(static_cast<double>(frame.Step) - 0.5);
        TReplayedFrame replayed;
        replayed.Channel = frame.Channel;
        replayed.Step = frame.Step;
        replayed.State = static_cast<TChannelState>(frame.State);
        replayed.MilliVolts = frame.MilliVolts;
        replayed.MilliAmps = frame.MilliAmps;
        replayed.Temperature = frame.Temperature;
        replayed.Minutes = frame.Minutes;
        replayed.MilliAmpHours = frame.MilliAmpHours;
        replayed.Flag = frame.Flag & ~RecordedAfterGap;
        Charger->Replay(replayed, mode);
    }
    Charger->EndReplay();
    Feeder->Quiet = false;
    FReplaying = false;

    Pages->UpdateChartScroll(0);
    UpdatePortStatePanel(Charger->LinkState(), false);
    UpdateTotalFrameCount();
    UpdateLostFrameCount();
    vstChannelInfo->Model()->RowChanged(-1);
    Chart->QueueRepaint();
    const QString title = FormatText(LoadStr(TTextId::AppTitleWithRecording), {StartText(Recording.Info.StartedMs)});
    setWindowTitle(title);
}

void TfrmMain::ExportStoredRecording(std::int64_t Id, bool Full)
{
    std::optional<TStoredRecording> recording = Recordings ? Recordings->Load(Id) : std::nullopt;
    if (!recording) {
        ShowWarning(this, LoadStr(TTextId::RecordingOpenFailed), LoadStr(TTextId::AppTitle));
        return;
    }
    const TTextId title = Full ? TTextId::FullExportDialogTitle : TTextId::ExportDialogTitle;
    if (!ExecuteSaveDialog(LoadStr(title), LoadStr(TTextId::ExportDialogFilter), QStringLiteral(".csv")))
        return;
    const QString target = FSaveFileName;
    if (!ConfirmOverwrite(target))
        return;
    bool saved = false;
    if (Full) {
        saved = ReplaceFile(target, [&recording](QIODevice &Device) { return WriteFullCsv(*recording, Device); });
    } else {
        TExportLines lines;
        FillExportLines(*recording, lines);
        saved = SaveExportFile(lines, target);
    }
    if (!saved)
        ShowError(this, LoadStr(TTextId::FileSaveFailed), LoadStr(TTextId::AppTitle));
}

void TfrmMain::actFileRecordingsExecute()
{
    if (!Recordings || !Recordings->IsOpen()) {
        ShowWarning(this, LoadStr(TTextId::RecordingsUnavailable), LoadStr(TTextId::AppTitle));
        return;
    }
    // What was received so far is in the list too.
    if (Recorder)
        Recorder->Flush();
    TfrmRecordings dialog(*Recordings, this);
    dialog.OnOpen = [this](std::int64_t Id) { return OpenStoredRecording(Id); };
    dialog.OnExport = [this](std::int64_t Id, bool Full) { ExportStoredRecording(Id, Full); };
    dialog.exec();
}
