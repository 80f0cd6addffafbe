// The command vocabulary of the main window: shortcuts, menus and context menus in order,
// toolbars and tool windows with their view commands, the help commands and the about box.
#include "MainFixture.h"
#include "resources/Version.h"
#include "settings/About.h"
#include "settings/Constant.h"
#include "settings/Option.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TempConfig.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

// Takes the addresses the program hands to the desktop instead of a browser or mail program.
class TUrlCatcher : public QObject
{
    Q_OBJECT

public:
    TUrlCatcher()
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~TUrlCatcher() override
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QStringList Urls;

public slots:
    void Open(const QUrl &Url) { Urls << Url.toString(); }
};

namespace {

// A program file carrying the version block of Major.Minor.Release.Build.
QString StampedProgram(const QTemporaryDir &Dir, quint16 Major, quint16 Minor, quint16 Release, quint16 Build)
{
    const auto block = ProgramVersionBlock();
    QByteArray bytes(3000, 'x');
    bytes += QByteArray(reinterpret_cast<const char *>(block.data()), VersionMarkerSize);
    for (quint16 word : {Minor, Major, Build, Release})
        bytes += QByteArray(1, char(word & 0xFF)) + QByteArray(1, char(word >> 8));
    QFile file(Dir.filePath(QStringLiteral("stamped.exe")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void EveryShortcutReachesItsCommand()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        TUrlCatcher urls;
        TModalDismisser dismisser;
        struct TCase {
            QKeyCombination Keys;
            QAction *Action;
            int Tab; // the page tab afterwards
        };
        QAction *voltage = form.Pages->FindPageAction(vtUnLoadVoltage);
        QAction *current = form.Pages->FindPageAction(vtCurrent);
        QAction *capacity = form.Pages->FindPageAction(vtCapacity);
        const TCase cases[] = {
            {Qt::ControlModifier | Qt::Key_O, form.actFileOpen, 0},
            {Qt::ControlModifier | Qt::Key_S, form.actFileSaveAs, 0},
            {Qt::ControlModifier | Qt::Key_E, form.actFileExport, 0},
            {Qt::ControlModifier | Qt::Key_D, form.actClearData, 0},
            {QKeyCombination(Qt::Key_F8), form.actFileOption, 0},
            {QKeyCombination(Qt::Key_F1), form.actHelpOnLineHelp, 0},
            {Qt::ShiftModifier | Qt::Key_F2, voltage, 1},
            {Qt::ShiftModifier | Qt::Key_F3, current, 2},
            {Qt::ShiftModifier | Qt::Key_F5, capacity, 3},
            {Qt::ShiftModifier | Qt::Key_F1, form.actShowAllLine, 0},
        };
        QList<QAction *> all = form.actions();
        for (const TCase &c : cases) {
            std::vector<std::unique_ptr<QSignalSpy>> spies;
            for (QAction *action : all)
                spies.push_back(std::make_unique<QSignalSpy>(action, &QAction::triggered));
            // A dialog that came and went hands the focus back to the main window.
            QApplication::setActiveWindow(&form);
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QTest::keyClick(&form, c.Keys.key(), c.Keys.keyboardModifiers());
            for (qsizetype i = 0; i < all.size(); ++i)
                QVERIFY2(spies[std::size_t(i)]->count() == (all[i] == c.Action ? 1 : 0),
                         qPrintable(c.Action->text() + QStringLiteral(" / ") + all[i]->text()));
            QCOMPARE(form.tsTabPage->currentIndex(), c.Tab);
        }
        // Ctrl+O, Ctrl+S, Ctrl+E, Ctrl+D and F8 each brought up their dialog or question.
        QCOMPARE(dismisser.Count, 5);
        QCOMPARE(urls.Urls, QStringList({"http://www.korvane.example/"}));

        // Shift+F4 belongs to no command.
        QTest::keyClick(&form, Qt::Key_F2, Qt::ShiftModifier);
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (QAction *action : all)
            spies.push_back(std::make_unique<QSignalSpy>(action, &QAction::triggered));
        QTest::keyClick(&form, Qt::Key_F4, Qt::ShiftModifier);
        for (const auto &spy : spies)
            QCOMPARE(spy->count(), 0);
        QCOMPARE(form.tsTabPage->currentIndex(), 1);
    }

    void MenusToolbarsAndContextMenusInOrder()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        QCOMPARE(ActionTexts(form.menuBar()->actions()), QStringList({"文件(&F)", "视图(&V)", "图表(&C)", "帮助(&H)"}));
        QCOMPARE(form.menuBar()->windowTitle(), QStringLiteral("菜单"));
        QCOMPARE(ActionTexts(form.mnuFile->actions()),
                 QStringList({"打开(&O)...", "重新打开", "关闭(&C)", "-", "接收", "停止", "-", "另存为(&A)...",
                              "导出数据(&E)...", "记录(&R)...", "-", "退出(&X)"}));
        QCOMPARE(ActionTexts(form.mnuView->actions()), QStringList({"工具栏(&T)", "-", "状态栏(&S)", "通道状态面板(&C)",
                                                                    "数据窗口(&D)", "-", "立即适合桌面"}));
        QCOMPARE(ActionTexts(form.mnuToolbars->actions()), QStringList({"文件", "图表"}));
        QCOMPARE(ActionTexts(form.mnuChart->actions()),
                 QStringList({"选项...", "-", "显示图例", "滚动图表", "自动滚动", "-", "清除所有数据", "-", "全部曲线",
                              "电压", "电流", "容量"}));
        QCOMPARE(ActionTexts(form.mnuHelp->actions()),
                 QStringList({"在线帮助(&H)", "Korvane 主页", "-", "关于(&A)..."}));
        QCOMPARE(ActionTexts(form.tbxtlbrFile->actions()),
                 QStringList({"打开(&O)...", "另存为(&A)...", "记录(&R)...", "-", "接收", "停止"}));
        QCOMPARE(form.tbxtlbrFile->windowTitle(), QStringLiteral("文件"));
        QCOMPARE(form.tbxtlbrView->windowTitle(), QStringLiteral("图表"));
        QVERIFY(form.tbxtlbrFile->isMovable() && form.tbxtlbrView->isMovable());
        auto *open = qobject_cast<QToolButton *>(form.tbxtlbrFile->widgetForAction(form.actFileOpen));
        QVERIFY(open && open->menu() == form.mnuReopen);
        QCOMPARE(form.mnuReopen->icon().cacheKey(), form.Icon(1).cacheKey());

        QCOMPARE(ActionTexts(form.TBXpmChart->actions()),
                 QStringList({"选项...", "-", "显示图例", "滚动图表", "自动滚动"}));
        QCOMPARE(ActionTexts(form.TBXpmToolbar->actions()), QStringList({"文件", "图表"}));
        QCOMPARE(ActionTexts(form.TBXpmBottomBar->actions()), QStringList({"通道状态面板(&C)", "数据窗口(&D)"}));
        QCOMPARE(ActionTexts(form.TBXpmStatusBar->actions()),
                 QStringList({"端口状态", "数据状态", "接收帧数", "丢失帧数"}));
        QCOMPARE(ActionTexts(form.TBXpmTrayIcon->actions()),
                 QStringList({"显示主窗口(&S)", "-", "接收", "停止", "-", "退出(&X)"}));
        QCOMPARE(form.TBXpmTrayIcon->defaultAction(), form.actShowMainWindow);

        // Categories, hints and icons as the commands carry them.
        QCOMPARE(form.actFileOption->property(ActionCategoryProperty).toString(), QStringLiteral("File"));
        QCOMPARE(form.actViewFitDesktop->property(ActionCategoryProperty).toString(), QStringLiteral("View"));
        QCOMPARE(form.actClearData->property(ActionCategoryProperty).toString(), QStringLiteral("Chart"));
        QCOMPARE(form.actHelpAbout->property(ActionCategoryProperty).toString(), QStringLiteral("Help"));
        QCOMPARE(form.actFileEnabled->toolTip(), QStringLiteral("允许接收数据"));
        QCOMPARE(form.actFileOption->icon().cacheKey(), form.Icon(28).cacheKey());
        QCOMPARE(form.actHelpHomePage->property("HelpContext").toInt(), 30);
        QCOMPARE(form.IconList.size(), 29);
    }

    void ClosedWindowsUncheckTheirCommands()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        QVERIFY(form.tbxtlwndwChannelState->features() & QDockWidget::DockWidgetClosable);
        auto *close = form.tbxtlwndwChannelState->findChild<QAbstractButton *>("qt_dockwidget_closebutton");
        QVERIFY(close);
        close->click();
        QTRY_VERIFY(!form.actViewChannelStatePanel->isChecked());
        QVERIFY(form.mnuView->actions().contains(form.actViewChannelStatePanel));
        QVERIFY(form.TBXpmBottomBar->actions().contains(form.actViewChannelStatePanel));
        QVERIFY(form.actViewDataBox->isChecked());
        form.actViewChannelStatePanel->trigger();
        QVERIFY(form.tbxtlwndwChannelState->isVisible());
        QVERIFY(form.actViewChannelStatePanel->isChecked());

        form.tbxtlbrView->hide();
        QVERIFY(!form.actViewChartBar->isChecked());
        form.actViewChartBar->trigger();
        QVERIFY(form.tbxtlbrView->isVisible());
        form.actViewFileBar->trigger();
        QVERIFY(form.tbxtlbrFile->isHidden());
        QVERIFY(!form.actViewFileBar->isChecked());
    }

    void HelpCommandsOpenTheHomePage()
    {
        TMainFixture f;
        TUrlCatcher urls;
        f.Form->actHelpHomePage->trigger();
        f.Form->actHelpOnLineHelp->trigger();
        QCOMPARE(urls.Urls, QStringList({"http://www.korvane.example/", "http://www.korvane.example/"}));
    }

    // Where no program takes the address, a warning names it instead of nothing happening.
    void HelpCommandsSayWhenNoBrowserOpens()
    {
        TMainFixture f;
        TBoxAnswerer answerer(QMessageBox::Ok);
        f.Form->actHelpOnLineHelp->trigger();
        f.Form->actHelpHomePage->trigger();
        QCOMPARE(answerer.Count(), 2);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(answerer.Texts[i].contains(QStringLiteral("http://www.korvane.example/")));
            QCOMPARE(answerer.Icons[i], QMessageBox::Warning);
            QCOMPARE(answerer.Captions[i], QStringLiteral("Korvane 联机应用程序"));
        }
    }

    void AboutBoxShowsVersionsAndOpensTheLinks()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        QTemporaryDir dir;
        const QString saved = AppVersionText;
        AppVersionText = FormatFileVersion(StampedProgram(dir, 2, 0, 3, 41));
        TUrlCatcher urls;
        // The show handler runs again afterwards and fits the window to the desktop.
        const QRect fitted = form.geometry();
        form.setFixedSize(400, 300);
        WhenModalUp<TfrmAbout>([&](TfrmAbout *box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("关于 Korvane"));
            QCOMPARE(box->size(), QSize(319, 319));
            QVERIFY(box->lblAppVer->isVisibleTo(box));
            QCOMPARE(box->lblAppVer->text(), QStringLiteral("Korvane 2.0.3 (Build 41)"));
            QCOMPARE(box->lblKRVChargerVer->text(), QStringLiteral("Korvane 支持库: 2.0"));
            QCOMPARE(box->Memo->toPlainText(), QStringLiteral("Korvane 联机应用程序。"));
            QVERIFY(box->Memo->isReadOnly());
            QCOMPARE(box->imgLogo->pixmap().size(), QSize(300, 73));
            QCOMPARE(box->TBXLinkHomePage->text(), QStringLiteral("http://www.korvane.example/"));
            QCOMPARE(box->TBXLinkMailToMe->text(), QStringLiteral("support@korvane.example"));
            QVERIFY(box->TBXLinkHomePage->font().underline());
            QCOMPARE(box->TBXLinkHomePage->cursor().shape(), HandPointCursor().shape());
            QCOMPARE(box->btnOK->text(), QStringLiteral("确定(&O)"));
            box->TBXLinkHomePage->click();
            box->TBXLinkMailToMe->click();
            QTest::keyClick(box, Qt::Key_Return);
        });
        form.actHelpAbout->trigger();
        QCOMPARE(urls.Urls, QStringList({"http://www.korvane.example/", "mailto:support@korvane.example"}));
        QCOMPARE(form.geometry(), fitted);

        // A program without a version block shows no version line.
        AppVersionText = FormatFileVersion(dir.filePath(QStringLiteral("missing.exe")));
        TfrmAbout box(&form);
        box.Fill();
        QVERIFY(!box.lblAppVer->isVisibleTo(&box));
        QCOMPARE(box.lblKRVChargerVer->text(), QStringLiteral("Korvane 支持库: 2.0"));
        AppVersionText = saved;
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
