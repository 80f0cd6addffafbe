// A day of use, in one go, on the real main window with the real dialogs and the simulated
// charger on a pseudo-terminal: open from the port dialog, watch every page, change options,
// clear, save pictures, export, close, reopen from the recent list in group mode, quit.
#include "MainFixture.h"
#include "display/ChartPages.h"
#include "display/ChartSeries.h"
#include "display/KRVChart.h"
#include "settings/ChartSettings.h"
#include "settings/ColorPicker.h"
#include "settings/Option.h"
#include "settings/Port.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"
#include "shell/AppModule.h"
#include "shell/Main.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/SaveDialogDriver.h"
#include "tests/support/SimProcess.h"
#include "tests/support/StoredValues.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

constexpr int SimCom = 207;

} // namespace

class TestDayOfUse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void ADayWithTheCharger()
    {
        QTemporaryDir dir;
        auto sim = std::make_unique<TSimProcess>(
            QStringList{"--com", QString::number(SimCom), "--fast", "--quiet", "--seed", "5"});
        QCOMPARE(sim->WaitForLine("com "), QString::number(SimCom));

        auto owned = std::make_unique<TfrmMain>();
        TfrmMain &form = *owned;
        ShowActive(form);
        TBoxAnswerer boxes(QMessageBox::Ok);

        // Open the simulated charger from the port dialog.
        WhenModalUp<TfrmPort>([](TfrmPort *Dialog) {
            auto *list = Dialog->findChild<QTreeWidget *>(QStringLiteral("vstPortList"));
            const QList<QTreeWidgetItem *> found =
                list->findItems(QStringLiteral("COM%1").arg(SimCom), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            found[0]->setCheckState(0, Qt::Checked);
            Dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
        QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvane 联机应用程序 - COM%1").arg(SimCom));
        QVERIFY(form.actFileClose->isEnabled());
        QVERIFY(form.actFileEnabled->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(form.Charger->FrameMode(), fmSingle, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(form.Chart->Series[0]->PointCount() >= 30, 20000);
        QCOMPARE(boxes.Count(), 0);

        // Every page by its shortcut.
        ShowActive(form);
        const std::pair<Qt::Key, int> pages[] = {{Qt::Key_F2, 1}, {Qt::Key_F3, 2}, {Qt::Key_F5, 3}, {Qt::Key_F1, 0}};
        for (const auto &[key, tab] : pages) {
            QTest::keyClick(&form, key, Qt::ShiftModifier);
            QCOMPARE(form.tsTabPage->currentIndex(), tab);
            for (std::size_t n = 0; n < form.Chart->Series.size(); ++n)
                QCOMPARE(form.Chart->Series[n]->Active(), tab == 0 || int(n / 4) == tab - 1);
        }

        // Options: a voltage range, a line colour and the page width, confirmed with OK.
        const QColor picked = TColorPickerButton::PaletteColors()[5];
        WhenModalUp<TfrmOption>([&](TfrmOption *Dialog) {
            Dialog->edtMinValue->setValue(1.1);
            Dialog->lstItems->setCurrentRow(1);
            Dialog->btnLineColor->Swatches()[5]->click();
            Dialog->lstItems->setCurrentRow(2);
            Dialog->edtPageWidth->setValue(20);
            Dialog->btnOk->click();
        });
        QTest::keyClick(&form, Qt::Key_F8);
        QCOMPARE(form.Chart->CustomAxes[0].Axis->range().lower, 1.1);
        QCOMPARE(form.Chart->Series[0]->Color(), picked);
        QCOMPARE(form.Pages->PageSamples, 300u);
        QCOMPARE(Stored(SettingsKeys::AxisRange, QStringLiteral("Axis_0_Min")), 1100);
        QCOMPARE(Stored(SettingsKeys::LinePen, QStringLiteral("Line_0_Color")), qint32(ToStoredColor(picked)));
        QCOMPARE(Stored(SettingsKeys::Root, QStringLiteral("PageWidth")), 20);
        QCOMPARE(boxes.Count(), 0);

        // Clear the data after the question, and receive again.
        ShowActive(form);
        QTest::keyClick(&form, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(boxes.Count(), 1);
        QCOMPARE(boxes.Texts[0], QStringLiteral("确定要清除数据吗？清除后数据将不能恢复。"));
        QCOMPARE(form.Chart->Series[0]->PointCount(), 0);
        QVERIFY(form.FExportLines->IsEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(form.Chart->Series[0]->PointCount() >= 10, 20000);

        // The chart as PNG, JPEG and BMP, then the recorded values as CSV.
        const std::pair<QString, int> pictures[] = {{"day.png", 3}, {"day.jpg", 2}, {"day.bmp", 1}};
        for (const auto &[name, type] : pictures) {
            TDialogDriver save(dir.filePath(name), type);
            form.actFileSaveAs->trigger();
            QCOMPARE(save.Count, 1);
            const QImage written(dir.filePath(name));
            QVERIFY2(!written.isNull(), qPrintable(name));
            QCOMPARE(written.size(), form.Chart->size());
        }
        form.Charger->SetEnabled(false);
        // The header and one line per report, each ending in CR LF.
        const int lines = int(form.FExportLines->Count());
        {
            TDialogDriver save(dir.filePath("day.csv"));
            form.actFileExport->trigger();
            QCOMPARE(save.Count, 1);
        }
        QFile csv(dir.filePath("day.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = csv.readAll().split('\n');
        QCOMPARE(rows.first(), QByteArray("Idx,#,V,mA,C,min,mAh\r"));
        QCOMPARE(rows.size() - 1, lines);
        QVERIFY(rows.last().isEmpty());
        QVERIFY(lines >= 10);
        form.Charger->SetEnabled(true);

        // Close after the question; the data stay.
        const int before = boxes.Count();
        form.actFileClose->trigger();
        QCOMPARE(boxes.Count(), before + 1);
        QCOMPARE(form.Charger->LinkState(), lsClosed);
        QVERIFY(!form.actFileClose->isEnabled());
        QVERIFY(form.Chart->Series[0]->PointCount() >= 10);

        // The charger comes back in group mode; reopen it from the recent list.
        sim.reset();
        sim = std::make_unique<TSimProcess>(
            QStringList{"--com", QString::number(SimCom), "--fast", "--quiet", "--mode", "group", "--seed", "6"});
        QCOMPARE(sim->WaitForLine("com "), QString::number(SimCom));
        QCOMPARE(form.RecentPortItems().first()->text(), QStringLiteral("COM%1").arg(SimCom));
        form.RecentPortItems().first()->trigger();
        QCOMPARE(form.Charger->LinkState(), lsOpen);
        QTRY_COMPARE_WITH_TIMEOUT(form.Charger->FrameMode(), fmGroup, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(form.Chart->Series[0]->PointCount() >= 5, 30000);
        // A port open rebuilds the series from what OK stored.
        QCOMPARE(form.Chart->Series[0]->Color(), picked);

        // Quit after the question.
        const int questions = boxes.Count();
        QVERIFY(form.close());
        QCOMPARE(boxes.Count(), questions + 1);
        owned.reset();
        QCOMPARE(Stored(SettingsKeys::OpenedList, QStringLiteral("0")), SimCom);
    }

    void UnpluggedChargerLeavesTheRecordingExportable()
    {
        constexpr int Com = SimCom + 1;
        QTemporaryDir dir;
        auto sim = std::make_unique<TSimProcess>(QStringList{"--com", QString::number(Com), "--fast", "--quiet"});
        QCOMPARE(sim->WaitForLine("com "), QString::number(Com));
        TfrmMain form;
        form.show();
        TBoxAnswerer boxes(QMessageBox::Ok);
        form.OpenFromPortSelection({1, 1, Com});
        QTRY_VERIFY_WITH_TIMEOUT(form.Chart->Series[0]->PointCount() >= 10, 20000);

        // The adapter is pulled out while frames arrive.
        sim.reset();
        QTRY_COMPARE_WITH_TIMEOUT(form.Charger->LinkState(), lsClosed, 5000);
        // Closing by hand stays offered: it ends the waiting for the adapter.
        QVERIFY(form.Reconnecting());
        QVERIFY(form.actFileClose->isEnabled());
        QVERIFY(!form.actFileEnabled->isEnabled());
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvane 联机应用程序"));
        const int points = form.Chart->Series[0]->PointCount();
        QVERIFY(points >= 10);
        const int lines = int(form.FExportLines->Count());
        {
            TDialogDriver save(dir.filePath("after.csv"));
            form.actFileExport->trigger();
            QCOMPARE(save.Count, 1);
        }
        QFile csv(dir.filePath("after.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(int(csv.readAll().count('\n')), lines);
        QCOMPARE(form.Chart->Series[0]->PointCount(), points);
        QCOMPARE(boxes.Count(), 0);
        QVERIFY(form.close());
    }
};

QTEST_MAIN(TestDayOfUse)
#include "tst_day_of_use.moc"
