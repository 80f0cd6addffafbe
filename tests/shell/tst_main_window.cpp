// The main window as the user meets it: start-up state, fitting to the desktop, page
// commands and their shortcuts, line visibility, the quit question and a live charger.
#include "MainFixture.h"
#include "settings/Constant.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void StartsDisconnectedOnTheAllLinesPage()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvane 联机应用程序"));
        QCOMPARE(ApplicationTitle(), QStringLiteral("Korvane 联机应用程序"));
        QCOMPARE(form.Charger->LinkState(), lsClosed);
        QVERIFY(!form.Charger->Enabled());
        QVERIFY(!form.actFileClose->isEnabled());
        QVERIFY(!form.actFileEnabled->isEnabled());
        QVERIFY(!form.actFileDisabled->isEnabled());
        QVERIFY(form.FExportLines->IsEmpty());
        QVERIFY(!form.TrayActive());
        QVERIFY(form.FLogo && form.FLogo->size() == QSize(300, 73));

        QCOMPARE(form.tsTabPage->count(), 4);
        QStringList tabs;
        for (int i = 0; i < 4; ++i)
            tabs << form.tsTabPage->tabText(i);
        QCOMPARE(tabs, QStringList({"全部曲线", "电压", "电流", "容量"}));
        QCOMPARE(form.tsTabPage->currentIndex(), 0);
        QVERIFY(form.actShowAllLine->isChecked());
        QCOMPARE(form.Pages->CurrentAxisIndex(), 0);
        QCOMPARE(form.Chart->Margins(), QMargins(60, 120, 60, 20));
        QVERIFY(form.Chart->CustomAxes[0].Axis->visible());
        QVERIFY(!form.Chart->CustomAxes[1].Axis->visible());
        QVERIFY(form.Chart->CustomAxes[1].OtherSide && form.Chart->CustomAxes[2].OtherSide);
        QCOMPARE(form.Chart->Series.size(), 12u);
        for (const std::unique_ptr<TChartSeries> &series : form.Chart->Series)
            QVERIFY(series->Active());
        QCOMPARE(form.FRows.size(), 4u);
        QCOMPARE(form.Chart->TimeAxis()->range(), QCPRange(1, 150));

        // The page commands follow "全部曲线" in the chart menu and on the chart toolbar.
        const QStringList menu = ActionTexts(form.mnuChart->actions());
        QCOMPARE(menu.mid(menu.indexOf("全部曲线")), QStringList({"全部曲线", "电压", "电流", "容量"}));
        QCOMPARE(ActionTexts(form.tbxtlbrView->actions()), QStringList({"全部曲线", "电压", "电流", "容量"}));
        QCOMPARE(form.tbxtlbrView->actions()[3]->toolTip(), QStringLiteral("显示容量曲线"));
        QCOMPARE(form.Pages->FindPageAction(vtCurrent)->shortcut(), QKeySequence("Shift+F3"));
        QVERIFY(!form.Pages->FindPageAction(vtTemperature));
        QCOMPARE(form.Pages->PageOfToken(vtCapacity), 3);
        QCOMPARE(form.Pages->PageOfToken(vtTemperature), 0);
        QCOMPARE(ActionTexts(form.mnuFile->actions()).first(), QStringLiteral("打开(&O)..."));
    }

    void FitsTheWorkAreaAndLimitsTheTabs()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        form.FitToWorkArea(QRect(0, 0, 1280, 984));
        QCOMPARE(form.frameGeometry().width(), 1280);
        QCOMPARE(form.tsTabPage->maximumWidth(), 1024);
        QCOMPARE(form.tsTabPage->minimumWidth(), 256);
        // A fixed border: the window cannot be resized by the user.
        QCOMPARE(form.minimumSize(), form.maximumSize());
        form.FitToWorkArea(QRect(0, 0, 1005, 700));
        QCOMPARE(form.tsTabPage->maximumWidth(), 800);
        QCOMPARE(form.tsTabPage->minimumWidth(), 200);
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.font().pixelSize(), 12);
        // A page switch snaps a moved window back onto the work area.
        form.move(form.pos() + QPoint(50, 40));
        form.tsTabPage->setCurrentIndex(2);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(form.frameGeometry().topLeft(), area.topLeft());
    }

    void PageShortcutsSwitchPages()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        struct TCase {
            Qt::Key Key;
            int Tab;
        };
        for (TCase c : {TCase{Qt::Key_F2, 1}, TCase{Qt::Key_F3, 2}, TCase{Qt::Key_F4, 2}, TCase{Qt::Key_F5, 3},
                        TCase{Qt::Key_F1, 0}, TCase{Qt::Key_F3, 2}}) {
            QTest::keyClick(&form, c.Key, Qt::ShiftModifier);
            QCOMPARE(form.tsTabPage->currentIndex(), c.Tab);
            if (c.Tab == 0) {
                QVERIFY(form.actShowAllLine->isChecked());
                QCOMPARE(form.Chart->Margins().right(), 60);
            } else {
                QVERIFY(form.Pages->FindPageAction(AxisValueTokens[std::size_t(c.Tab - 1)])->isChecked());
                QCOMPARE(form.Chart->Margins().right(), 16);
                QCOMPARE(form.Pages->CurrentAxisIndex(), c.Tab - 1);
                for (int axis = 0; axis < 3; ++axis)
                    QCOMPARE(form.Chart->CustomAxes[std::size_t(axis)].Axis->visible(), axis == c.Tab - 1);
            }
            for (std::size_t n = 0; n < 12; ++n)
                QCOMPARE(form.Chart->Series[n]->Active(), c.Tab == 0 || int(n / 4) == c.Tab - 1);
        }
        // The capacity page shows only the bars.
        QTest::keyClick(&form, Qt::Key_F5, Qt::ShiftModifier);
        QVERIFY(form.Chart->Series[8]->Active() && !form.Chart->Series[0]->Active());
    }

    // The selected page tab is white like the chart, so its caption stays dark also on a dark
    // desktop; the other tabs follow the desktop's palette.
    void SelectedTabReadsOnADarkDesktop()
    {
        const QColor light(230, 230, 140);
        const QPalette kept = QApplication::palette();
        QPalette dark = kept;
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            dark.setColor(role, light);
        dark.setColor(QPalette::Button, QColor(50, 50, 50));
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        QApplication::setPalette(dark);
        {
            TMainFixture f;
            ShowActive(*f.Form);
            QTabBar *tabs = f.Form->tsTabPage;
            const QImage image = tabs->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const qreal ratio = image.devicePixelRatio();
            const auto count = [&](const QRect &Rect, auto Accept) {
                int n = 0;
                const QRect pixels(Rect.topLeft() * ratio, Rect.size() * ratio);
                for (int y = pixels.top(); y <= pixels.bottom(); ++y)
                    for (int x = pixels.left(); x <= pixels.right(); ++x)
                        n += Accept(QColor(image.pixel(x, y))) ? 1 : 0;
                return n;
            };
            const auto darkText = [](const QColor &C) { return qGray(C.rgb()) < 80; };
            const auto lightText = [&](const QColor &C) {
                return std::abs(C.red() - light.red()) < 30 && std::abs(C.blue() - light.blue()) < 30;
            };
            QVERIFY2(count(tabs->tabRect(0), darkText) > 20, "the selected tab's caption is dark on white");
            QCOMPARE(count(tabs->tabRect(0), lightText), 0);
            QVERIFY2(count(tabs->tabRect(1), lightText) > 20, "an unselected tab follows the palette");
        }
        QApplication::setPalette(kept);
    }

    void UncheckedRowsHideTheirLinesOnEveryPage()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.tsTabPage->setCurrentIndex(2);
        form.FRows[1].Checked = false;
        form.Pages->vstChannelInfoChecked(1);
        QVERIFY(!f.Series(1, 1).Active());
        QVERIFY(f.Series(1, 0).Active());
        form.tsTabPage->setCurrentIndex(0);
        QVERIFY(!f.Series(0, 1).Active() && !f.Series(1, 1).Active() && !f.Series(2, 1).Active());
        QVERIFY(f.Series(0, 2).Active());
        form.FRows[1].Checked = true;
        form.Pages->vstChannelInfoChecked(1);
        QVERIFY(f.Series(0, 1).Active() && f.Series(1, 1).Active() && f.Series(2, 1).Active());
        // A port open rebuilds the series active per the page on show.
        form.tsTabPage->setCurrentIndex(1);
        f.OpenIn(fmSingle);
        for (std::size_t n = 0; n < 12; ++n)
            QCOMPARE(form.Chart->Series[n]->Active(), n < 4);
    }

    void StartsWithDefaultsOnAGarbledSettingsFile()
    {
        {
            // Text, wrong types, numbers past 32 bits and pens no dialog would offer.
            QSettings ini(TemporaryConfigFile(), QSettings::IniFormat);
            ini.setValue("Software/Korvane/AxisRange/Axis_0_Min", "abc");
            ini.setValue("Software/Korvane/AxisRange/Axis_0_Max", QStringList({"1", "2"}));
            ini.setValue("Software/Korvane/AxisRange/Axis_1_Max", "99999999999999");
            ini.setValue("Software/Korvane/AxisRange/Axis_2_Min", QByteArray("\x01\x02", 2));
            ini.setValue("Software/Korvane/LinePen/Line_0_Color", "red");
            ini.setValue("Software/Korvane/LinePen/Line_0_Width", 2000000000);
            ini.setValue("Software/Korvane/LinePen/Line_1_Width", -5);
            ini.setValue("Software/Korvane/LinePen/Line_2_Width", 0);
            ini.setValue("Software/Korvane/PageWidth", "ten");
            ini.setValue("Software/Korvane/MinToTray", QVariantMap({{"a", 1}}));
            ini.setValue("Software/Korvane/OpenedList/0", "COM3");
            ini.setValue("Software/Korvane/OpenedList/1", 70000);
            ini.sync();
            QCOMPARE(ini.status(), QSettings::NoError);
        }
        {
            TMainFixture f;
            TfrmMain &form = *f.Form;
            ShowActive(form);
            QCOMPARE(form.Chart->CustomAxes[0].Axis->range(), QCPRange(1.0, 1.8));
            QCOMPARE(form.Chart->CustomAxes[1].Axis->range(), QCPRange(0, 1600));
            QCOMPARE(form.Chart->CustomAxes[2].Axis->range().lower, 0.0);
            QCOMPARE(form.Chart->Series[0]->Color(), QColor(255, 0, 0));
            for (std::size_t n : {0u, 1u, 2u})
                QCOMPARE(form.Chart->Series[n]->PenWidth(), 1);
            QCOMPARE(form.Pages->PageSamples, 150u);
            QVERIFY(!form.TrayActive());
            QVERIFY(form.RecentPortItems().isEmpty());
            // The window paints and records as usual.
            f.OpenIn(fmSingle);
            f.FeedStep(1400, 500, 1, 10);
            QVERIFY(!form.grab().isNull());
            QCOMPARE(form.Chart->Series[0]->PointCount(), 1);
            TBoxAnswerer answerer(QMessageBox::Ok);
            QVERIFY(form.close());
        }
        QFile::remove(TemporaryConfigFile());
    }

    void QuitQuestionGuardsAnOpenPort()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        f.OpenIn(fmSingle);
        f.FeedStep(1400, 500, 3, 100);
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvane 联机应用程序 - COM1"));
        {
            TBoxAnswerer answerer(QMessageBox::Cancel);
            QVERIFY(!form.close());
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Texts[0], QStringLiteral("确定要退出 Korvane 联机应用程序 %1 吗 ?").arg(AppVersionText));
            QCOMPARE(answerer.Icons[0], QMessageBox::Question);
            QCOMPARE(answerer.Defaults[0], QMessageBox::Cancel);
        }
        QVERIFY(form.isVisible());
        QCOMPARE(form.Charger->LinkState(), lsOpen);
        QVERIFY(form.Charger->Enabled());
        QCOMPARE(form.FExportLines->Count(), 5u);
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            QVERIFY(form.close());
        }
        QVERIFY(!form.isVisible());
        QVERIFY(!f.Port->Open());
        // The close handler was detached: the caption still names the port.
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvane 联机应用程序 - COM1"));
        QVERIFY(AppVersionText.startsWith(QStringLiteral("2.0.0 (Build ")));
    }

    // The quit question ends the program's event loop whichever way it was asked, also while
    // the window is hidden in the tray, and it is asked once.
    void QuitEndsTheProgramOnce_data()
    {
        QTest::addColumn<bool>("InTray");
        QTest::newRow("exit from the tray menu, window hidden") << true;
        QTest::newRow("close box of the shown window") << false;
    }

    void QuitEndsTheProgramOnce()
    {
        QFETCH(bool, InTray);
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        f.OpenIn(fmSingle);
        if (InTray) {
            form.SetTrayActive(true);
            form.hide();
        }
        TBoxAnswerer answerer(QMessageBox::Ok);
        if (InTray)
            QTimer::singleShot(0, form.TBXpmTrayIcon->actions().constLast(), &QAction::trigger);
        else
            QTimer::singleShot(0, &form, &QWidget::close);
        // A loop that never ends is ended from here, and reads as a failure; gone with the row,
        // so that it cannot end a later test's dialog.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(answerer.Count(), 1);
        QVERIFY(!form.isVisible());
        QVERIFY(!f.Port->Open());
    }

    void MinimizeNamesThePortInTheTrayTip()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        f.OpenIn(fmSingle);
        form.SetTrayActive(true);
        form.showMinimized();
        QTRY_VERIFY(form.isMinimized());
        QCOMPARE(form.TrayIcon->toolTip(), QStringLiteral("Korvane 联机应用程序 - COM1"));
        // Without a notification area the window stays on the task bar.
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(form.isVisible());
        form.actShowMainWindow->trigger();
        QVERIFY(form.isVisible() && !form.isMinimized());
        QVERIFY(!form.TrayIcon->isVisible());
    }

    void LiveChargerFillsTheChart()
    {
        constexpr int SimCom = 203;
        TSimProcess sim({"--com", QString::number(SimCom), "--fast", "--quiet", "--seed", "5"});
        QCOMPARE(sim.WaitForLine("com "), QString::number(SimCom));
        TfrmMain form;
        ShowActive(form);
        form.Charger->ComNumber = SimCom;
        form.Charger->Open();
        form.Charger->SetEnabled(true);
        QCOMPARE(form.Charger->LinkState(), lsOpen);
        QTRY_VERIFY_WITH_TIMEOUT(form.Chart->Series[0]->PointCount() >= 40, 20000);
        QVERIFY(form.FExportLines->Count() > 100);
        QCOMPARE(form.FExportLines->LineText(0), QStringLiteral("Idx,#,V,mA,C,min,mAh"));
        QVERIFY(form.Chart->Series[0]->MaxX() <= form.Charger->SampleCount());
        const QString shot = qEnvironmentVariable("KORVANE_SCREENSHOT");
        if (!shot.isEmpty())
            form.grab().save(shot);
        TBoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(form.close());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
