// The main window on the desktop: fitting it to the work area with its frame, the tray, and
// the quit question that ends the program.
#include "Main.h"

#include "recordings/Recorder.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QWindow>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void TfrmMain::showEvent(QShowEvent *Event)
{
    QMainWindow::showEvent(Event);
    if (!FShownOnce) {
        FShownOnce = true;
        // The window manager's frame becomes known once the window is on screen.
        if (QWindow *window = windowHandle())
            window->installEventFilter(this);
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    FitToWorkArea();
#if defined(__GLIBC__)
    // Hand the pages the program does not need back to the system.
    malloc_trim(0);
#endif
}

void TfrmMain::FitToWorkArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        FitToWorkArea(screen->availableGeometry());
}

QMargins TfrmMain::FrameMargins() const
{
    if (const QWindow *window = windowHandle())
        return window->frameMargins();
    return {};
}

void TfrmMain::FitToWorkArea(const QRect &WorkArea)
{
    // The whole window, frame included, fills the work area: the client area is what the
    // window manager's frame leaves of it.
    const QMargins border = FrameMargins();
    const QRect inner = WorkArea.marginsRemoved(border);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setGeometry(inner);
    // A fixed border: the user cannot resize the window.
    setFixedSize(inner.size());
    FFittedArea = WorkArea;
    FFittedFrame = border;
    const int width = WorkArea.width();
    tsTabPage->setMaximumWidth((width / 10) * 8);
    tsTabPage->setMinimumWidth((width / 10) * 2);
}

void TfrmMain::RefitIfFrameChanged()
{
    // A window manager frames the window only after it is shown (first show, restore from the
    // tray): the fit made before is done again with the real frame. A move by the user keeps
    // the frame and is left alone.
    if (FFittedArea.isValid() && isVisible() && FrameMargins() != FFittedFrame)
        FitToWorkArea(FFittedArea);
}

bool TfrmMain::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == windowHandle() && Event->type() == QEvent::Expose)
        RefitIfFrameChanged();
    return QMainWindow::eventFilter(Watched, Event);
}

void TfrmMain::closeEvent(QCloseEvent *Event)
{
    if (!FSessionEnding && !FormCloseQuery()) {
        Event->ignore();
        return;
    }
    Event->accept();
    if (FSessionEnding)
        return EndProgram();
    CloseChargerForGood();
    // Closing a window hidden in the tray does not end the event loop by itself; the program
    // ends whichever menu asked, and the window's destroy steps run after the loop.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TfrmMain::FormCloseQuery()
{
    const QString text = FormatText(LoadStr(TTextId::QuitQuestion), {LoadStr(TTextId::AppTitle), AppVersionText});
    return AskOkCancel(this, text, LoadStr(TTextId::AppTitle)) == IdOk;
}

void TfrmMain::CloseChargerForGood()
{
    // The close handler must not run against a window that is going away.
    Charger->OnClose = nullptr;
    Charger->Close();
}

void TfrmMain::EndProgram()
{
    FSessionEnding = true;
    CloseChargerForGood();
    // Every event loop ends, a dialog's too: the request to end is no question.
    QCoreApplication::exit(0);
}

void TfrmMain::CommitSessionData()
{
    SaveRecentPorts();
    if (Recorder)
        Recorder->Flush();
    FSessionEnding = true;
}

void TfrmMain::SetTrayActive(bool Active)
{
    FTrayActive = Active;
    if (!Active)
        TrayIcon->hide();
}

void TfrmMain::changeEvent(QEvent *Event)
{
    QMainWindow::changeEvent(Event);
    if (Event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    JvAppEventsMinimize();
    // Without a notification area the window stays on the task bar, as with the setting off.
    if (FTrayActive && QSystemTrayIcon::isSystemTrayAvailable()) {
        TrayIcon->show();
        hide();
    }
}

void TfrmMain::JvAppEventsMinimize() { TrayIcon->setToolTip(windowTitle()); }

void TfrmMain::actShowMainWindowExecute()
{
    showNormal();
    FormShow();
    raise();
    activateWindow();
    TrayIcon->hide();
}
