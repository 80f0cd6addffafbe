#include "StatusPanels.h"

#include "resources/Texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>

TStatusPanel::TStatusPanel(int Width, QWidget *Parent) : QWidget(Parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(4);
    FIcon = new QLabel(this);
    FIcon->setFixedSize(16, 16);
    FText = new QLabel(this);
    // Of a fixed size, so that a count changing with every frame repaints the label alone and
    // lays out neither the panel nor the status bar.
    FText->setFixedSize(std::max(0, Width - 24), FText->fontMetrics().height());
    layout->addWidget(FIcon);
    layout->addWidget(FText, 1);
    setFixedWidth(Width);
    FShowTimer.setSingleShot(true);
    connect(&FShowTimer, &QTimer::timeout, this, [this] { ShowNow(); });
}

void TStatusPanel::SetImage(const QList<QIcon> &Icons, int Index)
{
    if (Index == FImage)
        return;
    FImage = Index;
    FPixmap = Index >= 0 && Index < Icons.size() ? Icons[Index].pixmap(16, 16) : QPixmap();
    FImageDue = true;
    Schedule();
}

void TStatusPanel::SetCaption(const QString &Caption)
{
    if (FCaption == Caption)
        return;
    FCaption = Caption;
    FCaptionDue = true;
    Schedule();
}

void TStatusPanel::Schedule()
{
    if (FShowTimer.isActive())
        return;
    const qint64 wait = FLastShown.isValid() ? 1000 / ShowsPerSecond - FLastShown.elapsed() : 0;
    if (wait > 0)
        FShowTimer.start(int(wait));
    else
        ShowNow();
}

void TStatusPanel::ShowNow()
{
    FShowTimer.stop();
    FLastShown.start();
    if (FImageDue)
        FIcon->setPixmap(FPixmap);
    if (FCaptionDue)
        FText->setText(FCaption);
    FImageDue = FCaptionDue = false;
}

TStatusPanels::TStatusPanels(QStatusBar *Bar, TKRVCharger &Charger) : FCharger(Charger)
{
    constexpr int Widths[5] = {23, 23, 80, 80, 23};
    for (int i = 0; i < 5; ++i) {
        Panels[static_cast<std::size_t>(i)] = new TStatusPanel(Widths[i], Bar);
        Bar->addWidget(Panels[static_cast<std::size_t>(i)], i == 4 ? 1 : 0);
    }
    // The last panel takes the remaining width.
    Panels[4]->setMinimumWidth(23);
    Panels[4]->setMaximumWidth(QWIDGETSIZE_MAX);
    for (int i = 0; i < 4; ++i)
        Panels[static_cast<std::size_t>(i)]->setEnabled(false);
    Panels[2]->SetCaption(QStringLiteral("0"));
    Panels[3]->SetCaption(QStringLiteral("0"));
}

void TStatusPanels::ApplyTexts()
{
    const TTextId hints[4] = {TTextId::PortStatePanelHint, TTextId::DataStatePanelHint,
                              TTextId::TotalFrameCountPanelHint, TTextId::LostFrameCountPanelHint};
    const int images[4] = {6, 24, 8, 9};
    for (int i = 0; i < 4; ++i) {
        Panels[static_cast<std::size_t>(i)]->setToolTip(LoadStr(hints[i]));
        Panels[static_cast<std::size_t>(i)]->SetImage(Icons, images[i]);
    }
    ShowPortStateHint(FCharger.LinkState(), FCharger.Port().Open());
}

void TStatusPanels::UpdatePortStatePanel(TLinkState State, bool Opened)
{
    const bool live = State == lsOpen || State == lsTimeOut;
    for (int i = 0; i < 4; ++i)
        Panels[static_cast<std::size_t>(i)]->setEnabled(live);
    ShowPortStateHint(State, Opened);
    if (FWaitingForAdapter && !Opened) {
        Panels[0]->setEnabled(true);
        Panels[0]->SetImage(Icons, 7);
        return;
    }
    // While the frame timing is unknown the check events own the image, but for a time-out:
    // a port on which nothing sends must show it.
    if (FCharger.FrameMode() == fmUnknown && !(Opened && State == lsTimeOut))
        return;
    int image;
    if (Opened)
        image = State == lsTimeOut ? 7 : 6;
    else
        image = State != lsClosed ? 21 : 6;
    Panels[0]->SetImage(Icons, image);
}

void TStatusPanels::UpdateTotalFrameCount() { Panels[2]->SetCaption(QString::number(FCharger.PacketCount())); }

void TStatusPanels::UpdateLostFrameCount() { Panels[3]->SetCaption(QString::number(FCharger.LostCount())); }

void TStatusPanels::ChargerDataAvail()
{
    Panels[1]->SetImage(Icons, 23);
    Panels[1]->setEnabled(true);
}

void TStatusPanels::ChargerPicket() { Panels[1]->SetImage(Icons, 24); }

void TStatusPanels::ChargerBeforeCheck()
{
    Panels[0]->SetImage(Icons, 25);
    ShowPortStateHint(lsOpen, true);
}

void TStatusPanels::ChargerAfterCheck()
{
    Panels[0]->SetImage(Icons, 6);
    ShowPortStateHint(FCharger.LinkState(), true);
}

void TStatusPanels::ShowPortStateHint(TLinkState State, bool Opened)
{
    TTextId hint = TTextId::PortStateClosed;
    if (FWaitingForAdapter && !Opened)
        hint = TTextId::PortStateReconnecting;
    else if (State == lsFailure)
        hint = TTextId::PortStateFailed;
    else if (Opened && State == lsTimeOut)
        hint = TTextId::PortStateNoData;
    else if (Opened && State == lsOpen)
        hint = FCharger.FrameMode() == fmUnknown ? TTextId::PortStateChecking : TTextId::PortStateReceiving;
    QString text = LoadStr(TTextId::PortStatePanelHint) + QStringLiteral("：") + LoadStr(hint);
    if (FKeepingAwake && Opened)
        text += QStringLiteral("，") + LoadStr(TTextId::PortKeepingAwake);
    Panels[0]->setToolTip(text);
}

void TStatusPanels::SetKeepingAwake(bool Held)
{
    FKeepingAwake = Held;
    ShowPortStateHint(FCharger.LinkState(), FCharger.Port().Open());
}

void TStatusPanels::SetWaitingForAdapter(bool Waiting)
{
    FWaitingForAdapter = Waiting;
    UpdatePortStatePanel(FCharger.LinkState(), FCharger.Port().Open());
}

void TStatusPanels::SetPanelVisible(int Index, bool Visible)
{
    if (Index >= 0 && Index < 4)
        Panels[static_cast<std::size_t>(Index)]->setVisible(Visible);
}
