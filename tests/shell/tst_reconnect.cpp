// Reconnecting after an unplug: the simulated charger on a pseudo-terminal behind a stable link
// named in the Ports table, received by the real main window through the real serial layer.
#include "display/KRVChart.h"
#include "display/StatusPanels.h"
#include "settings/PortTable.h"
#include "shell/Main.h"
#include "shell/Reconnector.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempConfig.h"

#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr int AdapterCom = 207;

// The simulated charger behind a stable link named in the Ports table. Unplugging ends the
// simulator and removes the link, as the system does when an adapter goes; plugging starts a
// new one on another pseudo-terminal under the same name, as an adapter re-enumerating.
class TAdapter
{
public:
    TAdapter() : FLink(FFolder.filePath(QStringLiteral("adapter"))) {}

    bool Plug()
    {
        FSim = std::make_unique<TSimProcess>(QStringList{"--fast", "--quiet", "--seed", "9"});
        const QString device = FSim->WaitForLine(QStringLiteral("device "));
        return !device.isEmpty() && PointAt(device) && PortTable::WritePortDevice(AdapterCom, FLink);
    }
    void Unplug()
    {
        FSim.reset();
        QFile::remove(FLink);
    }
    bool PointAt(const QString &Target)
    {
        QFile::remove(FLink);
        return QFile::link(Target, FLink);
    }
    QString FilePath(const QString &Name) const { return FFolder.filePath(Name); }

private:
    QTemporaryDir FFolder;
    QString FLink;
    std::unique_ptr<TSimProcess> FSim;
};

// The steps of the export lines, header left out.
QList<uint> ExportSteps(const TfrmMain &Form)
{
    QList<uint> steps;
    for (std::size_t i = 1; i < Form.FExportLines->Count(); ++i)
        steps.append(Form.FExportLines->LineText(i).section(QLatin1Char(','), 0, 0).toUInt());
    return steps;
}

} // namespace

class TestReconnect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        PortTable::InstallPortLookup();
    }

    void FindsTheByIdNameOfADevice()
    {
        QTemporaryDir folder;
        QFile device(folder.filePath(QStringLiteral("ttyUSB3")));
        QVERIFY(device.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("ttyUSB1")), folder.filePath(QStringLiteral("usb-other"))));
        QVERIFY(QFile::link(device.fileName(), folder.filePath(QStringLiteral("usb-adapter-if00"))));
        QCOMPARE(TReconnector::StableName(device.fileName(), folder.path()),
                 folder.filePath(QStringLiteral("usb-adapter-if00")));
        QCOMPARE(TReconnector::StableName(folder.filePath(QStringLiteral("ttyUSB1")), folder.path()), QString());
        QCOMPARE(TReconnector::StableName(device.fileName(), folder.filePath(QStringLiteral("none"))), QString());
    }

    void ReopensTheAdapterThatComesBackAndContinuesTheRecording()
    {
        TAdapter adapter;
        QVERIFY(adapter.Plug());

        TfrmMain form;
        form.show();
        form.ReopenPort(AdapterCom);
        TChartSeries &series = *form.Chart->Series[0];
        QTRY_VERIFY_WITH_TIMEOUT(series.PointCount() >= 6, 20000);

        // The adapter goes: the port closes, the recording stays and the window waits.
        adapter.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(form.Reconnecting(), 5000);
        QCOMPARE(form.Charger->LinkState(), lsClosed);
        QVERIFY(form.StatusBarPanels->Panels[0]->toolTip().endsWith(QStringLiteral("等待重新连接")));
        QVERIFY(form.actFileClose->isEnabled());
        const int pointsBefore = series.PointCount();
        const double lastKeyBefore = series.MaxX();
        const std::size_t linesBefore = form.FExportLines->Count();
        const std::uint32_t framesBefore = form.Charger->PacketCount();
        QVERIFY(framesBefore > 0);

        QCOMPARE(form.StatusBarPanels->Panels[0]->ImageIndex(), 7);
        QVERIFY(form.StatusBarPanels->Panels[0]->isEnabled());

        // A name that is back before its device can be opened: no message, the waiting goes on.
        TBoxAnswerer boxes(QMessageBox::Ok);
        QFile notADevice(adapter.FilePath(QStringLiteral("not-a-tty")));
        QVERIFY(notADevice.open(QIODevice::WriteOnly));
        QVERIFY(adapter.PointAt(notADevice.fileName()));
        QTRY_COMPARE_WITH_TIMEOUT(form.Charger->LinkState(), lsFailure, 5000);
        QVERIFY(form.Reconnecting());
        QCOMPARE(boxes.Count(), 0);

        // It comes back.
        QVERIFY(adapter.Plug());
        QTRY_VERIFY_WITH_TIMEOUT(form.Charger->LinkState() == lsOpen && form.Charger->Port().Open(), 5000);
        QVERIFY(!form.Reconnecting());
        QCOMPARE(form.Chart->Series[0].get(), &series);
        QTRY_VERIFY_WITH_TIMEOUT(series.PointCount() >= pointsBefore + 6, 20000);

        // The points before and after with one gap between, the steps going on.
        const QCPGraphDataContainer &data = *series.Graph()->data();
        int gaps = 0;
        double previous = -1;
        for (auto point = data.constBegin(); point != data.constEnd(); ++point) {
            QVERIFY2(point->key > previous, qPrintable(QString::number(point->key)));
            previous = point->key;
            if (std::isnan(point->value)) {
                ++gaps;
                QVERIFY(point->key > lastKeyBefore);
            }
        }
        QCOMPARE(gaps, 1);
        QVERIFY(series.MaxX() > lastKeyBefore);
        // Rows and export lines continue; no frame is counted twice.
        QVERIFY(form.FExportLines->Count() > linesBefore);
        const QList<uint> steps = ExportSteps(form);
        QVERIFY(std::is_sorted(steps.cbegin(), steps.cend()));
        // The first line after the reopening is a step on from the last one before.
        const auto firstAfter = static_cast<qsizetype>(linesBefore) - 1;
        QVERIFY(steps[firstAfter] > steps[firstAfter - 1]);
        QVERIFY(form.Charger->PacketCount() > framesBefore);
        QVERIFY(form.Charger->PacketCount() <= framesBefore + form.FExportLines->Count() - linesBefore);
        QCOMPARE(boxes.Count(), 0);
        QVERIFY(form.close());
        QCOMPARE(boxes.Count(), 1); // the quit question
    }

    void ClosingByHandOrSwitchingOffStopsTheWaiting()
    {
        TAdapter adapter;
        QVERIFY(adapter.Plug());
        TfrmMain form;
        form.show();
        TBoxAnswerer answerer(QMessageBox::Ok);

        // A port closed by hand still has its device: no waiting.
        form.ReopenPort(AdapterCom);
        QTRY_VERIFY_WITH_TIMEOUT(form.Charger->PacketCount() > 0, 20000);
        form.actFileClose->trigger();
        QCOMPARE(form.Charger->LinkState(), lsClosed);
        QVERIFY(!form.Reconnecting());

        // Unplugged, then closed by hand while waiting: the adapter coming back is not opened.
        form.ReopenPort(AdapterCom);
        QTRY_VERIFY_WITH_TIMEOUT(form.Charger->PacketCount() > 0, 20000);
        adapter.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(form.Reconnecting(), 5000);
        form.actFileClose->trigger();
        QVERIFY(!form.Reconnecting());
        QVERIFY(!form.actFileClose->isEnabled());
        QVERIFY(!form.StatusBarPanels->Panels[0]->toolTip().endsWith(QStringLiteral("等待重新连接")));
        QVERIFY(adapter.Plug());
        QTest::qWait(300);
        QCOMPARE(form.Charger->LinkState(), lsClosed);

        // Switching the option off while waiting stops it too; with it off no waiting begins.
        form.ReopenPort(AdapterCom);
        QTRY_VERIFY_WITH_TIMEOUT(form.Charger->PacketCount() > 0, 20000);
        adapter.Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(form.Reconnecting(), 5000);
        TUnattendedOptions options = form.Unattended();
        options.Reconnect = false;
        form.SetUnattended(options);
        QVERIFY(!form.Reconnecting());
        QVERIFY(adapter.Plug());
        form.ReopenPort(AdapterCom);
        QTRY_VERIFY_WITH_TIMEOUT(form.Charger->PacketCount() > 0, 20000);
        adapter.Unplug();
        QTRY_COMPARE_WITH_TIMEOUT(form.Charger->LinkState(), lsClosed, 5000);
        QTest::qWait(100);
        QVERIFY(!form.Reconnecting());
        QVERIFY(form.close());
    }
};

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
