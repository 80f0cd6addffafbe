#pragma once
// The main window: owner of the charger link, the chart with its pages, the channel rows and
// the export lines, from program start to program end.
#include "charger/KRVCharger.h"
#include "display/ChannelRows.h"
#include "display/ChartBuilder.h"
#include "display/ExportLines.h"
#include "settings/ChartSettings.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>

class QDockWidget;
class QLabel;
class QMenu;
class QScrollBar;
class QSplitter;
class QSystemTrayIcon;
class QTabBar;
class QToolBar;
class TChannelStatePanel;
class TChartDecorations;
class TChartPages;
class TDataBoxView;
class TStatusPanels;
class TComPort;
class TKRVChart;
class TSampleFeeder;
class TKeepAwake;
class TChargeNotices;
class TDesktopNotifier;
class TReconnector;
class TRecordingStore;
class TRecorder;
struct TStoredRecording;
struct TWriteFailure;

class TfrmMain;
// The options dialog on the main window's chart; the result is the dialog's.
int ShowOptionsDialog(TfrmMain *Owner);

class TfrmMain : public QMainWindow
{
public:
    // Without a port the charger uses the real serial port.
    explicit TfrmMain(std::unique_ptr<TComPort> Port = nullptr, QWidget *Parent = nullptr);
    ~TfrmMain() override;

    std::unique_ptr<TKRVCharger> Charger;
    TKRVChart *Chart = nullptr;
    QTabBar *tsTabPage = nullptr;
    QScrollBar *scrlbrChart = nullptr;
    QSplitter *ChartBottomBar = nullptr;
    QToolBar *tbxtlbrFile = nullptr;
    QToolBar *tbxtlbrView = nullptr;
    QMenu *mnuFile = nullptr;
    QMenu *mnuReopen = nullptr;
    QMenu *mnuView = nullptr;
    QMenu *mnuToolbars = nullptr;
    QMenu *mnuChart = nullptr;
    QMenu *mnuHelp = nullptr;
    QMenu *TBXpmChart = nullptr;
    QMenu *TBXpmTrayIcon = nullptr;
    QSystemTrayIcon *TrayIcon = nullptr;
    std::unique_ptr<TStatusPanels> StatusBarPanels;
    QDockWidget *tbxtlwndwChannelState = nullptr;
    QDockWidget *tbxtlwndwDataBox = nullptr;
    TChannelStatePanel *ChannelStatePanel = nullptr;
    TDataBoxView *vstChannelInfo = nullptr;
    QMenu *TBXpmToolbar = nullptr;
    QMenu *TBXpmBottomBar = nullptr;
    QMenu *TBXpmStatusBar = nullptr;
    // The program's icons by number, loaded once.
    QList<QIcon> IconList;
    QIcon Icon(int Index) const { return Index >= 0 && Index < IconList.size() ? IconList[Index] : QIcon(); }

    QAction *actFileOpen = nullptr;
    QAction *actFileClose = nullptr;
    QAction *actFileEnabled = nullptr;
    QAction *actFileDisabled = nullptr;
    QAction *actFileSaveAs = nullptr;
    QAction *actFileExport = nullptr;
    QAction *actFileRecordings = nullptr;
    QAction *actFileOption = nullptr;
    QAction *actFileClearReopenList = nullptr;
    QAction *actFileExit = nullptr;
    QAction *actShowMainWindow = nullptr;
    QAction *actViewFileBar = nullptr;
    QAction *actViewChartBar = nullptr;
    QAction *actViewStatusBar = nullptr;
    QAction *actViewChannelStatePanel = nullptr;
    QAction *actViewDataBox = nullptr;
    QAction *actViewPortStatePanel = nullptr;
    QAction *actViewDataStatePanel = nullptr;
    QAction *actViewTotalFrameCountPanel = nullptr;
    QAction *actViewLostFrameCountPanel = nullptr;
    QAction *actViewFitDesktop = nullptr;
    QAction *actShowAllLine = nullptr;
    QAction *actShowLegend = nullptr;
    QAction *actAllowScrollChart = nullptr;
    QAction *actAutoScroll = nullptr;
    QAction *actClearData = nullptr;
    QAction *actHelpOnLineHelp = nullptr;
    QAction *actHelpHomePage = nullptr;
    QAction *actHelpAbout = nullptr;

    std::unique_ptr<TExportLines> FExportLines;
    std::unique_ptr<QImage> FLogo;
    TChannelRows FRows;
    TChartPages *Pages = nullptr;
    // The painted header, legend and extra axes; holds the legend shape.
    std::unique_ptr<TChartDecorations> Decorations;
    std::unique_ptr<TSampleFeeder> Feeder;
    // The sleep lock while a channel charges.
    std::unique_ptr<TKeepAwake> KeepAwake;
    // The notice when a channel's charge is done; the notifier belongs to the window.
    TDesktopNotifier *Notifier = nullptr;
    std::unique_ptr<TChargeNotices> ChargeNotices;

    void FormShow();
    // Samples per page from a page width in minutes, once the charger type is known.
    void SetPageWidth(std::uint16_t Minutes);
    void actFileOptionExecute();
    void actHelpOnLineHelpExecute();
    void actHelpHomePageExecute();
    void actHelpAboutExecute();
    // Samples per chart page from the stored page width.
    void LoadPageWidth();
    void FitToWorkArea();
    void FitToWorkArea(const QRect &WorkArea);
    bool TrayActive() const { return FTrayActive; }
    // Notices, keeping the computer awake and reconnecting, as the options dialog set them.
    const TUnattendedOptions &Unattended() const { return FUnattended; }
    void SetUnattended(const TUnattendedOptions &Options);
    void SetTrayActive(bool Active);
    void JvAppEventsMinimize();
    void actShowMainWindowExecute();

    void ChargerOpen(TKRVCharger *Sender);
    void ChargerClose(TKRVCharger *Sender);
    void ChargerTimeOut(TKRVCharger *Sender);

    // The connection: opening through the port dialog or the recent list, closing,
    // receiving on and off.
    int ConfirmReplaceConnection();
    void actFileOpenExecute();
    void OpenFromPortDialog();
    // A port dialog result: [1, count, ports...] when confirmed.
    void OpenFromPortSelection(const std::vector<std::uint16_t> &Selection);
    void ReopenRecentPort(QAction *Sender);
    // Opens Port anew as a recent port item does once the replacement is confirmed; --com too.
    void ReopenPort(std::uint16_t Port);
    void actFileCloseExecute();
    void actFileEnabledExecute(QAction *Sender);
    // The recent ports: the port items of the reopen list, top first.
    QList<QAction *> RecentPortItems() const;
    void PromoteRecentPort(std::uint16_t Port);
    void AddRecentPortItem(std::uint16_t Port);
    void LoadRecentPorts();
    void SaveRecentPorts();
    void actFileClearReopenListExecute();
    void ChargerFailure(TKRVCharger *Sender);
    void ChargerReceiveData(TKRVChannel *Sender, std::int32_t Flag);
    void actClearDataExecute();

    void BuildDataBox();
    // The colour box of a data box cell: the line of the row's channel in the column's kind,
    // while the legend is on, the row checked and the kind on the page.
    std::optional<QColor> ColorBoxOf(int RowIndex, int Tag) const;
    void ChargerChannelStateChange(TKRVChannel *Sender);
    void actViewPortStatePanelExecute(QAction *Sender);
    QMenu *createPopupMenu() override;

    // Picture saving and export: the shared save dialog and the two commands.
    void BindSaveCommands();
    void actFileSaveAsExecute();
    void actFileExportExecute();
    // Shows the save dialog with the command's title, filter ("description|pattern|...") and
    // default extension; on confirmation keeps the chosen name and file type (from 1).
    bool ExecuteSaveDialog(const QString &Title, const QString &Filter, const QString &DefaultExt);
    // True when FileName is not an existing file or the user allows overwriting it.
    bool ConfirmOverwrite(const QString &FileName);
    // The last confirmed file name and file type.
    QString FSaveFileName;
    int FSaveFilterIndex = 1;
    // End of picture saving and export.

    // Ends the program through its normal shutdown without the quit question, as a request to
    // end from the system (a signal) or the desktop session does: the port closes, the loop
    // ends and the destroy steps store the recent ports.
    void EndProgram();
    // The desktop session is ending: what would be lost is stored now, and the windows close
    // without the quit question.
    void CommitSessionData();

    void UpdatePortStatePanel(TLinkState State, bool Open);

    // Reconnecting after an unplug (MainReconnect.cpp).
    TReconnector &Reconnection();
    void ReconnectionOpened(TKRVCharger *Sender);
    void ReconnectionClosed();
    bool Reconnecting() const;
    void StopReconnecting();
    // A break in every line at X: the time the adapter was away.
    void AddChartGap(double X);
    void UpdateTotalFrameCount();
    void UpdateLostFrameCount();

    // Recordings kept on disk (MainRecording.cpp): every recording goes to the store while it
    // is received; one that did not end is offered at the next start; past ones are listed.
    std::unique_ptr<TRecordingStore> Recordings;
    std::unique_ptr<TRecorder> Recorder;
    static QString RecordingsPath();
    // Once the window is up: what the store's opening found, then the restore question.
    void StartRecordings();
    void BeginRecording();
    void EndRecording();
    // Shows a stored recording in the chart, the rows and the export lines, with the port closed.
    void ShowStoredRecording(const TStoredRecording &Recording);
    // False when it could not be read (the user was told) or the user kept the open port.
    bool OpenStoredRecording(std::int64_t Id);
    void ExportStoredRecording(std::int64_t Id, bool Full);
    void actFileRecordingsExecute();
    bool Replaying() const { return FReplaying; }

protected:
    void showEvent(QShowEvent *Event) override;
    void closeEvent(QCloseEvent *Event) override;
    void changeEvent(QEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void CreateDesign();
    void CreateToolWindows();
    void CreateActions();
    void CreateMenusAndToolbars();
    void CreateViewMenus();
    void ApplyUiTexts();
    void BindCharger();
    void FormCreate();
    bool FormCloseQuery();
    void CloseChargerForGood();
    void FormDestroy();

    // The frame around the client area, as the window manager draws it; none offscreen.
    QMargins FrameMargins() const;
    void RefitIfFrameChanged();

    bool FTrayActive = false;
    TUnattendedOptions FUnattended;
    bool FSessionEnding = false;
    void ShowReconnecting();
    void Reconnect();
    TReconnector *FReconnector = nullptr;
    // The open in progress continues the recording.
    bool FContinuingOpen = false;
    void OpenRecordings();
    void RecordingWriteFailed(const TWriteFailure &Failure);
    void RecordFrame(const TKRVChannel &Channel, std::int32_t Flag);
    void RecordDescriptions();
    bool FReplaying = false;
    // The next recorded report is the first after a reopening.
    bool FRecordGapNext = false;
    std::uint8_t FRecordedFrameMode = 0;
    std::array<QString, 4> FRecordedDescriptions;
    bool FShownOnce = false;
    // The work area and frame of the last fit.
    QRect FFittedArea;
    QMargins FFittedFrame;
};
