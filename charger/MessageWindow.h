#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

// Private messages of the charger's hidden window.
inline constexpr std::uint32_t WM_TIMEOUT = 0x8321;  // from the watchdog thread
inline constexpr std::uint32_t WM_PROGRESS = 0x8322; // from the decoder

// The hidden message window: a GUI-thread object that receives posted messages from any
// thread and hands them, in posting order, to its procedure on its own thread. Messages
// wait in a queue of their own, and only the first of a batch wakes the event loop: the
// decoder posts several per frame.
class TMessageWindow final : public QObject
{
public:
    using TProcedure = std::function<void(std::uint32_t Msg, std::uint32_t WParam, std::uint32_t LParam)>;

    explicit TMessageWindow(TProcedure Procedure);

    // Safe from any thread; the message is handled later, on the window's thread.
    void Post(std::uint32_t Msg, std::uint32_t WParam, std::uint32_t LParam);
    // Forgets the messages of this kind that wait to be handled.
    void Discard(std::uint32_t Msg);

protected:
    bool event(QEvent *Event) override;

private:
    struct TMessage {
        std::uint32_t Msg;
        std::uint32_t WParam;
        std::uint32_t LParam;
    };

    TProcedure FProcedure;
    std::mutex FLock;
    std::deque<TMessage> FQueue; // guarded by FLock
    bool FWakePosted = false;    // guarded by FLock
};
