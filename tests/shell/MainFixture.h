#pragma once
// The real main window over an in-memory port that a test feeds with frames.
#include "charger/MemoryComPort.h"
#include "display/ChannelStatePanel.h"
#include "display/ChartPages.h"
#include "display/DataBox.h"
#include "display/KRVChart.h"
#include "display/StatusPanels.h"
#include "shell/Main.h"
#include "tests/support/LinkFixture.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QTest>

#include <memory>

struct TMainFixture {
    TMainFixture()
    {
        auto port = std::make_unique<TMemoryComPort>();
        Port = port.get();
        Form = std::make_unique<TfrmMain>(std::move(port));
        Form->Charger->Checker().TickSource = [this] { return Tick; };
    }

    ~TMainFixture()
    {
        Form.reset();
        QCoreApplication::sendPostedEvents();
    }

    // Opens COM 1 with receiving on and lets the checker choose Mode.
    void OpenIn(TFrameMode Mode)
    {
        TKRVCharger &charger = *Form->Charger;
        charger.ComNumber = 1;
        charger.Open();
        charger.SetEnabled(true);
        const std::uint32_t gap = Mode == fmSingle ? 1000 : 50;
        for (int channel = 0; channel < ChannelCount; ++channel) {
            Tick += gap;
            Port->Receive(QByteArray::fromHex(QByteArray::number(0xC0 + channel, 16) + "ff"));
        }
        QCoreApplication::sendPostedEvents();
    }

    void Feed(const QByteArray &Bytes)
    {
        Port->Receive(Bytes);
        QCoreApplication::sendPostedEvents();
    }

    // One sample step in single mode: a frame per channel with these values.
    void FeedStep(std::uint16_t Voltage, std::uint16_t Current, std::uint16_t Minutes = 0, std::uint16_t Capacity = 0)
    {
        for (int channel = 0; channel < ChannelCount; ++channel)
            Feed(MakeFrame(channel, Voltage, Current, Minutes, Capacity));
    }

    TChartSeries &Series(int AxisIndex, int Channel)
    {
        return *Form->Chart->SeriesGroups[static_cast<std::size_t>(AxisIndex)][static_cast<std::size_t>(Channel)];
    }

    TMemoryComPort *Port = nullptr;
    std::unique_ptr<TfrmMain> Form;
    std::uint32_t Tick = 0;
};

// Captions of a menu or toolbar in order, "-" for a separator.
inline QStringList ActionTexts(const QList<QAction *> &Actions)
{
    QStringList texts;
    for (const QAction *action : Actions)
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// Shows the window as the active one, so that its shortcuts reach it.
inline void ShowActive(QWidget &Window)
{
    Window.show();
    QApplication::setActiveWindow(&Window);
    QVERIFY(QTest::qWaitForWindowActive(&Window));
}
