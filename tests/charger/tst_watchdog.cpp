// The watchdog thread with short intervals: what it posts, and when.
#include "charger/MessageWindow.h"
#include "charger/TimerThread.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

namespace {

struct TPostLog {
    TPostLog()
        : Window([this](std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam) {
              if (msg == WM_TIMEOUT && wParam == 7 && lParam == 0)
                  Times << Clock.elapsed();
          })
    {
        Clock.start();
    }
    QElapsedTimer Clock;
    QList<qint64> Times;
    TMessageWindow Window;
};

// Lets posts arrive for a while; for proving that none come.
void Idle(int Milliseconds) { QTest::qWait(Milliseconds); }

} // namespace

class TWatchdogTest : public QObject
{
    Q_OBJECT

private slots:
    void postsOncePerIntervalWhileSilent();
    void createdSuspended();
    void nothingWhileUnlimited();
    void kickRestartsTheInterval();
    void switchingOffEndsTheWaitWithoutAPost();
    void setIntervalWithTheCurrentValueWakesNothing();
    void newIntervalGovernsTheNextWait();
    void destructionEndsAndJoins();
};

void TWatchdogTest::postsOncePerIntervalWhileSilent()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, 80);
    watchdog.FSuspendAfterWait = false;
    watchdog.Resume();
    QTRY_VERIFY_WITH_TIMEOUT(log.Times.size() >= 4, 5000);
    for (qsizetype i = 1; i < log.Times.size(); ++i)
        QVERIFY2(log.Times[i] - log.Times[i - 1] >= 60, qPrintable(QString::number(log.Times[i] - log.Times[i - 1])));
    QVERIFY(log.Times.first() >= 70);
}

void TWatchdogTest::createdSuspended()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, 30);
    watchdog.FSuspendAfterWait = false;
    Idle(200);
    QVERIFY(log.Times.isEmpty());
    QVERIFY(watchdog.Suspended());
    watchdog.Resume();
    QTRY_VERIFY_WITH_TIMEOUT(!log.Times.isEmpty(), 5000);
}

void TWatchdogTest::nothingWhileUnlimited()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, WaitWithoutLimit);
    watchdog.FSuspendAfterWait = false;
    watchdog.Resume();
    Idle(300);
    QVERIFY(log.Times.isEmpty());
    // Kicks and a return to the unlimited wait post nothing either.
    watchdog.Kick();
    watchdog.SetInterval(5000);
    watchdog.SetInterval(WaitWithoutLimit);
    Idle(200);
    QVERIFY(log.Times.isEmpty());
}

void TWatchdogTest::kickRestartsTheInterval()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, 250);
    watchdog.FSuspendAfterWait = false;
    watchdog.Resume();
    QElapsedTimer kicking;
    kicking.start();
    while (kicking.elapsed() < 700) {
        watchdog.Kick();
        QTest::qWait(40);
    }
    QVERIFY(log.Times.isEmpty());
    const qint64 lastKick = log.Clock.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(!log.Times.isEmpty(), 5000);
    const qint64 afterLastKick = log.Times.first() - lastKick;
    QVERIFY2(afterLastKick >= 200, qPrintable(QString::number(afterLastKick)));
    // The interval runs from the last kick, not from the wait that the kicks fell into.
    QVERIFY2(afterLastKick < 450, qPrintable(QString::number(afterLastKick)));
}

void TWatchdogTest::switchingOffEndsTheWaitWithoutAPost()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, 150);
    watchdog.FSuspendAfterWait = false;
    watchdog.Resume();
    QTest::qWait(50);
    watchdog.FSuspendAfterWait = true;
    watchdog.Kick();
    QTRY_VERIFY_WITH_TIMEOUT(watchdog.Suspended(), 5000);
    Idle(400);
    QVERIFY(log.Times.isEmpty());
    // Switched on again: it waits and posts as before.
    watchdog.FSuspendAfterWait = false;
    watchdog.Resume();
    QTRY_VERIFY_WITH_TIMEOUT(log.Times.size() >= 2, 5000);
}

void TWatchdogTest::setIntervalWithTheCurrentValueWakesNothing()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, 600);
    watchdog.FSuspendAfterWait = false;
    log.Clock.restart();
    watchdog.Resume();
    QTest::qWait(300);
    watchdog.SetInterval(600);
    QTRY_VERIFY_WITH_TIMEOUT(!log.Times.isEmpty(), 5000);
    // A wake-up would have started a new 600 ms wait and posted near 900 ms.
    QVERIFY2(log.Times.first() < 850, qPrintable(QString::number(log.Times.first())));
}

void TWatchdogTest::newIntervalGovernsTheNextWait()
{
    TPostLog log;
    TTimerThread watchdog(&log.Window, 7, WaitWithoutLimit);
    watchdog.FSuspendAfterWait = false;
    watchdog.Resume();
    QTest::qWait(50);
    const qint64 changed = log.Clock.elapsed();
    watchdog.SetInterval(100);
    QCOMPARE(watchdog.Interval(), 100u);
    QTRY_VERIFY_WITH_TIMEOUT(!log.Times.isEmpty(), 5000);
    QVERIFY(log.Times.first() - changed >= 90);
    // Terminated: intervals no longer change.
    watchdog.Terminate();
    watchdog.SetInterval(300);
    QCOMPARE(watchdog.Interval(), 100u);
}

void TWatchdogTest::destructionEndsAndJoins()
{
    TPostLog log;
    {
        TTimerThread neverStarted(&log.Window, 7, 20);
    }
    {
        TTimerThread waiting(&log.Window, 7, WaitWithoutLimit);
        waiting.FSuspendAfterWait = false;
        waiting.Resume();
        QTest::qWait(20);
    }
    {
        TTimerThread parked(&log.Window, 7, 20);
        parked.Resume();
        QTRY_VERIFY_WITH_TIMEOUT(parked.Suspended(), 5000);
    }
    QCoreApplication::sendPostedEvents();
    log.Times.clear();
    {
        auto running = std::make_unique<TTimerThread>(&log.Window, 7, 30);
        running->FSuspendAfterWait = false;
        running->Resume();
        QTRY_VERIFY_WITH_TIMEOUT(!log.Times.isEmpty(), 5000);
        running.reset();
    }
    QCoreApplication::sendPostedEvents();
    const qsizetype afterJoin = log.Times.size();
    Idle(150);
    QCOMPARE(log.Times.size(), afterJoin);
}

QTEST_GUILESS_MAIN(TWatchdogTest)
#include "tst_watchdog.moc"
