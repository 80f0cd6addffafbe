#include "Main.h"

#include "AppModule.h"
#include "ChargeNotices.h"
#include "DesktopNotifier.h"
#include "KeepAwake.h"
#include "charger/ComPort.h"
#include "display/ChannelStatePanel.h"
#include "display/ChartDecorations.h"
#include "display/ChartPages.h"
#include "display/DataBox.h"
#include "display/KRVChart.h"
#include "display/SampleFeeder.h"
#include "display/StatusPanels.h"
#include "recordings/Recorder.h"
#include "recordings/RecordingStore.h"
#include "resources/Texts.h"
#include "settings/ChartSettings.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollBar>
#include <QSessionManager>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QVBoxLayout>

TfrmMain::TfrmMain(std::unique_ptr<TComPort> Port, QWidget *Parent)
    : QMainWindow(Parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint)
{
    Charger = std::make_unique<TKRVCharger>(nullptr, std::move(Port));
    setFont(DialogFont());
    CreateDesign();
    CreateActions();
    CreateMenusAndToolbars();
    CreateViewMenus();
    BindSaveCommands();
    BindCharger();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // The link raises nothing into a window that is going away.
    Charger->OnOpen = nullptr;
    Charger->OnClose = nullptr;
    Charger->OnReceiveData = nullptr;
    Charger->OnTimeOut = nullptr;
    Charger->OnFailure = nullptr;
    FormDestroy();
}

void TfrmMain::CreateDesign()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Chart = new TKRVChart(central);
    layout->addWidget(Chart, 1);

    // Below the chart: the page tabs, a splitter, the scroll bar taking the rest.
    ChartBottomBar = new QSplitter(Qt::Horizontal, central);
    tsTabPage = new QTabBar(ChartBottomBar);
    tsTabPage->setShape(QTabBar::RoundedSouth);
    tsTabPage->setExpanding(false);
    tsTabPage->setDrawBase(false);
    tsTabPage->setMinimumWidth(328);
    tsTabPage->setStyleSheet(QStringLiteral("QTabBar::tab { background: palette(button); padding: 2px 10px; }"
                                            // White whatever the palette, so its text is dark.
                                            "QTabBar::tab:selected { background: white; color: black; }"));
    scrlbrChart = new QScrollBar(Qt::Horizontal, ChartBottomBar);
    scrlbrChart->setFocusPolicy(Qt::NoFocus);
    ChartBottomBar->addWidget(tsTabPage);
    ChartBottomBar->addWidget(scrlbrChart);
    ChartBottomBar->setStretchFactor(0, 0);
    ChartBottomBar->setStretchFactor(1, 1);
    ChartBottomBar->setChildrenCollapsible(false);
    layout->addWidget(ChartBottomBar);
    setCentralWidget(central);

    StatusBarPanels = std::make_unique<TStatusPanels>(statusBar(), *Charger);
    CreateToolWindows();

    TrayIcon = new QSystemTrayIcon(this);
    // The session manager asks before it ends the session; it then closes the windows.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { CommitSessionData(); });
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason Reason) {
        if (Reason == QSystemTrayIcon::DoubleClick)
            actShowMainWindowExecute();
    });
}

void TfrmMain::BindCharger()
{
    Charger->ComNumber = 0;
    Charger->SetEnabled(false);
    Charger->OnOpen = [this](TKRVCharger *Sender) { ChargerOpen(Sender); };
    Charger->OnClose = [this](TKRVCharger *Sender) { ChargerClose(Sender); };
    Charger->OnTimeOut = [this](TKRVCharger *Sender) { ChargerTimeOut(Sender); };
    Charger->OnReceiveData = [this](TKRVChannel *Sender, std::int32_t Flag) { ChargerReceiveData(Sender, Flag); };
    Charger->OnFailure = [this](TKRVCharger *Sender) { ChargerFailure(Sender); };
    Charger->OnChannelStateChange = [this](TKRVChannel *Sender) { ChargerChannelStateChange(Sender); };
    Charger->OnDataAvail = [this](TKRVCharger *) { StatusBarPanels->ChargerDataAvail(); };
    Charger->OnPicket = [this](TKRVCharger *) { StatusBarPanels->ChargerPicket(); };
    Charger->OnBeforeCheck = [this](TKRVCharger *) { StatusBarPanels->ChargerBeforeCheck(); };
    Charger->OnAfterCheck = [this](TKRVCharger *) { StatusBarPanels->ChargerAfterCheck(); };
}

void TfrmMain::FormCreate()
{
    FExportLines = std::make_unique<TExportLines>();
    UseSystemHandCursor();
    try {
        FLogo = LoadResourceGif(0);
    } catch (const TResourceError &) {
        FLogo.reset();
    }
    ApplyUiTexts();

    AxisValueTokens = {vtUnLoadVoltage, vtCurrent, vtCapacity};
    Pages = new TChartPages(*Chart, *Charger, FRows, AxisValueTokens, tsTabPage, scrlbrChart, this);
    Pages->actShowAllLine = actShowAllLine;
    Pages->actShowLegend = actShowLegend;
    Pages->actAllowScrollChart = actAllowScrollChart;
    Pages->actAutoScroll = actAutoScroll;
    Pages->RunShow = [this] { FormShow(); };
    Pages->RepaintDataBox = [this] { vstChannelInfo->viewport()->update(); };
    Pages->BuildPageCommands(mnuChart, tbxtlbrView);

    Pages->SetCurrentAxis(-1);
    BuildAxes(*Chart, AxisValueTokens);
    if (!Chart->CustomAxes.empty())
        Pages->SetCurrentAxis(0);

    if (tsTabPage->count() > 0) {
        // The page switch runs also when tab 0 is already the current one.
        if (tsTabPage->currentIndex() == 0)
            Pages->tsTabPageChange(0);
        else
            tsTabPage->setCurrentIndex(0);
    }
    BuildSeries(*Chart, AxisValueTokens, Charger->Channels().Count(), tsTabPage->currentIndex(), this);
    BuildDataBox();

    Feeder = std::make_unique<TSampleFeeder>(*Chart, FRows, *FExportLines, AxisValueTokens, this);
    Feeder->UpdateChartScroll = [this](std::int64_t Delta) { Pages->UpdateChartScroll(Delta); };
    Feeder->UpdatePortStatePanel = [this](TLinkState State, bool Open) { UpdatePortStatePanel(State, Open); };
    Feeder->UpdateTotalFrameCount = [this] { UpdateTotalFrameCount(); };
    Feeder->UpdateLostFrameCount = [this] { UpdateLostFrameCount(); };
    Feeder->RowChanged = [this](int ChannelIndex) { vstChannelInfo->Model()->RowChanged(ChannelIndex); };

    Decorations = std::make_unique<TChartDecorations>(*Chart, FRows, *Pages, actShowLegend, FLogo.get());
    LoadRecentPorts();
    LoadPageWidth();
    Pages->UpdateChartScroll(0);
    SetTrayActive(LoadMinToTray());
    FUnattended = LoadUnattendedOptions();
    KeepAwake = std::make_unique<TKeepAwake>(*Charger, MakeSleepInhibitor(),
                                             [this](bool Held) { StatusBarPanels->SetKeepingAwake(Held); });
    KeepAwake->SetEnabled(FUnattended.KeepAwake);
    Notifier = new TDesktopNotifier(*this, [this] { return TrayIcon; });
    ChargeNotices = std::make_unique<TChargeNotices>(
        *Notifier,
        [this](int Index) {
            TChannelRow row;
            row.ChannelIndex = Index;
            const TChannelRow *found = FindChannelRow(FRows, Index);
            return ChannelLabel(found ? *found : row);
        },
        [this] { return FUnattended.NotifyChargeDone; });
    OpenRecordings();
}

void TfrmMain::FormDestroy()
{
    // The recording still going is ended and committed before the window lets go of it.
    Recorder.reset();
    Recordings.reset();
    Decorations.reset();
    FRows.clear();
    vstChannelInfo->Model()->Reset();
    FreeSeries(*Chart);
    FreeAxes(*Chart);
    FLogo.reset();
    if (Pages)
        Pages->SetCurrentAxis(-1);
    {
        const QSignalBlocker blocker(tsTabPage);
        while (tsTabPage->count() > 0)
            tsTabPage->removeTab(tsTabPage->count() - 1);
    }
    AxisValueTokens.clear();
    Feeder.reset();
    FExportLines.reset();
    SaveRecentPorts();
}

void TfrmMain::LoadPageWidth() { Pages->PageSamples = ReadPageSamples(); }

void TfrmMain::ChargerOpen(TKRVCharger *Sender)
{
    const QString title = FormatText(LoadStr(TTextId::AppTitleWithPort), {static_cast<long long>(Sender->ComNumber)});
    setWindowTitle(title);
    SetApplicationTitle(title);
    actFileClose->setEnabled(true);
    actFileEnabled->setEnabled(true);
    actFileEnabled->setChecked(true);
    actFileDisabled->setEnabled(true);
    UpdatePortStatePanel(Sender->LinkState(), true);
    UpdateTotalFrameCount();
    UpdateLostFrameCount();
    ReconnectionOpened(Sender);
    if (FContinuingOpen)
        return;
    BuildSeries(*Chart, AxisValueTokens, Sender->Channels().Count(), tsTabPage->currentIndex(), this);
    BuildDataBox();
    FExportLines->Clear();
    Chart->StepClock.Clear();
    Pages->UpdateChartScroll(0);
    BeginRecording();
}

void TfrmMain::ChargerClose(TKRVCharger *Sender)
{
    actFileClose->setEnabled(false);
    actFileEnabled->setEnabled(false);
    actFileDisabled->setEnabled(false);
    UpdatePortStatePanel(Sender->LinkState(), false);
    KeepAwake->Refresh();
    if (Sender == Charger.get() && Charger->OnChannelStateChange)
        for (int i = 0; i < Charger->Channels().Count(); ++i)
            Charger->OnChannelStateChange(&Charger->Channels().Items(i));
    setWindowTitle(LoadStr(TTextId::AppTitle));
    SetApplicationTitle(LoadStr(TTextId::AppTitle));
    ReconnectionClosed();
    // While the window waits for the adapter the recording goes on.
    if (!Reconnecting())
        EndRecording();
}

void TfrmMain::ChargerReceiveData(TKRVChannel *Sender, std::int32_t Flag)
{
    Feeder->ChargerReceiveData(Sender, Flag);
    if (!Sender)
        return;
    RecordFrame(*Sender, Flag);
    if (ChargeNotices && !FReplaying)
        ChargeNotices->Report(Sender->Index(), (Flag & 1) != 0, Sender->State == csWorking,
                              Sender->GetValue(vtCapacity), Sender->GetValue(vtWorkingTime));
}

void TfrmMain::actClearDataExecute()
{
    if (!Feeder->actClearDataExecute(*Charger))
        return;
    // What was cleared stays in the store as a recording of its own; the next one starts now.
    EndRecording();
    if (Charger->LinkState() == lsOpen || Charger->LinkState() == lsTimeOut)
        BeginRecording();
}

void TfrmMain::UpdatePortStatePanel(TLinkState State, bool Open) { StatusBarPanels->UpdatePortStatePanel(State, Open); }

void TfrmMain::UpdateTotalFrameCount() { StatusBarPanels->UpdateTotalFrameCount(); }

void TfrmMain::UpdateLostFrameCount() { StatusBarPanels->UpdateLostFrameCount(); }
