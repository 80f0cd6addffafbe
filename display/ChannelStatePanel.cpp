#include "ChannelStatePanel.h"

#include "charger/KRVCharger.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QImage>
#include <QPainter>

TStatePaintBox::TStatePaintBox(TKRVCharger &Charger, int Tag, QWidget *Parent)
    : QWidget(Parent), FCharger(Charger), FTag(Tag)
{
    setFixedSize(69, 123);
}

void TStatePaintBox::paintEvent(QPaintEvent *)
{
    ++PaintCount;
    LastPicture = 0;
    if (FTag >= FCharger.Channels().Count())
        return;
    const int picture = FCharger.Channels().Items(FTag).State == csWorking ? 2 : 1;
    // Loaded for the paint and freed after it.
    std::unique_ptr<QImage> image;
    try {
        image = LoadResourceJpeg(picture);
    } catch (const TResourceError &) {
        return;
    }
    if (!image)
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, *image);
    LastPicture = picture;
}

TChannelStatePanel::TChannelStatePanel(TKRVCharger &Charger, QWidget *Parent) : QWidget(Parent)
{
    setFixedSize(315, 132);
    constexpr int Left[4] = {2, 82, 162, 242};
    for (int i = 0; i < 4; ++i) {
        auto *bevel = new QFrame(this);
        bevel->setFrameShape(QFrame::Panel);
        bevel->setFrameShadow(QFrame::Sunken);
        bevel->setGeometry(Left[i] - 2, 2, 73, 127);
        auto *box = new TStatePaintBox(Charger, i, bevel);
        box->move(2, 2);
        Bevels[static_cast<std::size_t>(i)] = bevel;
        PaintBoxes[static_cast<std::size_t>(i)] = box;
    }
}

void TChannelStatePanel::ApplyTexts()
{
    for (int i = 0; i < 4; ++i)
        Bevels[static_cast<std::size_t>(i)]->setToolTip(FormatText(LoadStr(TTextId::ChannelNumber), {i + 1LL}));
}

void TChannelStatePanel::ChargerChannelStateChange(TKRVChannel *Sender)
{
    if (Sender && Sender->Index() >= 0 && Sender->Index() < 4)
        PaintBoxes[static_cast<std::size_t>(Sender->Index())]->update();
}
