// Opening, replacing and closing the connection, receiving on and off, and the recent
// ports kept from one run to the next, through the real main window.
#include "MainFixture.h"
#include "display/KRVChart.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

QStringList RecentTexts(TfrmMain &Form)
{
    QStringList texts;
    for (QAction *item : Form.mnuReopen->actions())
        texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
    return texts;
}

std::map<QString, qint32> StoredList()
{
    std::map<QString, qint32> values;
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::OpenedList))
        return values;
    for (const QString &name : registry.GetValueNames())
        values[name] = registry.ReadInteger(name).value_or(-1);
    return values;
}

QByteArray ReadAll(const QString &Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Open(TMainFixture &F, std::uint16_t Port) { F.Form->OpenFromPortSelection({1, 1, Port}); }

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void init() { QFile::remove(TemporaryConfigFile()); }

    void RecentPortsKeepTheirOrderAcrossRuns()
    {
        {
            TMainFixture f;
            QCOMPARE(RecentTexts(*f.Form), QStringList({"-", "清空列表(&C)"}));
            for (std::uint16_t port : {5, 3, 5})
                Open(f, port);
            QCOMPARE(RecentTexts(*f.Form), QStringList({"COM5", "COM3", "-", "清空列表(&C)"}));
        }
        QCOMPARE(StoredList(), (std::map<QString, qint32>{{"0", 5}, {"1", 3}}));
        {
            TMainFixture f;
            QCOMPARE(RecentTexts(*f.Form), QStringList({"COM5", "COM3", "-", "清空列表(&C)"}));
            for (std::uint16_t port = 12; port >= 1; --port)
                Open(f, port);
        }
        {
            TMainFixture f;
            QStringList expected;
            for (int port = 1; port <= 12; ++port)
                expected << QStringLiteral("COM%1").arg(port);
            QCOMPARE(RecentTexts(*f.Form).mid(0, 12), expected);
            // COM5 and COM3 were moved up, not added twice.
            QCOMPARE(f.Form->RecentPortItems().size(), 12);
        }
        QCOMPARE(StoredList().at("10"), 11);

        // A long list, as years of use may leave it, goes back to the file in one rewrite.
        QByteArray text = "[Software]\n";
        for (int i = 0; i < 3000; ++i)
            text += "Korvane\\OpenedList\\" + QByteArray::number(i) + '=' + QByteArray::number(i + 1) + '\n';
        WriteTemporaryConfig(text);
        TConfigFileActivity activity;
        {
            TMainFixture f;
            QCOMPARE(f.Form->RecentPortItems().size(), 3000);
            Open(f, 4000);
        }
        QCOMPARE(activity.Rewrites(), 1);
        QCOMPARE(StoredList().size(), 3001u);
        QCOMPARE(StoredList().at("0"), 4000);
        QCOMPARE(StoredList().at("3000"), 3000);
    }

    void InvalidStoredPortsAreDropped()
    {
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(SettingsKeys::OpenedList, true));
            registry.WriteInteger("0", 0);
            registry.WriteInteger("1", 70000);
            registry.WriteInteger("2", 7);
            registry.WriteString("3", "COM8");
            registry.WriteInteger("4", -2);
            // A port stored twice keeps its first, topmost place.
            registry.WriteInteger("5", 9);
            registry.WriteInteger("6", 7);
            registry.WriteInteger("11", 9);
        }
        {
            TMainFixture f;
            QCOMPARE(RecentTexts(*f.Form), QStringList({"COM7", "COM9", "-", "清空列表(&C)"}));
            Open(f, 9);
            QCOMPARE(RecentTexts(*f.Form), QStringList({"COM9", "COM7", "-", "清空列表(&C)"}));
        }
        QCOMPARE(StoredList(), (std::map<QString, qint32>{{"0", 9}, {"1", 7}}));
        {
            TMainFixture f;
            f.Form->actFileClearReopenList->trigger();
            QCOMPARE(RecentTexts(*f.Form), QStringList({"-", "清空列表(&C)"}));
        }
        QVERIFY(StoredList().empty());
    }

    void HandWrittenListIsReadAndKept_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("own form") << QByteArray("[Software]\nKorvane\\OpenedList\\0=4\nKorvane\\OpenedList\\1=6\n");
        QTest::newRow("one section, slashes") << QByteArray("[Software/Korvane/OpenedList]\n0=4\n1=6\n");
        QTest::newRow("one section, backslashes")
            << QByteArray("[Software]\nKorvane\\PageWidth=10\n[Software\\Korvane\\OpenedList]\n0=4\n1=6\n");
        QTest::newRow("one section, escaped slashes") << QByteArray("[Software%2FKorvane%2FOpenedList]\n0=4\n1=6\n");
    }

    void HandWrittenListIsReadAndKept()
    {
        QFETCH(QByteArray, text);
        WriteTemporaryConfig(text);
        {
            TMainFixture f;
            QCOMPARE(RecentTexts(*f.Form), QStringList({"COM4", "COM6", "-", "清空列表(&C)"}));
        }
        // Kept as it was; an unchanged list is not written again.
        QCOMPARE(StoredList(), (std::map<QString, qint32>{{"0", 4}, {"1", 6}}));
        QCOMPARE(ReadAll(TemporaryConfigFile()), text);
        {
            TMainFixture f;
            Open(f, 6);
        }
        QCOMPARE(StoredList(), (std::map<QString, qint32>{{"0", 6}, {"1", 4}}));
        // Written in the store's own form, which older builds find by asking the parent key
        // for its sub-keys; a copy keeps this reader from sharing the store's parse.
        const QString copy = TemporaryConfigFile() + QStringLiteral(".copy");
        QFile::remove(copy);
        QVERIFY(QFile::copy(TemporaryConfigFile(), copy));
        QSettings older(copy, QSettings::IniFormat);
        older.beginGroup("Software/Korvane");
        QVERIFY(older.childGroups().contains("OpenedList"));
        QCOMPARE(older.value("OpenedList/1").toInt(), 4);
    }

    void ReopeningTheOpenPortAsksFirst()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        Open(f, 4);
        f.Feed(MakeFrame(0, 1400, 500));
        const int opens = f.Port->OpenCount;
        QAction *item = f.Form->RecentPortItems().value(0);
        QVERIFY(item && item->text() == QStringLiteral("COM4"));
        {
            TBoxAnswerer answerer(QMessageBox::Cancel);
            item->trigger();
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Texts[0],
                     QStringLiteral("连接到 COM4 的充电器已经打开，需要打开其他的充电器吗？\r\rKorvane "
                                    "联机应用程序 一次只能连接到一个充电器。"));
        }
        QCOMPARE(f.Port->OpenCount, opens);
        QCOMPARE(f.Form->Charger->LinkState(), lsOpen);
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            item->trigger();
        }
        QCOMPARE(f.Port->OpenCount, opens + 1);
        QCOMPARE(f.Form->windowTitle(), QStringLiteral("Korvane 联机应用程序 - COM4"));
        QCOMPARE(f.Form->Charger->SampleCount(), 0u);
    }

    void FailedOpenShowsTheNumberAndStillPromotes()
    {
        TMainFixture f;
        f.OpenIn(fmSingle);
        f.FeedStep(1400, 500);
        QCOMPARE(f.Series(0, 0).PointCount(), 1);
        const std::size_t lines = f.Form->FExportLines->Count();
        f.Port->Failure = QStringLiteral("absent");
        f.Port->FailureReason.Fault = ofNotFound;
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            Open(f, 9);
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Texts[0], QStringLiteral("端口打开失败。请确认端口: COM9 没有被占用。\n"
                                                       "原因：找不到设备 memory，它可能已被拔出。"));
        }
        QCOMPARE(RecentTexts(*f.Form).first(), QStringLiteral("COM9"));
        QCOMPARE(f.Form->windowTitle(), QStringLiteral("Korvane 联机应用程序"));
        QVERIFY(!f.Form->actFileClose->isEnabled());
        QVERIFY(!f.Form->actFileEnabled->isEnabled());
        // A failed attempt from the dialog leaves the recording as it was.
        QCOMPARE(f.Form->Chart->Series.size(), 12u);
        QCOMPARE(f.Series(0, 0).PointCount(), 1);
        QCOMPARE(f.Form->FExportLines->Count(), lines);
        QCOMPARE(FindChannelRow(f.Form->FRows, 0)->Voltage, 1400);

        // Each kind of refusal names its reason on a second line.
        const struct {
            TOpenFailure Reason;
            QString Line;
        } reasons[] = {
            {{ofNotFound, QString(), QString(), QString()}, QStringLiteral("原因：系统中没有与 COM9 对应的设备。")},
            {{ofAccessDenied, QStringLiteral("/dev/ttyUSB0"), QStringLiteral("uucp"), QString()},
             QStringLiteral(
                 "原因：没有打开 /dev/ttyUSB0 的权限。在 Linux 上，用户须属于 uucp 组，加入后重新登录才生效。")},
            {{ofAccessDenied, QStringLiteral("/dev/ttyS0"), QString(), QString()},
             QStringLiteral(
                 "原因：没有打开 /dev/ttyS0 的权限。在 Linux 上，用户须属于 dialout 组，加入后重新登录才生效。")},
            {{ofBusy, QStringLiteral("/dev/ttyACM0"), QString(), QString()},
             QStringLiteral("原因：/dev/ttyACM0 正被其他程序使用。")},
            {{ofOther, QStringLiteral("/dev/ttyS1"), QString(), QString()},
             QStringLiteral("原因：打开 /dev/ttyS1 时系统报告：absent")},
        };
        for (const auto &reason : reasons) {
            f.Port->FailureReason = reason.Reason;
            TBoxAnswerer answerer(QMessageBox::Ok);
            Open(f, 9);
            QCOMPARE(answerer.Texts.value(0).section(QLatin1Char('\n'), 1), reason.Line);
        }

        f.Port->Failure.clear();
        f.OpenIn(fmSingle);
        QCOMPARE(f.Form->Chart->Series.size(), 12u);
        QCOMPARE(f.Series(0, 0).PointCount(), 0);
        f.FeedStep(1400, 500);
        // A failed reopen from the list keeps the curves recorded before.
        f.Port->Failure = QStringLiteral("absent");
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            f.Form->RecentPortItems().value(0)->trigger();
            QCOMPARE(answerer.Count(), 2);
        }
        QCOMPARE(f.Form->Chart->Series.size(), 12u);
        QVERIFY(f.Series(0, 0).PointCount() > 0);
    }

    void ReceiveStopAndClose()
    {
        TMainFixture f;
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            f.Form->actFileCloseExecute();
            QCOMPARE(answerer.Count(), 0);
        }
        f.OpenIn(fmSingle);
        QVERIFY(f.Form->actFileEnabled->isChecked());
        f.Form->actFileDisabled->trigger();
        QVERIFY(!f.Form->Charger->Enabled());
        QCOMPARE(f.Form->Charger->LinkState(), lsOpen);
        QVERIFY(f.Form->actFileClose->isEnabled() && f.Form->actFileEnabled->isEnabled());
        QVERIFY(f.Form->actFileDisabled->isChecked() && !f.Form->actFileEnabled->isChecked());
        f.Feed(MakeFrame(0, 1400, 500));
        QCOMPARE(f.Form->FExportLines->Count(), 0u);
        f.Form->actFileEnabled->trigger();
        QVERIFY(f.Form->Charger->Enabled());
        f.Feed(MakeFrame(0, 1400, 500));
        QCOMPARE(f.Form->FExportLines->Count(), 2u);
        QCOMPARE(f.Form->StatusBarPanels->Panels[1]->ImageIndex(), 24);

        {
            TBoxAnswerer answerer(QMessageBox::Cancel);
            f.Form->actFileClose->trigger();
            QCOMPARE(answerer.Texts.value(0), QStringLiteral("确定要关闭端口: COM1 吗 ?"));
        }
        QCOMPARE(f.Form->Charger->LinkState(), lsOpen);
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            f.Form->actFileClose->trigger();
        }
        QCOMPARE(f.Form->Charger->LinkState(), lsClosed);
        QCOMPARE(f.Form->windowTitle(), QStringLiteral("Korvane 联机应用程序"));
        QCOMPARE(ApplicationTitle(), QStringLiteral("Korvane 联机应用程序"));
        QVERIFY(!f.Form->actFileClose->isEnabled() && !f.Form->actFileEnabled->isEnabled() &&
                !f.Form->actFileDisabled->isEnabled());
        // What was recorded stays until the next open.
        QCOMPARE(f.Form->FExportLines->Count(), 2u);
        QCOMPARE(f.Form->Charger->Channels().Items(0).State, csIdle);
    }

    void OpensTheSimulatedChargerThroughThePortDialog()
    {
        constexpr int SimCom = 204;
        TSimProcess sim({"--com", QString::number(SimCom), "--fast", "--quiet", "--seed", "9"});
        QCOMPARE(sim.WaitForLine("com "), QString::number(SimCom));
        TfrmMain form;
        form.show();
        bool chosen = false;
        QTimer picker;
        picker.setInterval(20);
        connect(&picker, &QTimer::timeout, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != QStringLiteral("frmPort") || chosen)
                return;
            auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("vstPortList"));
            const QList<QTreeWidgetItem *> found =
                list->findItems(QStringLiteral("COM%1").arg(SimCom), Qt::MatchExactly);
            if (found.isEmpty())
                return;
            chosen = true;
            found[0]->setCheckState(0, Qt::Checked);
            dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
        picker.start();
        form.actFileOpen->trigger();
        QVERIFY(chosen);
        QCOMPARE(form.windowTitle(), QStringLiteral("Korvane 联机应用程序 - COM%1").arg(SimCom));
        QCOMPARE(RecentTexts(form).first(), QStringLiteral("COM%1").arg(SimCom));
        QTRY_VERIFY_WITH_TIMEOUT(form.Chart->Series[0]->PointCount() >= 20, 20000);
        QVERIFY(form.FExportLines->Count() > 40);
        TBoxAnswerer answerer(QMessageBox::Ok);
        QVERIFY(form.close());
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
