// The views below the chart as the user meets them: the data box with its cells, check
// boxes, colour boxes and channel popup; the battery pictures; the status bar panels.
#include "MainFixture.h"
#include "shell/AppModule.h"
#include "tests/support/BoxAnswerer.h"
#include "tests/support/TempConfig.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QWindow>

namespace {

QStringList RowTexts(TfrmMain &Form, int Row)
{
    QStringList texts;
    const TDataBoxModel *model = Form.vstChannelInfo->Model();
    for (int c = 0; c < model->columnCount(); ++c)
        texts << model->index(Row, c).data().toString();
    return texts;
}

// Pixels of Area in Image whose grey level differs from Background's by more than half the scale.
int Contrasting(const QImage &Image, const QRect &Area, QColor Background)
{
    int count = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            count += std::abs(qGray(Image.pixel(x, y)) - qGray(Background.rgb())) > 128 ? 1 : 0;
    return count;
}

// Area of the view's viewport in the device pixels of a grab.
QRect DevicePixels(const QRect &Area, qreal Ratio)
{
    return QRect(qRound(Area.left() * Ratio), qRound(Area.top() * Ratio), qRound(Area.width() * Ratio),
                 qRound(Area.height() * Ratio));
}

// Counts the layout requests of the widgets it watches.
class TLayoutRequests : public QObject
{
public:
    int Count = 0;
    bool eventFilter(QObject *, QEvent *Event) override
    {
        Count += Event->type() == QEvent::LayoutRequest;
        return false;
    }
};

} // namespace

class TestDataBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
    }

    void CellsShowWhatAppliesToTheState()
    {
        TMainFixture f;
        TDataBoxModel *model = f.Form->vstChannelInfo->Model();
        QCOMPARE(model->columnCount(), 5);
        QStringList headers;
        for (int c = 0; c < 5; ++c)
            headers << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headers, QStringList({"#", "V", "mA", "min", "mAh"}));
        QCOMPARE(RowTexts(*f.Form, 0), QStringList({"通道 1", "-", "-", "-", "-"}));
        f.OpenIn(fmSingle);
        f.Feed(MakeFrame(0, 1300, 10, 5, 850));
        f.Feed(MakeFrame(1, 1452, 1200, 75, 640));
        QCOMPARE(RowTexts(*f.Form, 0), QStringList({"通道 1", "-", "-", "-", "850"}));
        QCOMPARE(RowTexts(*f.Form, 1), QStringList({"通道 2", "1.452", "1200", "75", "640"}));
        QCOMPARE(model->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        // Column widths from the client width: the first twice the others.
        TDataBoxView *view = f.Form->vstChannelInfo;
        QVERIFY(view->columnWidth(1) >= 80);
        QCOMPARE(view->columnWidth(0), 2 * view->columnWidth(1));
        QCOMPARE(view->columnWidth(4), view->columnWidth(1));
    }

    void ColumnsFillTheRealWidthOnce()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        TDataBoxView *view = form.vstChannelInfo;
        const auto widths = [view] {
            QList<int> all;
            for (int c = 0; c < view->Model()->columnCount(); ++c)
                all << view->columnWidth(c);
            return all;
        };
        // Neither cut off nor short of the right edge: within the rounding of six shares.
        const int used = view->header()->length();
        QVERIFY2(used <= view->viewport()->width() && used > view->viewport()->width() - 6,
                 qPrintable(QStringLiteral("%1 of %2").arg(used).arg(view->viewport()->width())));
        QCOMPARE(view->columnWidth(0), 2 * view->columnWidth(1));
        const QList<int> shown = widths();
        f.OpenIn(fmSingle);
        QCOMPARE(widths(), shown);
    }

    void CheckBoxesHideTheirLines()
    {
        TMainFixture f;
        TDataBoxModel *model = f.Form->vstChannelInfo->Model();
        f.Form->tsTabPage->setCurrentIndex(2);
        QVERIFY(model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(!f.Series(1, 1).Active());
        f.Form->tsTabPage->setCurrentIndex(0);
        QVERIFY(!f.Series(0, 1).Active() && !f.Series(2, 1).Active());
        QVERIFY(f.Series(0, 0).Active());
    }

    void ColorBoxesFollowPageLegendAndCheck()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        QCOMPARE(form.ColorBoxOf(0, 1), std::optional<QColor>(QColor(Qt::red)));
        QCOMPARE(form.ColorBoxOf(1, 4), std::optional<QColor>(QColor(Qt::blue)));
        QCOMPARE(form.ColorBoxOf(3, 7), std::optional<QColor>(QColor(128, 0, 128)));
        QVERIFY(!form.ColorBoxOf(0, 6));
        form.tsTabPage->setCurrentIndex(2);
        QVERIFY(!form.ColorBoxOf(0, 1));
        QVERIFY(form.ColorBoxOf(0, 4));
        QVERIFY(!form.ColorBoxOf(0, 7));
        form.FRows[0].Checked = false;
        QVERIFY(!form.ColorBoxOf(0, 4));
        QVERIFY(form.ColorBoxOf(2, 4));
        form.actShowLegend->trigger();
        QVERIFY(!form.ColorBoxOf(2, 4));
    }

    void PopupNamesTheChannel()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        TDataBoxView *view = form.vstChannelInfo;
        QMenu *popup = view->TBXpmChannelTitle;
        const QModelIndex name = view->Model()->index(2, 0);
        const QRect check = view->CheckBoxRect(name);
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, check.center());
        QVERIFY(!popup->isVisible());
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, view->visualRect(view->Model()->index(2, 3)).center());
        QVERIFY(!popup->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(name).center());
        QVERIFY(!popup->isVisible());

        const QPoint text(check.right() + 20, view->visualRect(name).center().y());
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, text);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(view->TBXpmiChannelName->text(), QStringLiteral("通道 3"));
        QCOMPARE(view->TBXpmiChannelDesc->width(), 120);
        QVERIFY(view->selectionModel()->isRowSelected(2, {}));
        view->TBXpmiChannelDesc->setText(QStringLiteral("A1"));
        QTest::keyClick(view->TBXpmiChannelDesc, Qt::Key_Return);
        QTRY_VERIFY(!popup->isVisible());
        QCOMPARE(RowTexts(form, 2).first(), QStringLiteral("通道 3 - A1"));

        // A double click opens it too, pre-filled; clearing names the channel by number again.
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, text);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(view->TBXpmiChannelDesc->text(), QStringLiteral("A1"));
        view->TBXmmiClearChannelDesc->trigger();
        QCOMPARE(RowTexts(form, 2).first(), QStringLiteral("通道 3"));
        popup->close();

        form.FRows[1].Description = QStringLiteral("B");
        f.OpenIn(fmSingle);
        QCOMPARE(RowTexts(form, 1).first(), QStringLiteral("通道 2"));
    }

    void SelectedRowStaysReadable()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        TDataBoxView *view = form.vstChannelInfo;
        const QModelIndex name = view->Model()->index(1, 0);
        const QRect cell = view->visualRect(name);
        const QRect check = view->CheckBoxRect(name);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(check.right() + 30, cell.center().y()));
        QVERIFY(view->selectionModel()->isRowSelected(1, {}));
        QTRY_VERIFY(!view->viewport()->grab().isNull());

        const QImage image = view->viewport()->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        // The cell's right end holds no text: its colour is the selection's background.
        const QColor background =
            image.pixelColor(qRound((cell.right() - 4) * ratio), qRound(cell.center().y() * ratio));
        QVERIFY(background != QColor(Qt::white));
        const QRect text(check.right() + 2, cell.top() + 2, 60, cell.height() - 4);
        QVERIFY2(Contrasting(image, DevicePixels(text, ratio), background) > 20, "the channel's name is readable");
        QVERIFY2(Contrasting(image, DevicePixels(check, ratio), background) > 4 * check.width(),
                 "the check box is framed");
        // The other rows keep the grid between their cells.
        const QModelIndex below = view->Model()->index(3, 2);
        const QRect gridCell = view->visualRect(below);
        QCOMPARE(image.pixelColor(qRound((gridCell.right()) * ratio), qRound(gridCell.center().y() * ratio)),
                 form.vstChannelInfo->Delegate()->GridColor);
    }

    void RightClickOpensOnePopup()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        TDataBoxView *view = form.vstChannelInfo;
        QMenu *channel = view->TBXpmChannelTitle;
        QMenu *dock = form.TBXpmBottomBar;
        // A right press through the window, as the platform delivers it: the press, then the
        // context menu event for the same place.
        const auto rightClick = [&](QPoint At) {
            QWindow *window = form.windowHandle();
            const QPoint inWindow = view->viewport()->mapTo(&form, At);
            QTest::mousePress(window, Qt::RightButton, {}, inWindow);
            QContextMenuEvent event(QContextMenuEvent::Mouse, At, view->viewport()->mapToGlobal(At));
            QApplication::sendEvent(view->viewport(), &event);
            QCoreApplication::processEvents();
        };
        const auto closeAll = [&] {
            channel->close();
            dock->close();
            QTRY_VERIFY(!channel->isVisible() && !dock->isVisible());
            QTest::mouseRelease(form.windowHandle(), Qt::RightButton, {}, QPoint(1, 1));
        };

        // On a channel's name: its popup alone, ready for typing the description.
        const QModelIndex name = view->Model()->index(1, 0);
        const QPoint text(view->CheckBoxRect(name).right() + 20, view->visualRect(name).center().y());
        rightClick(text);
        QTRY_VERIFY(channel->isVisible());
        QVERIFY(!dock->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), view->TBXpmiChannelDesc);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("A1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!channel->isVisible());
        QCOMPARE(RowTexts(form, 1).first(), QStringLiteral("通道 2 - A1"));
        closeAll();

        // Elsewhere on a row (a value, the check box) nothing opens: the row is data, not the box.
        for (const QPoint &at :
             {view->visualRect(view->Model()->index(1, 3)).center(), view->CheckBoxRect(name).center()}) {
            rightClick(at);
            QCoreApplication::processEvents();
            QVERIFY(!channel->isVisible() && !dock->isVisible());
            closeAll();
        }

        // Below the rows the tool window's own menu opens.
        rightClick(QPoint(20, view->viewport()->height() - 5));
        QTRY_VERIFY(dock->isVisible());
        QVERIFY(!channel->isVisible());
        closeAll();
    }

    void BatteriesFollowTheChannelStates()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        auto &boxes = form.ChannelStatePanel->PaintBoxes;
        QTRY_VERIFY(boxes[3]->PaintCount > 0);
        QCOMPARE(boxes[0]->LastPicture, 1);
        QCOMPARE(form.ChannelStatePanel->Bevels[1]->toolTip(), QStringLiteral("通道 2"));
        f.OpenIn(fmSingle);
        QCoreApplication::processEvents();
        int counts[4];
        for (int i = 0; i < 4; ++i)
            counts[i] = boxes[std::size_t(i)]->PaintCount;
        f.Feed(MakeFrame(1, 1400, 600));
        QTRY_COMPARE(boxes[1]->LastPicture, 2);
        QCOMPARE(boxes[0]->PaintCount, counts[0]);
        QCOMPARE(boxes[2]->PaintCount, counts[2]);
        // The coloured battery really differs from the grey one.
        const QImage grey = boxes[0]->grab().toImage();
        const QImage colour = boxes[1]->grab().toImage();
        QVERIFY(grey != colour);
        form.Charger->Close();
        QTRY_VERIFY(boxes[0]->PaintCount > counts[0] && boxes[3]->PaintCount > counts[3]);
        QTRY_COMPARE(boxes[1]->LastPicture, 1);
    }

    void StatusBarShowsPortAndCounters()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        TStatusPanels &panels = *form.StatusBarPanels;
        for (int i = 0; i < 4; ++i)
            QVERIFY(!panels.Panels[std::size_t(i)]->isEnabled());
        QCOMPARE(panels.Panels[0]->ImageIndex(), 6);
        QCOMPARE(panels.Panels[1]->ImageIndex(), 24);
        QCOMPARE(panels.Panels[2]->Caption(), QStringLiteral("0"));
        QCOMPARE(panels.Panels[2]->toolTip(), QStringLiteral("接收帧数"));

        // A failed open with no frame timing known leaves the image alone.
        f.Port->Failure = QStringLiteral("busy");
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            form.Charger->ComNumber = 1;
            form.Charger->Open();
            QCOMPARE(answerer.Count(), 1);
            QCOMPARE(answerer.Texts[0].section(QLatin1Char('\n'), 0, 0),
                     QStringLiteral("端口打开失败。请确认端口: COM1 没有被占用。"));
            QCOMPARE(answerer.Icons[0], QMessageBox::Critical);
        }
        QCOMPARE(panels.Panels[0]->ImageIndex(), 6);
        QVERIFY(!panels.Panels[0]->isEnabled());
        QCOMPARE(panels.Panels[0]->toolTip(), QStringLiteral("端口状态：打开失败，已关闭"));

        // A port on which nothing sends shows the time-out while the check goes on.
        f.Port->Failure.clear();
        form.Charger->Open();
        QCOMPARE(panels.Panels[0]->ImageIndex(), 25);
        QCOMPARE(panels.Panels[0]->toolTip(), QStringLiteral("端口状态：已打开，正在识别充电器的数据帧"));
        form.Charger->Window()->Post(WM_TIMEOUT, 1, 0);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(panels.Panels[0]->ImageIndex(), 7);
        QCOMPARE(panels.Panels[0]->toolTip(), QStringLiteral("端口状态：已打开，没有收到数据"));

        f.OpenIn(fmSingle);
        QCOMPARE(panels.Panels[0]->ImageIndex(), 6);
        QCOMPARE(panels.Panels[0]->toolTip(), QStringLiteral("端口状态：已打开，正在接收数据"));
        f.Feed(MakeFrame(0, 1400, 600));
        QCOMPARE(panels.Panels[1]->ImageIndex(), 24);
        QVERIFY(panels.Panels[0]->isEnabled());
        QCOMPARE(panels.Panels[2]->Caption(), QStringLiteral("1"));
        // Silence longer than the interval: image 7, then 6 with the next frame.
        QTRY_COMPARE_WITH_TIMEOUT(panels.Panels[0]->ImageIndex(), 7, 5000);
        f.Feed(MakeFrame(1, 1400, 600));
        QCOMPARE(panels.Panels[0]->ImageIndex(), 6);

        // A failed open after a connection that decided the frame mode shows image 21.
        f.Port->Failure = QStringLiteral("gone");
        {
            TBoxAnswerer answerer(QMessageBox::Ok);
            form.Charger->Close();
            form.Charger->Open();
        }
        QCOMPARE(form.Charger->LinkState(), lsFailure);
        QCOMPARE(panels.Panels[0]->ImageIndex(), 21);
        for (int i = 0; i < 4; ++i)
            QVERIFY(!panels.Panels[std::size_t(i)]->isEnabled());
    }

    // At line rate the rows repaint at most ten times a second and a changing count lays
    // nothing out; after a quiet spell a row repaints at once.
    void LineRateRepaintsAreCoalesced()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        f.OpenIn(fmSingle);
        TLayoutRequests layouts;
        form.statusBar()->installEventFilter(&layouts);
        for (TStatusPanel *panel : form.StatusBarPanels->Panels)
            panel->installEventFilter(&layouts);
        QTest::qWait(150);
        QSignalSpy changed(form.vstChannelInfo->Model(), &QAbstractItemModel::dataChanged);
        QLabel *count = form.StatusBarPanels->Panels[2]->findChildren<QLabel *>().value(1);
        QVERIFY(count);
        QElapsedTimer burst;
        burst.start();
        for (int i = 0; i < 40; ++i)
            f.Feed(MakeFrame(i % 2 == 0 ? 1 : 3, std::uint16_t(1400 + i), 600));
        const qint64 took = burst.elapsed();
        // The first at once, then at most one in each tenth of a second.
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QVERIFY2(changed.size() <= 1 + took / 100,
                 qPrintable(QStringLiteral("%1 in %2 ms").arg(changed.size()).arg(took)));
        const qsizetype during = changed.size();
        QTRY_COMPARE(changed.size(), during + 1);
        QCOMPARE(changed.last()[1].toModelIndex().row(), 3);
        QTRY_COMPARE(count->text(), form.StatusBarPanels->Panels[2]->Caption());
        QCOMPARE(count->text(), QString::number(form.Charger->PacketCount()));
        QCOMPARE(layouts.Count, 0);
        QTest::qWait(150);
        const qsizetype before = changed.size();
        f.Feed(MakeFrame(2, 1500, 600));
        QCOMPARE(changed.size(), before + 1);
        QCOMPARE(changed.last()[0].toModelIndex().row(), 2);
        QCOMPARE(count->text(), QString::number(form.Charger->PacketCount()));
    }

    void ViewCommandsShowAndHideTheirTargets()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        ShowActive(form);
        TStatusPanels &panels = *form.StatusBarPanels;
        form.actViewPortStatePanel->trigger();
        QVERIFY(panels.Panels[0]->isHidden());
        form.actViewPortStatePanel->trigger();
        QVERIFY(!panels.Panels[0]->isHidden());
        QTRY_VERIFY(panels.Panels[0]->x() < panels.Panels[1]->x());
        QVERIFY(form.TBXpmStatusBar->actions().contains(form.actViewLostFrameCountPanel));

        form.tbxtlwndwDataBox->close();
        QTRY_VERIFY(!form.actViewDataBox->isChecked());
        form.actViewDataBox->trigger();
        QVERIFY(form.tbxtlwndwDataBox->isVisible());
        QVERIFY(form.actViewDataBox->isChecked());
        form.actViewStatusBar->trigger();
        QVERIFY(form.statusBar()->isHidden());
    }
};

QTEST_MAIN(TestDataBox)
#include "tst_data_box.moc"
