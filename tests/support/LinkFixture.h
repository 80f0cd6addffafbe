#pragma once

#include "charger/KRVCharger.h"
#include "charger/MemoryComPort.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>

#include <cstdint>
#include <memory>

// A frame of the charger's wire format with the given words.
QByteArray MakeFrame(int Channel, std::uint16_t Voltage, std::uint16_t Current, std::uint16_t Minutes = 0,
                     std::uint16_t Capacity = 0, std::uint16_t Temperature = 25);

// Records the charger's events as short texts, in the order raised.
class TEventLog
{
public:
    explicit TEventLog(TKRVCharger &Charger);
    QStringList Events;
    int Count(const QString &Name) const { return static_cast<int>(Events.count(Name)); }
    QStringList Reports() const; // "receive <channel> <flag>" only
    void Clear() { Events.clear(); }
};

// A charger on an in-memory port, opened as COM 1.
struct TLinkFixture {
    TLinkFixture();
    ~TLinkFixture();

    // Opens and feeds the four headers with ticks that make the checker choose Mode.
    void OpenIn(TFrameMode Mode);
    // Delivers posted messages (progress, time-outs) now.
    static void DeliverPosts() { QCoreApplication::sendPostedEvents(); }

    TMemoryComPort *Port = nullptr; // owned by Charger
    std::unique_ptr<TKRVCharger> Charger;
    std::unique_ptr<TEventLog> Log;
    std::uint32_t Tick = 0;
};
