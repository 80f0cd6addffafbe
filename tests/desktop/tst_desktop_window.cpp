// The main window on a real desktop: an X server with the icewm window manager, which frames
// the window, keeps its task bar out of the work area and holds the notification area. Input
// goes through the X server (xdotool) as a person's would; what the screen shows is read back
// from the X server.
#include "display/ChartView.h"
#include "shell/AppModule.h"
#include "tests/shell/MainFixture.h"
#include "tests/support/TempConfig.h"

#include <QDockWidget>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QWindow>

#include <algorithm>

namespace {

QString Run(const QString &Program, const QStringList &Arguments)
{
    QProcess process;
    process.start(Program, Arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        qWarning("%s %s failed: %s", qPrintable(Program), qPrintable(Arguments.join(' ')),
                 process.readAllStandardError().constData());
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void XDo(const QStringList &Arguments) { Run(QStringLiteral("xdotool"), Arguments); }

// The work area the window manager announces to every program (_NET_WORKAREA, first desktop).
QRect AnnouncedWorkArea()
{
    const QString line = Run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")});
    const QStringList numbers = line.section(QLatin1Char('='), 1).split(QLatin1Char(','));
    if (numbers.size() < 4)
        return {};
    return QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
}

void MoveMouse(const QPoint &Global)
{
    XDo({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(Global.x()),
         QString::number(Global.y())});
}

void Click(const QPoint &Global, int Button, int Repeat = 1)
{
    MoveMouse(Global);
    XDo({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(Repeat), QStringLiteral("--delay"),
         QStringLiteral("80"), QString::number(Button)});
}

// A point of a data box row's name, right of its check box.
QPoint RowNamePoint(TfrmMain &Form, int Row)
{
    TDataBoxView *view = Form.vstChannelInfo;
    const QRect cell = view->visualRect(view->model()->index(Row, 0));
    return view->viewport()->mapToGlobal(QPoint(cell.left() + cell.width() / 2, cell.center().y()));
}

// What the X server shows in a rectangle of the screen.
QImage ScreenShot(const QRect &Global)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, Global.x(), Global.y(), Global.width(), Global.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels that differ clearly from the rectangle's most common colour: text, frames.
int MarkedPixels(const QImage &Image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            ++counts[Image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    const int backgroundGray = qGray(background);
    int marked = 0;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (std::abs(qGray(Image.pixel(x, y)) - backgroundGray) > 96)
                ++marked;
    return marked;
}

QList<QWidget *> VisiblePopups()
{
    QList<QWidget *> popups;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowType() == Qt::Popup)
            popups << widget;
    return popups;
}

} // namespace

class TestDesktopWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UseTemporaryConfig();
        InitializeModules();
        QVERIFY2(QGuiApplication::platformName() == QStringLiteral("xcb"), "runs on an X server");
    }

    // The whole window, title bar and frame included, lies on the work area from the first
    // show; a page switch puts a moved window back.
    void FrameFillsTheWorkArea()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect area = AnnouncedWorkArea();
        QVERIFY(area.isValid());
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), area);
        QTRY_COMPARE(form.frameGeometry(), area);
        // The window manager's title bar is above the client area, on the screen.
        QVERIFY(form.geometry().top() > area.top());
        QVERIFY(area.contains(form.geometry()));

        XDo({QStringLiteral("windowmove"), QString::number(form.winId()), QStringLiteral("150"),
             QStringLiteral("100")});
        QTRY_VERIFY(form.frameGeometry().topLeft() != area.topLeft());
        form.tsTabPage->setCurrentIndex(2);
        QTRY_COMPARE(form.frameGeometry(), area);
    }

    // Minimised into the notification area and restored with a double click on the icon, the
    // window comes back fitted, with its tool windows as they were.
    void TrayRestoreKeepsFitAndLayout()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.SetTrayActive(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect area = AnnouncedWorkArea();
        QTRY_COMPARE(form.frameGeometry(), area);
        QTest::qWait(300);
        const QRect chart = form.Chart->geometry();
        const QRect states = form.tbxtlwndwChannelState->geometry();
        const QRect box = form.tbxtlwndwDataBox->geometry();

        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable());
        XDo({QStringLiteral("windowminimize"), QString::number(form.winId())});
        QTRY_VERIFY(!form.isVisible());
        QTRY_VERIFY(form.TrayIcon->isVisible() && !form.TrayIcon->geometry().isEmpty());
        QTest::qWait(300);
        Click(form.TrayIcon->geometry().center(), 1, 2);
        QTRY_VERIFY(form.isVisible() && !form.isMinimized());
        QTRY_COMPARE(form.frameGeometry(), area);
        QTRY_COMPARE(form.tbxtlwndwDataBox->geometry(), box);
        QCOMPARE(form.tbxtlwndwChannelState->geometry(), states);
        QCOMPARE(form.Chart->geometry(), chart);
        QVERIFY(!form.TrayIcon->isVisible());
    }

    // A clicked row keeps readable text and its check box; a right click on a row's name opens
    // only the channel popup, whose description edit takes what the user types.
    void RowSelectionAndChannelPopup()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.frameGeometry(), AnnouncedWorkArea());
        TDataBoxView *view = form.vstChannelInfo;
        QTest::qWait(300);

        Click(RowNamePoint(form, 0), 1);
        QTRY_VERIFY(view->selectionModel()->isRowSelected(0, {}));
        QTest::qWait(200);
        const QModelIndex name = view->model()->index(0, 0);
        const QRect cell = view->visualRect(name);
        const QRect check = view->CheckBoxRect(name);
        const QPoint origin = view->viewport()->mapToGlobal(QPoint(0, 0));
        // Right of the check box: the channel's name.
        const QRect text(origin.x() + check.right() + 4, origin.y() + cell.top() + 1, cell.right() - check.right() - 8,
                         cell.height() - 2);
        QVERIFY2(MarkedPixels(ScreenShot(text)) > 20, "the selected row's name shows");
        QVERIFY2(MarkedPixels(ScreenShot(check.translated(origin))) > 8, "the check box keeps its frame");

        Click(RowNamePoint(form, 1), 3);
        QTRY_VERIFY(view->TBXpmChannelTitle->isVisible());
        QTest::qWait(300);
        QCOMPARE(VisiblePopups(), QList<QWidget *>({view->TBXpmChannelTitle}));
        QVERIFY(!form.TBXpmBottomBar->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(view->TBXpmiChannelDesc));
        XDo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("A1")});
        XDo({QStringLiteral("key"), QStringLiteral("Return")});
        QTRY_COMPARE(form.FRows[1].Description, QStringLiteral("A1"));
        QTRY_VERIFY(VisiblePopups().isEmpty());
    }

    // The chart read with the X server's pointer: hovering shows the cursor and its box on the
    // screen, the wheel zooms, dragging pans and ends automatic scrolling, a double click goes
    // back to the page at the newest step.
    void ChartReadWithThePointer()
    {
        TMainFixture f;
        TfrmMain &form = *f.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.frameGeometry(), AnnouncedWorkArea());
        f.OpenIn(fmSingle);
        for (int s = 1; s <= 400; ++s)
            f.FeedStep(std::uint16_t(1200 + s), 300, std::uint16_t(s / 15), std::uint16_t(s));
        TKRVChart &chart = *form.Chart;
        QTest::qWait(300);
        const auto pointAt = [&chart](double Step) {
            return chart.mapToGlobal(
                QPoint(int(std::lround(chart.TimeAxis()->coordToPixel(Step))), chart.PlotRect().center().y()));
        };
        const QRect plot(chart.mapToGlobal(chart.PlotRect().topLeft()), chart.PlotRect().size());
        const QImage before = ScreenShot(plot);

        MoveMouse(pointAt(300));
        QTRY_VERIFY(form.Pages->View().Cursor.has_value());
        QVERIFY(std::abs(*form.Pages->View().Cursor - 300) <= 1);
        QTRY_VERIFY2(MarkedPixels(ScreenShot(plot)) > MarkedPixels(before) + 200, "the read-out box shows");

        // Beside the pointer: a move to where it stands would wait for a motion that never comes.
        Click(pointAt(300) + QPoint(0, 10), 4);
        QTRY_COMPARE(chart.TimeAxis()->range().size(), 120.0);
        QCOMPARE(form.Pages->PageSamples, 150u);

        const QPoint from = pointAt(330);
        MoveMouse(from);
        XDo({QStringLiteral("mousedown"), QStringLiteral("1")});
        MoveMouse(from + QPoint(100, 0));
        MoveMouse(from + QPoint(200, 0));
        XDo({QStringLiteral("mouseup"), QStringLiteral("1")});
        QTRY_VERIFY(!form.actAutoScroll->isChecked());
        QVERIFY(chart.TimeAxis()->range().upper < 400);

        Click(pointAt(330), 1, 2);
        QTRY_VERIFY(form.actAutoScroll->isChecked());
        QCOMPARE(chart.TimeAxis()->range(), QCPRange(250, 400));
    }
};

QTEST_MAIN(TestDesktopWindow)
#include "tst_desktop_window.moc"
