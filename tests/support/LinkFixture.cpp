#include "LinkFixture.h"

QByteArray MakeFrame(int Channel, std::uint16_t Voltage, std::uint16_t Current, std::uint16_t Minutes,
                     std::uint16_t Capacity, std::uint16_t Temperature)
{
    QByteArray frame(16, '\0');
    frame[0] = static_cast<char>(0xC0 + Channel);
    frame[1] = static_cast<char>(0xFF);
    const std::uint16_t words[7] = {Voltage, 0, 0, Current, Temperature, Minutes, Capacity};
    for (int k = 0; k < 7; ++k) {
        frame[2 + 2 * k] = static_cast<char>(words[k] & 0xFF);
        frame[3 + 2 * k] = static_cast<char>(words[k] >> 8);
    }
    return frame;
}

TEventLog::TEventLog(TKRVCharger &Charger)
{
    const auto note = [this](const char *name) { return [this, name](TKRVCharger *) { Events << name; }; };
    Charger.OnOpen = note("open");
    Charger.OnClose = note("close");
    Charger.OnTimeOut = note("timeout");
    Charger.OnFailure = note("failure");
    Charger.OnDataAvail = note("avail");
    Charger.OnBeforeCheck = note("beforecheck");
    Charger.OnAfterCheck = note("aftercheck");
    Charger.OnPicket = note("picket");
    Charger.OnReceiveData = [this](TKRVChannel *channel, std::int32_t flag) {
        Events << QStringLiteral("receive %1 %2").arg(channel->Index()).arg(flag);
    };
    Charger.OnChannelStateChange = [this](TKRVChannel *channel) {
        Events << QStringLiteral("state %1 %2").arg(channel->Index()).arg(static_cast<int>(channel->State));
    };
}

QStringList TEventLog::Reports() const
{
    QStringList reports;
    for (const QString &event : Events)
        if (event.startsWith(QLatin1String("receive")))
            reports << event;
    return reports;
}

TLinkFixture::TLinkFixture()
{
    auto port = std::make_unique<TMemoryComPort>();
    Port = port.get();
    Charger = std::make_unique<TKRVCharger>(nullptr, std::move(port));
    Charger->Checker().TickSource = [this] { return Tick; };
    Log = std::make_unique<TEventLog>(*Charger);
    Charger->ComNumber = 1;
}

TLinkFixture::~TLinkFixture()
{
    Log.reset();
    Charger.reset();
    DeliverPosts();
}

void TLinkFixture::OpenIn(TFrameMode Mode)
{
    Charger->Open();
    const std::uint32_t gap = Mode == fmSingle ? 1000 : 50;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        Tick += gap;
        Port->Receive(QByteArray::fromHex(QByteArray::number(0xC0 + channel, 16) + "ff"));
    }
    DeliverPosts();
    Log->Clear();
}
