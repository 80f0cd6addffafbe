#pragma once
// The channel state panel: one battery picture per channel, coloured while it charges.
#include <QFrame>
#include <QWidget>

#include <array>

class TKRVCharger;
class TKRVChannel;

// A 69 x 123 box showing one channel's picture; the tag is the channel index.
class TStatePaintBox : public QWidget
{
public:
    TStatePaintBox(TKRVCharger &Charger, int Tag, QWidget *Parent);
    int Tag() const { return FTag; }
    int PaintCount = 0;
    // The picture number drawn at the last paint: 1 grey, 2 coloured, 0 none.
    int LastPicture = 0;

protected:
    void paintEvent(QPaintEvent *Event) override;

private:
    TKRVCharger &FCharger;
    int FTag;
};

class TChannelStatePanel : public QWidget
{
public:
    TChannelStatePanel(TKRVCharger &Charger, QWidget *Parent = nullptr);

    std::array<QFrame *, 4> Bevels{};
    std::array<TStatePaintBox *, 4> PaintBoxes{};
    // Bevel hints "通道 %d".
    void ApplyTexts();
    // Repaints only the box of the channel whose state changed.
    void ChargerChannelStateChange(TKRVChannel *Sender);
};
