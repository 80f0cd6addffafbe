// Reconnecting after an unplug: the window waits for the adapter to come back and reopens its
// port as a continuation of the recording.
#include "Main.h"

#include "Reconnector.h"
#include "charger/ComPortMap.h"
#include "display/KRVChart.h"
#include "display/StatusPanels.h"

#include <limits>

TReconnector &TfrmMain::Reconnection()
{
    if (!FReconnector) {
        FReconnector = new TReconnector(this);
        FReconnector->OnBack = [this] { Reconnect(); };
    }
    return *FReconnector;
}

void TfrmMain::ReconnectionOpened(TKRVCharger *Sender)
{
    Reconnection().Remember(ComPortDevicePath(Sender->ComNumber));
    if (!FContinuingOpen)
        return;
    // The step the reopening skipped carries no value, so the lines break over the missing time.
    AddChartGap(static_cast<double>(Sender->SampleCount()) - 0.5);
    FRecordGapNext = true;
    Chart->QueueRepaint();
}

void TfrmMain::AddChartGap(double X)
{
    for (const std::unique_ptr<TChartSeries> &series : Chart->Series)
        if (series->Graph() && series->PointCount() > 0)
            series->AddPoint(X, std::numeric_limits<double>::quiet_NaN(), 0);
}

void TfrmMain::ReconnectionClosed()
{
    if (!FUnattended.Reconnect || !Charger->Port().DeviceWasLost() || !Reconnection().Wait())
        return;
    ShowReconnecting();
}

void TfrmMain::ShowReconnecting()
{
    // Closing by hand ends the waiting.
    actFileClose->setEnabled(true);
    StatusBarPanels->SetWaitingForAdapter(true);
}

bool TfrmMain::Reconnecting() const { return FReconnector && FReconnector->Waiting(); }

void TfrmMain::StopReconnecting()
{
    if (!Reconnecting())
        return;
    FReconnector->Stop();
    EndRecording();
    actFileClose->setEnabled(Charger->LinkState() == lsOpen || Charger->LinkState() == lsTimeOut);
    StatusBarPanels->SetWaitingForAdapter(false);
}

void TfrmMain::Reconnect()
{
    StatusBarPanels->SetWaitingForAdapter(false);
    FContinuingOpen = true;
    Charger->Open(true);
    FContinuingOpen = false;
    // A device that is back but not ready yet (its node made before its permissions): wait
    // for the next change.
    if (Charger->LinkState() == lsFailure && Reconnection().Wait())
        ShowReconnecting();
}
