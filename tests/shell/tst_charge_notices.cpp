// The notice when a charge is done: when it is due over sequences of frames, and the real main
// window's call to a notification service of the test's own on a private session bus.
#include "MainFixture.h"
#include "display/DataBox.h"
#include "display/ExportLines.h"
#include "settings/PortTable.h"
#include "shell/AppModule.h"
#include "shell/ChargeNotices.h"
#include "shell/DesktopNotifier.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempConfig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QElapsedTimer>

namespace {

class TRecordingSink : public TNoticeSink
{
public:
    QStringList Shown;
    void ShowNotice(const TChargeNotice &Notice) override
    {
        Shown << QStringLiteral("%1|%2|%3").arg(Notice.ChannelIndex).arg(Notice.Summary, Notice.Body);
    }
};

class TNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Calls;
    QList<qint64> CallTimes; // ms since the epoch

public slots:
    uint Notify(const QString &App, uint, const QString &, const QString &Summary, const QString &Body,
                const QStringList &, const QVariantMap &, int)
    {
        Calls << QStringList{App, Summary, Body}.join(QLatin1Char('|'));
        CallTimes << QDateTime::currentMSecsSinceEpoch();
        return static_cast<uint>(Calls.size());
    }
};

// Channel 1 at Current, the others idle.
void FeedChannel1(TMainFixture &F, std::uint16_t Voltage, std::uint16_t Current, std::uint16_t Minutes,
                  std::uint16_t Capacity)
{
    for (int channel = 0; channel < ChannelCount; ++channel)
        F.Feed(channel == 1 ? MakeFrame(channel, Voltage, Current, Minutes, Capacity) : MakeFrame(channel, 1300, 0));
}

} // namespace

class TestChargeNotices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
        PortTable::InstallPortLookup();
        QVERIFY(FBus.IsValid());
        FService = QDBusConnection::connectToBus(FBus.Address(), QStringLiteral("fake-notifications"));
        QVERIFY(FService.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &FNotifications,
                                        QDBusConnection::ExportAllSlots));
    }

    void cleanupTestCase() { QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications")); }

    // Frames of channel 2 as "<second><kind>": W charging (capacity 2000 + second, working
    // time 2:15 plus the minutes since 0), I idle with 2703 mAh, i idle without a capacity,
    // X an implausible frame, M a frame missing from its group.
    void DecidesWhenAChargeIsDone_data()
    {
        QTest::addColumn<QString>("Frames");
        QTest::addColumn<QString>("Description");
        QTest::addColumn<bool>("Enabled");
        QTest::addColumn<QStringList>("Expected");
        const QString done = QStringLiteral("1|通道 2 充电完成|");
        QTest::newRow("59 s is too short") << "0W 30W 59I"
                                           << "" << true << QStringList();
        QTest::newRow("61 s") << "0W 30W 61I 62I 90I"
                              << "" << true << QStringList{done + "2703 mAh, 2:15"};
        QTest::newRow("implausible frame") << "0W 61X 62W 70I"
                                           << "" << true << QStringList{done + "2703 mAh, 2:16"};
        QTest::newRow("missing group frame") << "0W 30M 61M 62W 125W 130M 131I"
                                             << "" << true << QStringList{done + "2703 mAh, 2:17"};
        QTest::newRow("capacity of the last charging frame") << "0W 61W 62i"
                                                             << "" << true << QStringList{done + "2061 mAh, 2:16"};
        QTest::newRow("second charge") << "0W 61I 62I 100W 130I 200W 300I"
                                       << "" << true << QStringList{done + "2703 mAh, 2:15", done + "2703 mAh, 2:18"};
        QTest::newRow("short charge after a long one resets") << "0W 61I 100W 150I"
                                                              << "" << true << QStringList{done + "2703 mAh, 2:15"};
        QTest::newRow("description") << "0W 61I"
                                     << "左边" << true
                                     << QStringList{QStringLiteral("1|通道 2 - 左边 充电完成|2703 mAh, 2:15")};
        QTest::newRow("option off") << "0W 61I"
                                    << "" << false << QStringList();
        QTest::newRow("never charged") << "0I 100I 200X"
                                       << "" << true << QStringList();
    }

    void DecidesWhenAChargeIsDone()
    {
        QFETCH(QString, Frames);
        QFETCH(QString, Description);
        QFETCH(bool, Enabled);
        QFETCH(QStringList, Expected);
        TRecordingSink sink;
        TChargeNotices notices(
            sink,
            [&](int Index) {
                return ChannelLabel(TChannelRow{Index, 1, Description});
            },
            [&] { return Enabled; });
        std::int64_t now = 0;
        notices.Clock = [&] { return now; };
        for (const QString &frame : Frames.split(QLatin1Char(' '))) {
            const int second = frame.chopped(1).toInt();
            const QChar kind = frame.back();
            now = second * 1000LL + 5'000'000;
            const auto capacity = static_cast<std::uint16_t>(kind == 'W' ? 2000 + second : kind == 'I' ? 2703 : 0);
            const auto minutes = static_cast<std::uint16_t>(kind == 'W' ? 135 + second / 60 : 0);
            notices.Report(1, kind != 'X' && kind != 'M', kind == 'W', capacity, minutes);
            // Another channel's frames never end channel 2's charge.
            notices.Report(0, true, false, 0, 0);
        }
        QCOMPARE(sink.Shown, Expected);
    }

    // The real window ends a charge with one Notify to the service; an implausible frame on
    // the way is no end. Without the service the tray shows it.
    void WindowNotifiesOnTheSessionBus()
    {
        for (const bool serviceThere : {true, false}) {
            if (serviceThere)
                QVERIFY(FService.registerService(QStringLiteral("org.freedesktop.Notifications")));
            else
                QVERIFY(FService.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
            FNotifications.Calls.clear();
            TMainFixture f;
            std::int64_t now = 0;
            f.Form->ChargeNotices->Clock = [&] { return now; };
            f.OpenIn(fmSingle);
            f.Form->FRows[1].Description = serviceThere ? QString() : QStringLiteral("左边");
            FeedChannel1(f, 1400, 900, 134, 2650);
            now = 30'000;
            FeedChannel1(f, 3000, 0, 0, 2680); // implausible voltage, no current
            now = 61'000;
            FeedChannel1(f, 1450, 900, 135, 2700);
            QTest::qWait(100);
            QCOMPARE(f.Form->Notifier->LastRoute(), nrNone);

            now = 62'000;
            FeedChannel1(f, 1420, 0, 0, 2703);
            FeedChannel1(f, 1420, 0, 0, 2703);
            if (serviceThere) {
                QTRY_COMPARE_WITH_TIMEOUT(FNotifications.Calls.size(), 1, 1000);
                QCOMPARE(FNotifications.Calls[0], QStringLiteral("Korvane|通道 2 充电完成|2703 mAh, 2:15"));
                QTRY_COMPARE(f.Form->Notifier->LastRoute(), nrBus);
            } else {
                QTRY_COMPARE(f.Form->Notifier->LastRoute(), nrTray);
            }
            QTest::qWait(200);
            QCOMPARE(FNotifications.Calls.size(), serviceThere ? 1 : 0);
        }
    }

    // The simulated charger, ten model seconds a frame at line rate, takes channel 1 to full
    // in about 15 s: one notice, with the capacity and working time the frames carried. The
    // window's clock runs at the model's pace, 600 times real time.
    void SimulatedChargeGivesOneNotice()
    {
        constexpr int Com = 209;
        QVERIFY(FService.registerService(QStringLiteral("org.freedesktop.Notifications")));
        FNotifications.Calls.clear();
        FNotifications.CallTimes.clear();
        TSimProcess sim({"--fast", "--quiet", "--scale", "10", "--com", QString::number(Com)});
        QVERIFY(!sim.WaitForLine(QStringLiteral("com ")).isEmpty());
        TfrmMain form;
        form.show();
        QElapsedTimer real;
        real.start();
        form.ChargeNotices->Clock = [&] { return real.elapsed() * 600; };
        // When each report of channel 1 reached the window, to time the notice.
        std::vector<std::pair<qint64, std::uint16_t>> reports;
        const TNotifyReceiveDataEvent received = form.Charger->OnReceiveData;
        form.Charger->OnReceiveData = [&, received](TKRVChannel *Sender, std::int32_t Flag) {
            received(Sender, Flag);
            if (Sender && Sender->Index() == 0)
                reports.emplace_back(QDateTime::currentMSecsSinceEpoch(), Sender->GetValue(vtCurrent));
        };
        form.ReopenPort(Com);
        QTRY_COMPARE_WITH_TIMEOUT(FNotifications.Calls.size(), 1, 90000);

        // The last charging line of channel 1 holds the working time, the line after it the
        // final capacity.
        int lastCharging = -1;
        for (std::size_t i = 1; i < form.FExportLines->Count(); ++i) {
            const QStringList line = form.FExportLines->LineText(i).split(QLatin1Char(','));
            if (line[1] == QLatin1String("1") && line[3].toUInt() > 0)
                lastCharging = static_cast<int>(i);
        }
        QVERIFY(lastCharging > 0);
        const uint minutes =
            form.FExportLines->LineText(std::size_t(lastCharging)).section(QLatin1Char(','), 5, 5).toUInt();
        QString capacity;
        for (std::size_t i = std::size_t(lastCharging) + 1; i < form.FExportLines->Count() && capacity.isEmpty(); ++i)
            if (form.FExportLines->LineText(i).section(QLatin1Char(','), 1, 1) == QLatin1String("1"))
                capacity = form.FExportLines->LineText(i).section(QLatin1Char(','), 6, 6);
        QVERIFY(minutes > 60);
        QCOMPARE(FNotifications.Calls[0], QStringLiteral("Korvane|通道 1 充电完成|%1 mAh, %2:%3")
                                              .arg(capacity)
                                              .arg(minutes / 60)
                                              .arg(minutes % 60, 2, 10, QLatin1Char('0')));
        const auto ending = std::find_if(reports.rbegin(), reports.rend(), [](const auto &r) { return r.second > 0; });
        QVERIFY(ending != reports.rbegin() && ending != reports.rend());
        qInfo("notice %lld ms after the frame that ended the charge",
              static_cast<long long>(FNotifications.CallTimes[0] - std::prev(ending)->first));

        // Idle from then on: no second notice.
        QTest::qWait(1000);
        QCOMPARE(FNotifications.Calls.size(), 1);
        TBoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(form.close());
    }

private:
    TPrivateBus FBus;
    QDBusConnection FService{QString()};
    TNotificationService FNotifications;
};

QTEST_MAIN(TestChargeNotices)
#include "tst_charge_notices.moc"
