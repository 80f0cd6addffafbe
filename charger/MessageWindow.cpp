#include "MessageWindow.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

const QEvent::Type WakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x321);

} // namespace

TMessageWindow::TMessageWindow(TProcedure Procedure) : FProcedure(std::move(Procedure)) {}

void TMessageWindow::Post(std::uint32_t Msg, std::uint32_t WParam, std::uint32_t LParam)
{
    std::lock_guard lock(FLock);
    FQueue.push_back({Msg, WParam, LParam});
    if (FWakePosted)
        return;
    FWakePosted = true;
    QCoreApplication::postEvent(this, new QEvent(WakeEvent));
}

void TMessageWindow::Discard(std::uint32_t Msg)
{
    std::lock_guard lock(FLock);
    std::erase_if(FQueue, [Msg](const TMessage &Message) { return Message.Msg == Msg; });
}

bool TMessageWindow::event(QEvent *Event)
{
    if (Event->type() != WakeEvent)
        return QObject::event(Event);
    {
        std::lock_guard lock(FLock);
        FWakePosted = false;
    }
    // One at a time: a handler may post more, or destroy the charger and this window.
    const QPointer<TMessageWindow> alive(this);
    for (;;) {
        TMessage message{};
        {
            std::lock_guard lock(FLock);
            if (FQueue.empty())
                break;
            message = FQueue.front();
            FQueue.pop_front();
        }
        if (FProcedure)
            FProcedure(message.Msg, message.WParam, message.LParam);
        if (!alive)
            break;
    }
    return true;
}
