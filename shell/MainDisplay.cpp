#include "Main.h"

#include "KeepAwake.h"
#include "display/ChannelStatePanel.h"
#include "display/ChartDecorations.h"
#include "display/ChartPages.h"
#include "display/DataBox.h"
#include "display/KRVChart.h"
#include "display/StatusPanels.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QStatusBar>

namespace {

// A tool window closed by its own close button unchecks its command.
void UncheckOnClose(TfrmMain *Form, QDockWidget *Dock, QAction *Action)
{
    QObject::connect(Dock, &QDockWidget::visibilityChanged, Form, [Form, Dock, Action](bool) {
        if (Form->isVisible() && !Form->isMinimized() && Dock->isHidden())
            Action->setChecked(false);
    });
}

} // namespace

void TfrmMain::CreateToolWindows()
{
    tbxtlwndwChannelState = new QDockWidget(this);
    tbxtlwndwChannelState->setObjectName(QStringLiteral("tbxtlwndwChannelState"));
    ChannelStatePanel = new TChannelStatePanel(*Charger, tbxtlwndwChannelState);
    tbxtlwndwChannelState->setWidget(ChannelStatePanel);
    tbxtlwndwChannelState->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    addDockWidget(Qt::BottomDockWidgetArea, tbxtlwndwChannelState);

    tbxtlwndwDataBox = new QDockWidget(this);
    tbxtlwndwDataBox->setObjectName(QStringLiteral("tbxtlwndwDataBox"));
    vstChannelInfo = new TDataBoxView(FRows, tbxtlwndwDataBox);
    vstChannelInfo->setMinimumWidth(600);
    vstChannelInfo->setMaximumWidth(700);
    vstChannelInfo->setFixedHeight(132);
    vstChannelInfo->resize(658, 132);
    tbxtlwndwDataBox->setWidget(vstChannelInfo);
    tbxtlwndwDataBox->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    addDockWidget(Qt::BottomDockWidgetArea, tbxtlwndwDataBox);
    splitDockWidget(tbxtlwndwChannelState, tbxtlwndwDataBox, Qt::Horizontal);

    vstChannelInfo->Model()->OnChecked = [this](int RowIndex) { Pages->vstChannelInfoChecked(RowIndex); };
    vstChannelInfo->Delegate()->ColorBoxOf = [this](int RowIndex, int Tag) { return ColorBoxOf(RowIndex, Tag); };
    vstChannelInfo->OnDescriptionChanged = [this] {
        RecordDescriptions();
        vstChannelInfo->viewport()->update();
        Chart->QueueRepaint();
    };
}

void TfrmMain::BuildDataBox()
{
    BuildChannelRows(FRows, Charger->Channels().Count());
    vstChannelInfo->BuildDataBox();
}

std::optional<QColor> TfrmMain::ColorBoxOf(int RowIndex, int Tag) const
{
    if (!actShowLegend->isChecked() || RowIndex < 0 || RowIndex >= static_cast<int>(FRows.size()))
        return std::nullopt;
    const TChannelRow &row = FRows[static_cast<std::size_t>(RowIndex)];
    if (!row.Checked)
        return std::nullopt;
    const int page = tsTabPage->currentIndex();
    int axis = -1;
    if (page <= 0) {
        axis = TChartDecorations::AxisIndexOfToken(static_cast<TValueToken>(Tag));
    } else if (page - 1 < static_cast<int>(AxisValueTokens.size()) &&
               static_cast<int>(AxisValueTokens[static_cast<std::size_t>(page - 1)]) == Tag) {
        axis = page - 1;
    }
    if (axis < 0 || axis >= static_cast<int>(Chart->SeriesGroups.size()))
        return std::nullopt;
    const std::vector<TChartSeries *> &group = Chart->SeriesGroups[static_cast<std::size_t>(axis)];
    if (row.ChannelIndex < 0 || row.ChannelIndex >= static_cast<int>(group.size()))
        return std::nullopt;
    return group[static_cast<std::size_t>(row.ChannelIndex)]->Color();
}

void TfrmMain::ChargerChannelStateChange(TKRVChannel *Sender)
{
    ChannelStatePanel->ChargerChannelStateChange(Sender);
    if (KeepAwake)
        KeepAwake->Refresh();
}

void TfrmMain::actViewPortStatePanelExecute(QAction *Sender)
{
    StatusBarPanels->SetPanelVisible(Sender->data().toInt(), Sender->isChecked());
}

QMenu *TfrmMain::createPopupMenu()
{
    // The top dock's menu; the caller owns it.
    auto *menu = new QMenu(this);
    menu->addAction(actViewFileBar);
    menu->addAction(actViewChartBar);
    return menu;
}

void TfrmMain::CreateViewMenus()
{
    TBXpmToolbar = createPopupMenu();
    TBXpmBottomBar = new QMenu(this);
    TBXpmBottomBar->addAction(actViewChannelStatePanel);
    TBXpmBottomBar->addAction(actViewDataBox);
    TBXpmStatusBar = new QMenu(this);
    for (QAction *panel :
         {actViewPortStatePanel, actViewDataStatePanel, actViewTotalFrameCountPanel, actViewLostFrameCountPanel}) {
        TBXpmStatusBar->addAction(panel);
        connect(panel, &QAction::triggered, this, [this, panel] { actViewPortStatePanelExecute(panel); });
    }
    statusBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(statusBar(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &At) { TBXpmStatusBar->popup(statusBar()->mapToGlobal(At)); });
    for (QDockWidget *dock : {tbxtlwndwChannelState, tbxtlwndwDataBox}) {
        dock->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(dock, &QWidget::customContextMenuRequested, this,
                [this, dock](const QPoint &At) { TBXpmBottomBar->popup(dock->mapToGlobal(At)); });
    }
    connect(actViewChannelStatePanel, &QAction::triggered, tbxtlwndwChannelState, &QWidget::setVisible);
    connect(actViewDataBox, &QAction::triggered, tbxtlwndwDataBox, &QWidget::setVisible);
    UncheckOnClose(this, tbxtlwndwChannelState, actViewChannelStatePanel);
    UncheckOnClose(this, tbxtlwndwDataBox, actViewDataBox);
}
