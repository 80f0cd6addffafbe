#include "MessageWindow.h"

#include <QCoreApplication>

namespace {

class TPostedMessage final : public QEvent
{
public:
    TPostedMessage(std::uint32_t Msg, std::uint32_t WParam, std::uint32_t LParam)
        : QEvent(static_cast<QEvent::Type>(Msg)), FWParam(WParam), FLParam(LParam)
    {}
    std::uint32_t FWParam;
    std::uint32_t FLParam;
};

bool IsWindowMessage(QEvent::Type Type)
{
    return Type == QEvent::Type(WM_TIMEOUT) || Type == QEvent::Type(WM_PROGRESS);
}

} // namespace

TMessageWindow::TMessageWindow(TProcedure Procedure) : FProcedure(std::move(Procedure)) {}

void TMessageWindow::Post(std::uint32_t Msg, std::uint32_t WParam, std::uint32_t LParam)
{
    QCoreApplication::postEvent(this, new TPostedMessage(Msg, WParam, LParam));
}

bool TMessageWindow::event(QEvent *Event)
{
    if (!IsWindowMessage(Event->type()))
        return QObject::event(Event);
    const auto *message = static_cast<TPostedMessage *>(Event);
    if (FProcedure)
        FProcedure(static_cast<std::uint32_t>(Event->type()), message->FWParam, message->FLParam);
    return true;
}
