// Any byte stream, cut into any chunks, in either frame mode: the decoder never reads
// outside its blocks, keeps every block starting with its own start byte or zero, its
// counters only grow, and it takes no step that no frame or loss accounts for.
#include "charger/KRVCharger.h"
#include "charger/MemoryComPort.h"

#include <QCoreApplication>

#include <cstdlib>
#include <memory>

namespace {

struct TFuzzLink {
    TFuzzLink()
    {
        auto port = std::make_unique<TMemoryComPort>();
        Port = port.get();
        Port->SetRenotify(true);
        Charger = std::make_unique<TKRVCharger>(nullptr, std::move(port));
        Charger->Checker().TickSource = [this] { return Tick; };
        Charger->ComNumber = 1;
        Charger->OnReceiveData = [](TKRVChannel *Channel, std::int32_t Flag) {
            if (Channel->Index() < 0 || Channel->Index() >= ChannelCount || Flag < 0 || Flag > 3)
                std::abort();
            for (int token = static_cast<int>(vtUnLoadVoltage); token <= static_cast<int>(vtImpedance); ++token)
                if (Channel->GetValue(static_cast<TValueToken>(token)) > 0x1FFF)
                    std::abort();
        };
    }
    TMemoryComPort *Port = nullptr;
    std::unique_ptr<TKRVCharger> Charger;
    std::uint32_t Tick = 0;
};

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    static int argc = 1;
    static char name[] = "fuzz_decoder";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static TFuzzLink link;
    if (Size < 1)
        return 0;

    // The first byte picks the mode and the chunk sizes; the rest is the line.
    const std::uint8_t control = Data[0];
    TKRVCharger &charger = *link.Charger;
    charger.Open();
    const std::uint32_t gap = control & 1 ? 1000 : 50;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        link.Tick += gap;
        link.Port->Receive(QByteArray::fromRawData(&"\xC0\xFF\xC1\xFF\xC2\xFF\xC3\xFF"[2 * channel], 2));
    }
    Check(charger.FrameMode() == (control & 1 ? fmSingle : fmGroup));

    const std::size_t chunk = 1 + (control >> 1);
    std::uint32_t packets = 0, lost = 0, samples = 0;
    for (std::size_t at = 1; at < Size; at += chunk) {
        const std::size_t size = std::min(chunk, Size - at);
        link.Port->Receive(QByteArray(reinterpret_cast<const char *>(Data + at), static_cast<qsizetype>(size)));
        QCoreApplication::sendPostedEvents();
        Check(charger.PacketCount() >= packets && charger.LostCount() >= lost && charger.SampleCount() >= samples);
        packets = charger.PacketCount();
        lost = charger.LostCount();
        samples = charger.SampleCount();
        // Every step is a frame that came or a whole group or round that was lost.
        Check(charger.SampleCount() <= charger.PacketCount() + charger.LostCount() / ChannelCount);
        const TDataPicket &decoder = charger.Decoder();
        Check(decoder.Position() >= -1 && decoder.Position() <= 1);
        Check(decoder.LastChannel() >= -1 && decoder.LastChannel() < ChannelCount);
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const std::uint8_t first = charger.GetFrame(channel)[0];
            Check(first == 0 || first == 0xC0 + channel);
        }
        Check(link.Port->BytesWaiting() <= 4096);
    }
    charger.Close();
    QCoreApplication::sendPostedEvents();
    return 0;
}
