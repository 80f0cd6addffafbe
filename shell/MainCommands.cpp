#include "Main.h"

#include "display/ChannelStatePanel.h"
#include "display/ChartPages.h"
#include "display/DataBox.h"
#include "display/KRVChart.h"
#include "display/StatusPanels.h"
#include "resources/Texts.h"
#include "settings/Constant.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>

namespace {

// One command of the main window as the command table gives it.
struct TActionEntry {
    QAction *TfrmMain::*Member;
    const char *Category;
    TTextId Caption;
    TTextId Hint; // Count: none
    const char *Shortcut;
    int Image; // -1: none
    bool Checkable;
    bool Checked;
    bool Enabled;
    int Tag;
};

constexpr TTextId NoHint = TTextId::Count;

const TActionEntry ActionTable[] = {
    {&TfrmMain::actFileOpen, "File", TTextId::FileOpenCaption, TTextId::FileOpenHint, "Ctrl+O", 1, false, false, true,
     0},
    {&TfrmMain::actFileClose, "File", TTextId::FileCloseCaption, NoHint, "", -1, false, false, false, 0},
    {&TfrmMain::actFileEnabled, "File", TTextId::FileEnabledCaption, TTextId::FileEnabledHint, "", 20, true, false,
     false, 1},
    {&TfrmMain::actFileDisabled, "File", TTextId::FileDisabledCaption, TTextId::FileDisabledHint, "", 21, true, false,
     false, 0},
    {&TfrmMain::actFileSaveAs, "File", TTextId::FileSaveAsCaption, TTextId::FileSaveAsHint, "Ctrl+S", 2, false, false,
     true, 0},
    {&TfrmMain::actFileExport, "File", TTextId::FileExportCaption, NoHint, "Ctrl+E", -1, false, false, true, 0},
    {&TfrmMain::actFileRecordings, "File", TTextId::FileRecordingsCaption, TTextId::FileRecordingsHint, "Ctrl+R", 8,
     false, false, true, 0},
    {&TfrmMain::actFileOption, "File", TTextId::FileOptionCaption, NoHint, "F8", 28, false, false, true, 0},
    {&TfrmMain::actFileClearReopenList, "File", TTextId::FileClearReopenListCaption, NoHint, "", -1, false, false, true,
     0},
    {&TfrmMain::actFileExit, "File", TTextId::FileExitCaption, NoHint, "", -1, false, false, true, 0},
    {&TfrmMain::actShowMainWindow, "File", TTextId::ShowMainWindowCaption, NoHint, "", -1, false, false, true, 0},
    {&TfrmMain::actViewFileBar, "View", TTextId::ViewFileBarCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actViewChartBar, "View", TTextId::ViewChartBarCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actViewStatusBar, "View", TTextId::ViewStatusBarCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actViewChannelStatePanel, "View", TTextId::ViewChannelStatePanelCaption, NoHint, "", -1, true, true,
     true, 0},
    {&TfrmMain::actViewDataBox, "View", TTextId::ViewDataBoxCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actViewPortStatePanel, "View", TTextId::ViewPortStatePanelCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actViewDataStatePanel, "View", TTextId::ViewDataStatePanelCaption, NoHint, "", -1, true, true, true, 1},
    {&TfrmMain::actViewTotalFrameCountPanel, "View", TTextId::ViewTotalFrameCountPanelCaption, NoHint, "", -1, true,
     true, true, 2},
    {&TfrmMain::actViewLostFrameCountPanel, "View", TTextId::ViewLostFrameCountPanelCaption, NoHint, "", -1, true, true,
     true, 3},
    {&TfrmMain::actViewFitDesktop, "View", TTextId::ViewFitDesktopCaption, NoHint, "", -1, false, false, true, 0},
    {&TfrmMain::actShowAllLine, "Chart", TTextId::ShowAllLineCaption, TTextId::ShowAllLineHint, "Shift+F1", 19, true,
     false, true, 0},
    {&TfrmMain::actShowLegend, "Chart", TTextId::ShowLegendCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actAllowScrollChart, "Chart", TTextId::AllowScrollChartCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actAutoScroll, "Chart", TTextId::AutoScrollCaption, NoHint, "", -1, true, true, true, 0},
    {&TfrmMain::actClearData, "Chart", TTextId::ClearDataCaption, NoHint, "Ctrl+D", 22, false, false, true, 0},
    {&TfrmMain::actHelpOnLineHelp, "Help", TTextId::HelpOnLineHelpCaption, NoHint, "F1", 3, false, false, true, 0},
    {&TfrmMain::actHelpHomePage, "Help", TTextId::HelpHomePageCaption, NoHint, "", 4, false, false, true, 0},
    {&TfrmMain::actHelpAbout, "Help", TTextId::HelpAboutCaption, NoHint, "", -1, false, false, true, 0},
};

} // namespace

void TfrmMain::CreateActions()
{
    for (const TActionEntry &entry : ActionTable) {
        auto *action = new QAction(this);
        action->setProperty(ActionCategoryProperty, QString::fromLatin1(entry.Category));
        action->setCheckable(entry.Checkable);
        action->setChecked(entry.Checked);
        action->setEnabled(entry.Enabled);
        action->setData(entry.Tag);
        action->setShortcut(QKeySequence::fromString(QString::fromLatin1(entry.Shortcut)));
        addAction(action);
        this->*entry.Member = action;
    }
    // The help file is declared for the help contexts; no command opens it.
    setProperty("HelpFile", QStringLiteral("Korvane.hlp"));
    actHelpOnLineHelp->setProperty("HelpContext", 20);
    actHelpHomePage->setProperty("HelpContext", 30);
    actHelpAbout->setProperty("HelpContext", 40);
    auto *receiveGroup = new QActionGroup(this);
    receiveGroup->addAction(actFileEnabled);
    receiveGroup->addAction(actFileDisabled);
    auto *pageGroup = new QActionGroup(this);
    pageGroup->addAction(actShowAllLine);

    connect(actFileExit, &QAction::triggered, this, &QWidget::close);
    connect(actFileOpen, &QAction::triggered, this, [this] { actFileOpenExecute(); });
    connect(actFileClose, &QAction::triggered, this, [this] { actFileCloseExecute(); });
    connect(actFileEnabled, &QAction::triggered, this, [this] { actFileEnabledExecute(actFileEnabled); });
    connect(actFileDisabled, &QAction::triggered, this, [this] { actFileEnabledExecute(actFileDisabled); });
    connect(actFileRecordings, &QAction::triggered, this, [this] { actFileRecordingsExecute(); });
    connect(actFileClearReopenList, &QAction::triggered, this, [this] { actFileClearReopenListExecute(); });
    connect(actShowMainWindow, &QAction::triggered, this, [this] { actShowMainWindowExecute(); });
    connect(actViewFitDesktop, &QAction::triggered, this, [this] { FitToWorkArea(); });
    connect(actShowAllLine, &QAction::triggered, this, [this] { Pages->actShowUnLoadVoltageExecute(actShowAllLine); });
    connect(actShowLegend, &QAction::triggered, this, [this] { Pages->actShowLegendExecute(); });
    connect(actAllowScrollChart, &QAction::triggered, this, [this] { Pages->actAllowScrollChartExecute(); });
    connect(actClearData, &QAction::triggered, this, [this] { actClearDataExecute(); });
    connect(actFileOption, &QAction::triggered, this, [this] { actFileOptionExecute(); });
    connect(actHelpOnLineHelp, &QAction::triggered, this, [this] { actHelpOnLineHelpExecute(); });
    connect(actHelpHomePage, &QAction::triggered, this, [this] { actHelpHomePageExecute(); });
    connect(actHelpAbout, &QAction::triggered, this, [this] { actHelpAboutExecute(); });
    connect(actViewStatusBar, &QAction::triggered, this, [this](bool On) { statusBar()->setVisible(On); });
}

// Both open the maker's home page in the desktop's browser.
void TfrmMain::actHelpOnLineHelpExecute() { OpenAddress(this, LoadStr(TTextId::HomePageAddress)); }

void TfrmMain::actHelpHomePageExecute() { OpenAddress(this, LoadStr(TTextId::HomePageAddress)); }

void TfrmMain::CreateMenusAndToolbars()
{
    QMenuBar *bar = menuBar();
    mnuFile = bar->addMenu(QString());
    mnuFile->addAction(actFileOpen);
    mnuReopen = mnuFile->addMenu(QString());
    mnuReopen->addSeparator();
    mnuReopen->addAction(actFileClearReopenList);
    mnuFile->addAction(actFileClose);
    mnuFile->addSeparator();
    mnuFile->addAction(actFileEnabled);
    mnuFile->addAction(actFileDisabled);
    mnuFile->addSeparator();
    mnuFile->addAction(actFileSaveAs);
    mnuFile->addAction(actFileExport);
    mnuFile->addAction(actFileRecordings);
    mnuFile->addSeparator();
    mnuFile->addAction(actFileExit);

    mnuView = bar->addMenu(QString());
    mnuToolbars = mnuView->addMenu(QString());
    mnuToolbars->addAction(actViewFileBar);
    mnuToolbars->addAction(actViewChartBar);
    mnuView->addSeparator();
    mnuView->addAction(actViewStatusBar);
    mnuView->addAction(actViewChannelStatePanel);
    mnuView->addAction(actViewDataBox);
    mnuView->addSeparator();
    mnuView->addAction(actViewFitDesktop);

    mnuChart = bar->addMenu(QString());
    mnuChart->addAction(actFileOption);
    mnuChart->addSeparator();
    mnuChart->addAction(actShowLegend);
    mnuChart->addAction(actAllowScrollChart);
    mnuChart->addAction(actAutoScroll);
    mnuChart->addSeparator();
    mnuChart->addAction(actClearData);
    mnuChart->addSeparator();
    mnuChart->addAction(actShowAllLine);

    mnuHelp = bar->addMenu(QString());
    mnuHelp->addAction(actHelpOnLineHelp);
    mnuHelp->addAction(actHelpHomePage);
    mnuHelp->addSeparator();
    mnuHelp->addAction(actHelpAbout);

    tbxtlbrFile = addToolBar(QString());
    tbxtlbrFile->setObjectName(QStringLiteral("tbxtlbrFile"));
    tbxtlbrFile->addAction(actFileOpen);
    tbxtlbrFile->addAction(actFileSaveAs);
    tbxtlbrFile->addAction(actFileRecordings);
    tbxtlbrFile->addSeparator();
    tbxtlbrFile->addAction(actFileEnabled);
    tbxtlbrFile->addAction(actFileDisabled);
    tbxtlbrView = addToolBar(QString());
    tbxtlbrView->setObjectName(QStringLiteral("tbxtlbrView"));
    tbxtlbrView->addAction(actShowAllLine);
    // The open button's drop-down shows the recent ports.
    if (auto *open = qobject_cast<QToolButton *>(tbxtlbrFile->widgetForAction(actFileOpen))) {
        open->setMenu(mnuReopen);
        open->setPopupMode(QToolButton::MenuButtonPopup);
    }
    for (QToolBar *toolbar : {tbxtlbrFile, tbxtlbrView})
        toolbar->setIconSize(QSize(16, 16));
    connect(actViewFileBar, &QAction::triggered, tbxtlbrFile, &QWidget::setVisible);
    connect(actViewChartBar, &QAction::triggered, tbxtlbrView, &QWidget::setVisible);
    // A toolbar closed by its own means unchecks its command.
    connect(tbxtlbrFile, &QToolBar::visibilityChanged, this, [this](bool On) {
        if (!isMinimized() && isVisible())
            actViewFileBar->setChecked(On);
    });
    connect(tbxtlbrView, &QToolBar::visibilityChanged, this, [this](bool On) {
        if (!isMinimized() && isVisible())
            actViewChartBar->setChecked(On);
    });

    TBXpmChart = new QMenu(this);
    TBXpmChart->addAction(actFileOption);
    TBXpmChart->addSeparator();
    TBXpmChart->addAction(actShowLegend);
    TBXpmChart->addAction(actAllowScrollChart);
    TBXpmChart->addAction(actAutoScroll);

    Chart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Chart, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &At) { TBXpmChart->popup(Chart->mapToGlobal(At)); });

    TBXpmTrayIcon = new QMenu(this);
    TBXpmTrayIcon->addAction(actShowMainWindow);
    TBXpmTrayIcon->setDefaultAction(actShowMainWindow);
    TBXpmTrayIcon->addSeparator();
    TBXpmTrayIcon->addAction(actFileEnabled);
    TBXpmTrayIcon->addAction(actFileDisabled);
    TBXpmTrayIcon->addSeparator();
    TBXpmTrayIcon->addAction(actFileExit);
    TrayIcon->setContextMenu(TBXpmTrayIcon);
}

void TfrmMain::ApplyUiTexts()
{
    setWindowTitle(LoadStr(TTextId::AppTitle));
    menuBar()->setWindowTitle(LoadStr(TTextId::MenuBarCaption));
    tbxtlbrFile->setWindowTitle(LoadStr(TTextId::FileToolbarCaption));
    tbxtlbrView->setWindowTitle(LoadStr(TTextId::ChartToolbarCaption));
    mnuFile->setTitle(LoadStr(TTextId::MenuFile));
    mnuReopen->setTitle(LoadStr(TTextId::MenuReopen));
    mnuView->setTitle(LoadStr(TTextId::MenuView));
    mnuToolbars->setTitle(LoadStr(TTextId::MenuToolbars));
    mnuChart->setTitle(LoadStr(TTextId::MenuChart));
    mnuHelp->setTitle(LoadStr(TTextId::MenuHelp));
    for (const TActionEntry &entry : ActionTable) {
        QAction *action = this->*entry.Member;
        action->setText(LoadStr(entry.Caption));
        if (entry.Hint != NoHint) {
            action->setToolTip(LoadStr(entry.Hint));
            action->setStatusTip(LoadStr(entry.Hint));
        }
    }
    tbxtlwndwChannelState->setWindowTitle(LoadStr(TTextId::ChannelStateWindowCaption));
    tbxtlwndwDataBox->setWindowTitle(LoadStr(TTextId::DataBoxWindowCaption));

    // Icons 0, 1, 2, ... as far as the program carries them.
    IconList.clear();
    for (int n = 0;; ++n) {
        const QIcon icon = LoadAppIcon(n);
        if (icon.isNull())
            break;
        IconList << icon;
    }
    const QIcon appIcon = Icon(0);
    setWindowIcon(appIcon);
    TrayIcon->setIcon(appIcon);
    for (const TActionEntry &entry : ActionTable)
        if (entry.Image >= 0)
            (this->*entry.Member)->setIcon(Icon(entry.Image));
    mnuReopen->setIcon(Icon(1));
    StatusBarPanels->Icons = IconList;
    StatusBarPanels->ApplyTexts();
    vstChannelInfo->ApplyTexts(Icon(10));
    ChannelStatePanel->ApplyTexts();
}
