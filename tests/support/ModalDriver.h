#pragma once
// Drives modal windows as a user would, from timers that run inside their event loops.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

// Runs Step once a modal window of type T is up. A dialog that Step leaves open is closed,
// so that a failed check ends the test instead of hanging it.
template <typename T> void WhenModalUp(std::function<void(T *)> Step)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, Step] {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        const QPointer<T> guard(dialog);
        Step(dialog);
        if (guard && guard->isVisible()) {
            QTest::qFail("the dialog stayed open", __FILE__, __LINE__);
            static_cast<QDialog *>(guard.data())->done(QDialog::Rejected);
        }
    });
    poll->start();
}

// While it lives, closes every modal dialog that comes up as Escape would, and counts them.
class TModalDismisser
{
public:
    TModalDismisser()
    {
        FPoll.setInterval(10);
        QObject::connect(&FPoll, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                dialog && dialog->isVisible()) {
                ++Count;
                dialog->reject();
            }
        });
        FPoll.start();
    }
    int Count = 0;

private:
    QTimer FPoll;
};
