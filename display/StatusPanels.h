#pragma once
// The status bar's panels: port state, data state, frames received, frames lost, and an
// empty one taking the rest.
#include "charger/KRVCharger.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class QStatusBar;

class TStatusPanel : public QWidget
{
public:
    TStatusPanel(int Width, QWidget *Parent);
    void SetImage(const QList<QIcon> &Icons, int Index);
    int ImageIndex() const { return FImage; }
    void SetCaption(const QString &Caption);
    const QString &Caption() const { return FCaption; }
    // At line rate the image and the count change with every frame: they are shown at most
    // ShowsPerSecond times a second, the first change after a quiet spell at once.
    static constexpr int ShowsPerSecond = 10;
    // What is still waiting, shown now.
    void ShowNow();

private:
    void Schedule();
    QLabel *FIcon = nullptr;
    QLabel *FText = nullptr;
    int FImage = -1;
    QPixmap FPixmap;
    QString FCaption;
    bool FImageDue = false;
    bool FCaptionDue = false;
    QTimer FShowTimer;
    QElapsedTimer FLastShown;
};

class TStatusPanels
{
public:
    TStatusPanels(QStatusBar *Bar, TKRVCharger &Charger);

    std::array<TStatusPanel *, 5> Panels{};
    // The main window's image list.
    QList<QIcon> Icons;

    void ApplyTexts();
    void UpdatePortStatePanel(TLinkState State, bool Opened);
    void UpdateTotalFrameCount();
    void UpdateLostFrameCount();
    void ChargerDataAvail();
    void ChargerPicket();
    void ChargerBeforeCheck();
    void ChargerAfterCheck();
    // Shows or hides panel Index in its place.
    void SetPanelVisible(int Index, bool Visible);
    // The port-state hint says so while the computer is kept awake.
    void SetKeepingAwake(bool Held);
    // While the port waits for its vanished adapter the port panel stays lit with the
    // waiting image and says so.
    void SetWaitingForAdapter(bool Waiting);

private:
    // The port-state panel's hint names the state in words.
    void ShowPortStateHint(TLinkState State, bool Opened);

    TKRVCharger &FCharger;
    bool FKeepingAwake = false;
    bool FWaitingForAdapter = false;
};
