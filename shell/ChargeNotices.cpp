#include "ChargeNotices.h"

#include "resources/Texts.h"
#include "settings/TextFormat.h"

#include <chrono>

QString ChargeNoticeBody(std::uint16_t Capacity, std::uint16_t Minutes)
{
    const QString time = QStringLiteral("%1:%2").arg(Minutes / 60).arg(Minutes % 60, 2, 10, QLatin1Char('0'));
    return FormatText(LoadStr(TTextId::ChargeDoneBody), {static_cast<long long>(Capacity), time});
}

TChargeNotices::TChargeNotices(TNoticeSink &Sink, std::function<QString(int)> ChannelName,
                               std::function<bool()> Enabled)
    : Clock([] {
          using namespace std::chrono;
          return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
      }),
      FSink(Sink), FChannelName(std::move(ChannelName)), FEnabled(std::move(Enabled))
{}

void TChargeNotices::Report(int Channel, bool Sound, bool Working, std::uint16_t Capacity, std::uint16_t Minutes)
{
    if (!Sound || Channel < 0 || Channel >= static_cast<int>(FCharges.size()))
        return;
    TCharge &charge = FCharges[static_cast<std::size_t>(Channel)];
    if (Working) {
        if (!charge.Charging)
            charge = {true, Clock(), 0, 0};
        charge.Capacity = Capacity;
        charge.Minutes = Minutes;
        return;
    }
    if (!charge.Charging)
        return;
    charge.Charging = false;
    if (Clock() - charge.Since < ChargeNoticeMinimumMs || !FEnabled())
        return;
    // The idle frame still carries the capacity; the working time it no longer has.
    const std::uint16_t capacity = Capacity != 0 ? Capacity : charge.Capacity;
    FSink.ShowNotice({Channel, FormatText(LoadStr(TTextId::ChargeDoneSummary), {FChannelName(Channel)}),
                      ChargeNoticeBody(capacity, charge.Minutes)});
}
