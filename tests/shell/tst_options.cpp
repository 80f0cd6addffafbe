// The options dialog opened from the real main window: what it shows on opening, the range
// edits' bounds, live preview on the chart and the data box, the colour picker, the page
// width, Cancel keeping what was applied, and OK storing what the chart shows.
#include "MainFixture.h"
#include "settings/ChartSettings.h"
#include "settings/ColorPicker.h"
#include "settings/Option.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/StoredValues.h"
#include "tests/support/TempConfig.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

// Opens the options dialog with F8's command and runs Step on it; returns the dialog's result.
int WithOptions(TfrmMain &Form, std::function<void(TfrmOption *)> Step)
{
    int result = -1;
    WhenModalUp<TfrmOption>([&result, Step](TfrmOption *Dialog) {
        QObject::connect(Dialog, &QDialog::finished, [&result](int Result) { result = Result; });
        Step(Dialog);
    });
    Form.actFileOption->trigger();
    return result;
}

QList<QCPRange> AxisRanges(TfrmMain &Form)
{
    QList<QCPRange> ranges;
    for (const TCustomAxis &axis : Form.Chart->CustomAxes)
        ranges << axis.Axis->range();
    return ranges;
}

void SelectAxis(TfrmOption *Dialog, int Index) { Dialog->cbbAxis->setCurrentIndex(Index); }

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void init()
    {
        TRegistry::DeniedKey.clear();
        QDir(TemporaryConfigFile()).removeRecursively();
        QFile::remove(TemporaryConfigFile());
        QFile::remove(TemporaryConfigFile() + QStringLiteral(".bak"));
    }

    void OpensOnTheAxesPageAndCancelLeavesTheChartAsItWas()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        const QList<QCPRange> before = AxisRanges(form);
        const QCPRange timeBefore = form.Chart->TimeAxis()->range();
        WithOptions(form, [&](TfrmOption *d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("选项"));
            QCOMPARE(d->size(), QSize(438, 323));
            QCOMPARE(d->lstItems->count(), 3);
            QCOMPARE(d->lstItems->item(2)->text(), QStringLiteral("杂项"));
            QCOMPARE(d->lstItems->currentRow(), 0);
            QCOMPARE(d->tbxlblTitle->text(), QStringLiteral("数轴"));
            QVERIFY(d->pnl1->isVisible());
            QVERIFY(!d->pnl2->isVisible());
            QVERIFY(!d->pnl3->isVisible());
            QCOMPARE(d->btnOk->text(), QStringLiteral("确定(&O)"));
            QCOMPARE(d->btnCancel->text(), QStringLiteral("取消(&C)"));
            QCOMPARE(d->lblMinValue->text(), QStringLiteral("最小值(&N):"));
            QCOMPARE(d->chkMinToTray->text(), QStringLiteral("最小化到系统托盘"));
            QCOMPARE(d->btnLineColor->MoreAction()->text(), QStringLiteral("更多..."));
            QCOMPARE(d->ImageList.size(), 3);
            QVERIFY(!d->ImageList[2].isNull());

            QCOMPARE(d->cbbAxis->count(), 3);
            QCOMPARE(d->cbbAxis->itemText(1), QStringLiteral("电流"));
            QCOMPARE(d->cbbAxis->currentIndex(), 0);
            QCOMPARE(d->edtMinValue->value(), 1.0);
            QCOMPARE(d->edtMaxValue->value(), 1.8);
            QCOMPARE(d->edtMinValue->suffix(), QStringLiteral(" V"));
            QCOMPARE(d->edtMinValue->decimals(), 3);
            QCOMPARE(d->edtMaxValue->singleStep(), 0.1);
            QCOMPARE(d->edtMinValue->maximum(), 1.7);
            QCOMPARE(d->edtMaxValue->minimum(), 1.1);
            QCOMPARE(d->edtMaxValue->maximum(), 2.495);

            QCOMPARE(d->cbbLine->count(), 12);
            QCOMPARE(d->cbbLine->currentIndex(), 0);
            QCOMPARE(d->cbbLine->itemText(0), QStringLiteral("通道 1 - 电压"));
            QCOMPARE(d->cbbLine->itemText(11), QStringLiteral("通道 4 - 容量"));
            QCOMPARE(d->btnLineColor->Color(), f.Series(0, 0).Color());
            QCOMPARE(d->edtPageWidth->value(), 10);
            QCOMPARE(d->edtPageWidth->suffix(), QStringLiteral(" min"));
            QVERIFY(!d->chkMinToTray->isChecked());

            // The current axis reaches above the edit's ceiling: the ceiling gives way and
            // the axis keeps its maximum.
            SelectAxis(d, 1);
            QCOMPARE(d->edtMaxValue->value(), 1600.0);
            QCOMPARE(d->edtMaxValue->maximum(), 1600.0);
            QCOMPARE(d->edtMinValue->suffix(), QStringLiteral(" mA"));
            QCOMPARE(d->edtMinValue->singleStep(), 50.0);
            QCOMPARE(form.Chart->CustomAxes[1].Axis->range(), QCPRange(0, 1600));
            d->lstItems->setCurrentRow(2);
            QCOMPARE(d->tbxlblTitle->text(), QStringLiteral("杂项"));
            QVERIFY(d->pnl3->isVisible());
            QVERIFY(!d->pnl1->isVisible());
            d->btnCancel->click();
        });
        QCOMPARE(AxisRanges(form), before);
        QCOMPARE(form.Chart->TimeAxis()->range(), timeBefore);
        QCOMPARE(form.Pages->PageSamples, 150u);
        QVERIFY(!QFile::exists(TemporaryConfigFile()));
    }

    void RangeEditsMoveTheAxisAndKeepItsSpan()
    {
        {
            // A stored capacity range narrower than an increment.
            TRegistry registry;
            QVERIFY(registry.OpenKey(SettingsKeys::AxisRange, true));
            QVERIFY(registry.WriteInteger(QStringLiteral("Axis_2_Max"), 50) && registry.CloseKey());
        }
        TMainFixture f;
        TfrmMain &form = *f.Form;
        WithOptions(form, [&](TfrmOption *d) {
            d->edtMinValue->setValue(1.2);
            QCOMPARE(form.Chart->CustomAxes[0].Axis->range(), QCPRange(1.2, 1.8));
            d->edtMaxValue->setValue(2.0);
            QCOMPARE(form.Chart->CustomAxes[0].Axis->range(), QCPRange(1.2, 2.0));
            // Each edit stays one increment clear of the other's value.
            QCOMPARE(d->edtMaxValue->minimum(), 1.3);
            QCOMPARE(d->edtMinValue->maximum(), 1.9);
            d->edtMinValue->setValue(2.0);
            QCOMPARE(form.Chart->CustomAxes[0].Axis->range(), QCPRange(1.9, 2.0));
            d->edtMaxValue->setValue(1.9);
            QCOMPARE(form.Chart->CustomAxes[0].Axis->range(), QCPRange(1.9, 2.0));
            d->edtMinValue->setValue(1.2);
            d->edtMaxValue->setValue(3.0);
            QCOMPARE(d->edtMaxValue->value(), 2.495);

            SelectAxis(d, 1);
            d->edtMaxValue->setValue(1000);
            QCOMPARE(form.Chart->CustomAxes[1].Axis->range(), QCPRange(0, 1000));
            SelectAxis(d, 2);
            QCOMPARE(d->edtMaxValue->maximum(), 4400.0);
            QCOMPARE(d->edtMaxValue->suffix(), QStringLiteral(" mAh"));
            QCOMPARE(d->edtMaxValue->singleStep(), 100.0);
            // The narrow range keeps its ends and cannot narrow further.
            QCOMPARE(d->edtMinValue->value(), 0.0);
            QCOMPARE(d->edtMinValue->maximum(), 0.0);
            QCOMPARE(d->edtMaxValue->minimum(), 50.0);
            QCOMPARE(form.Chart->CustomAxes[2].Axis->range(), QCPRange(0, 50));
            SelectAxis(d, 1);
            QCOMPARE(d->edtMaxValue->maximum(), 1200.0);
            QCOMPARE(d->edtMinValue->maximum(), 950.0);
            SelectAxis(d, 0);
            QCOMPARE(d->edtMaxValue->minimum(), 1.3);
            QCOMPARE(d->edtMinValue->maximum(), 2.395);
            QCOMPARE(d->edtMinValue->value(), 1.2);
            d->btnCancel->click();
        });
        // Cancel takes nothing back.
        QCOMPARE(form.Chart->CustomAxes[0].Axis->range(), QCPRange(1.2, 2.495));
    }

    void LinePenChangesShowAtOnceAndCancelKeepsThemUntilTheNextOpen()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        const QColor stored = f.Series(1, 0).Color();
        const QColor picked = TColorPickerButton::PaletteColors()[3];
        const QColor mixed(1, 2, 3);
        WithOptions(form, [&](TfrmOption *d) {
            d->cbbLine->setCurrentIndex(8);
            QVERIFY(!d->lblLineWidth->isEnabled());
            QVERIFY(!d->edtLineWidth->isEnabled());
            QCOMPARE(d->edtLineWidth->palette().color(QPalette::Base), d->palette().color(QPalette::Button));
            d->cbbLine->setCurrentIndex(4);
            QVERIFY(d->lblLineWidth->isEnabled());
            QVERIFY(d->edtLineWidth->isEnabled());
            QCOMPARE(d->edtLineWidth->palette().color(QPalette::Base), d->palette().color(QPalette::Base));
            QCOMPARE(d->btnLineColor->Color(), stored);

            d->edtLineWidth->setValue(3);
            QCOMPARE(f.Series(1, 0).PenWidth(), 3);
            d->btnLineColor->Swatches()[3]->click();
            QCOMPARE(f.Series(1, 0).Color(), picked);
            QCOMPARE(form.ColorBoxOf(0, int(vtCurrent)), std::optional<QColor>(picked));
            QCOMPARE(d->btnLineColor->Color(), picked);

            // "更多..." opens the full colour dialog.
            WhenModalUp<QColorDialog>([&](QColorDialog *Colors) {
                QCOMPARE(Colors->currentColor(), picked);
                Colors->setCurrentColor(mixed);
                Colors->accept();
            });
            d->btnLineColor->MoreAction()->trigger();
            QCOMPARE(f.Series(1, 0).Color(), mixed);
            QCOMPARE(d->cbbLine->itemIcon(4).pixmap(16, 16).toImage().pixelColor(7, 7), mixed);
            // A dismissed colour dialog changes nothing.
            WhenModalUp<QColorDialog>([](QColorDialog *Colors) {
                Colors->setCurrentColor(Qt::white);
                Colors->reject();
            });
            d->btnLineColor->MoreAction()->trigger();
            QCOMPARE(f.Series(1, 0).Color(), mixed);
            d->reject();
        });
        QCOMPARE(f.Series(1, 0).Color(), mixed);
        QVERIFY(!Stored(SettingsKeys::LinePen, QStringLiteral("Line_4_Color")));
        // The next open builds the series from the store again.
        f.OpenIn(fmSingle);
        QCOMPARE(f.Series(1, 0).Color(), stored);
        QCOMPARE(f.Series(1, 0).PenWidth(), 1);
    }

    void PageWidthNeedsARecognisedCharger()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        WithOptions(form, [&](TfrmOption *d) {
            d->edtPageWidth->setValue(20);
            d->btnCancel->click();
        });
        QCOMPARE(form.Pages->PageSamples, 150u);

        f.OpenIn(fmSingle);
        for (int step = 0; step < 400; ++step)
            f.FeedStep(1400, 500, static_cast<std::uint16_t>(step / 15));
        QCOMPARE(form.Chart->TimeAxis()->range(), QCPRange(250, 400));
        WithOptions(form, [&](TfrmOption *d) {
            QCOMPARE(d->edtPageWidth->value(), 10);
            d->edtPageWidth->setValue(20);
            QCOMPARE(form.Pages->PageSamples, 300u);
            // The chart shows the newest page at once.
            QCOMPARE(form.Chart->TimeAxis()->range(), QCPRange(100, 400));
            d->chkMinToTray->click();
            QVERIFY(form.TrayActive());
            d->btnCancel->click();
        });
        QCOMPARE(form.Pages->PageSamples, 300u);
        QVERIFY(form.TrayActive());
        QVERIFY(!Stored(SettingsKeys::Root, QStringLiteral("PageWidth")));
    }

    // A file that does not parse whole is no write failure: everything lands, the file as it
    // was is kept beside it.
    void OkStoresWhatTheChartShows_data()
    {
        QTest::addColumn<QByteArray>("earlier");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("unclosed section") << QByteArray("[Broken\nAxis_0_Min=1\n");
        QTest::newRow("stray line") << QByteArray("[Software]\nfoo\nKorvane\\PageWidth=30\n");
    }

    void OkStoresWhatTheChartShows()
    {
        QFETCH(QByteArray, earlier);
        if (!earlier.isEmpty())
            WriteTemporaryConfig(earlier);
        {
            TMainFixture f;
            TBoxAnswerer boxes(QMessageBox::Ok);
            TfrmMain &form = *f.Form;
            const int result = WithOptions(form, [&](TfrmOption *d) {
                d->edtMinValue->setValue(1.234);
                d->cbbLine->setCurrentIndex(1);
                d->btnLineColor->Swatches()[0]->click();
                d->edtLineWidth->setValue(4);
                d->edtPageWidth->setValue(25);
                d->chkMinToTray->click();
                // The unattended options start on.
                QVERIFY(d->chkNotifyChargeDone->isChecked() && d->chkKeepAwake->isChecked() &&
                        d->chkReconnect->isChecked());
                d->chkKeepAwake->click();
                d->btnOk->click();
            });
            QCOMPARE(result, int(QDialog::Accepted));
            QCOMPARE(Stored(SettingsKeys::AxisRange, QStringLiteral("Axis_0_Min")), 1234);
            QCOMPARE(Stored(SettingsKeys::AxisRange, QStringLiteral("Axis_1_Max")), 1600);
            QCOMPARE(Stored(SettingsKeys::LinePen, QStringLiteral("Line_1_Color")), 0);
            QCOMPARE(Stored(SettingsKeys::LinePen, QStringLiteral("Line_1_Width")), 4);
            QCOMPARE(Stored(SettingsKeys::LinePen, QStringLiteral("Line_0_Color")), qint32(DefaultLineColors[0]));
            QCOMPARE(Stored(SettingsKeys::LinePen, QStringLiteral("Line_11_Width")), 1);
            QCOMPARE(Stored(SettingsKeys::Root, QStringLiteral("PageWidth")), 25);
            QCOMPARE(Stored(SettingsKeys::Root, QStringLiteral("MinToTray")), 1);
            QCOMPARE(Stored(SettingsKeys::Root, QStringLiteral("KeepAwake")), 0);
            QCOMPARE(Stored(SettingsKeys::Root, QStringLiteral("Reconnect")), 1);
            QVERIFY(!form.Unattended().KeepAwake && form.Unattended().NotifyChargeDone);
            QCOMPARE(boxes.Count(), 0);
        }
        QFile copy(TemporaryConfigFile() + QStringLiteral(".bak"));
        QCOMPARE(copy.open(QIODevice::ReadOnly) ? copy.readAll() : QByteArray(), earlier);
        // The next run starts with what was stored.
        TMainFixture f;
        QCOMPARE(f.Form->Chart->CustomAxes[0].Axis->range(), QCPRange(1.234, 1.8));
        QCOMPARE(f.Series(0, 1).Color(), QColor(0, 0, 0));
        QCOMPARE(f.Series(0, 1).PenWidth(), 4);
        QCOMPARE(f.Form->Pages->PageSamples, 25u * 15u);
        QVERIFY(f.Form->TrayActive());
        QCOMPARE(f.Form->Unattended(), (TUnattendedOptions{true, false, true}));
    }

    void OkClosesAlsoWhenTheStoreRefuses()
    {
        TMainFixture f;
        TRegistry::DeniedKey = SettingsKeys::AxisRange;
        TBoxAnswerer answerer(QMessageBox::Ok);
        QWidget *owner = nullptr;
        answerer.WhileShown = [&owner] { owner = QApplication::activeModalWidget()->parentWidget(); };
        QWidget *shown = nullptr;
        const int result = WithOptions(*f.Form, [&](TfrmOption *d) {
            shown = d;
            d->btnOk->click();
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(answerer.Count(), 1);
        QCOMPARE(answerer.Texts[0], QStringLiteral("保存选项失败。请检查是否有注册表读写权限。"));
        QVERIFY(owner != nullptr);
        QCOMPARE(owner, shown);
        QVERIFY(!Stored(SettingsKeys::LinePen, QStringLiteral("Line_0_Color")));
        QVERIFY(!Stored(SettingsKeys::Root, QStringLiteral("PageWidth")));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
