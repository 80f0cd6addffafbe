// Opening, replacing and closing the connection, receiving on and off, and the list of
// recently opened ports.
#include "Main.h"

#include "AppModule.h"
#include "display/ChartPages.h"
#include "display/KRVChart.h"
#include "display/StatusPanels.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/Registry.h"
#include "settings/SettingsKeys.h"
#include "settings/TextFormat.h"

#include <QMenu>

#include <algorithm>
#include <set>
#include <vector>

namespace {

bool IsOpen(const TKRVCharger &Charger) { return Charger.LinkState() == lsOpen || Charger.LinkState() == lsTimeOut; }

// The system's reason for a failed open, as a line under the open failure message.
QString OpenFailureReason(const TOpenFailure &Failure, std::uint16_t ComNumber)
{
    switch (Failure.Fault) {
    case ofNotFound:
        if (Failure.Device.isEmpty())
            return FormatText(LoadStr(TTextId::PortNoDeviceReason), {static_cast<long long>(ComNumber)});
        return FormatText(LoadStr(TTextId::PortNotFoundReason), {Failure.Device});
    case ofAccessDenied:
        return FormatText(
            LoadStr(TTextId::PortAccessDeniedReason),
            {Failure.Device, Failure.DeviceGroup.isEmpty() ? QStringLiteral("dialout") : Failure.DeviceGroup});
    case ofBusy:
        return FormatText(LoadStr(TTextId::PortBusyReason), {Failure.Device});
    case ofOther:
        if (!Failure.Detail.isEmpty())
            return FormatText(LoadStr(TTextId::PortOtherReason), {Failure.Device, Failure.Detail});
        return {};
    case ofNone:
        break;
    }
    return {};
}

} // namespace

int TfrmMain::ConfirmReplaceConnection()
{
    if (!IsOpen(*Charger))
        return IdOk;
    const QString format =
        LoadStr(TTextId::ReplaceConnectionQuestion) + QStringLiteral("\r\r") + LoadStr(TTextId::ReplaceConnectionNote);
    const QString text = FormatText(format, {static_cast<long long>(Charger->ComNumber), LoadStr(TTextId::AppTitle)});
    return AskOkCancel(this, text, LoadStr(TTextId::AppTitle));
}

void TfrmMain::actFileOpenExecute()
{
    if (ConfirmReplaceConnection() != IdOk)
        return;
    OpenFromPortDialog();
    FormShow();
}

void TfrmMain::OpenFromPortSelection(const std::vector<std::uint16_t> &Selection)
{
    if (Selection.size() < 3 || Selection[0] != 1 || Selection[1] == 0)
        return;
    const std::uint16_t port = Selection[2];
    StopReconnecting();
    Charger->Close();
    // The open event builds the series anew; a failed attempt keeps the recording shown.
    Charger->ComNumber = port;
    Charger->Open();
    PromoteRecentPort(port);
}

void TfrmMain::ReopenRecentPort(QAction *Sender)
{
    const int port = Sender ? Sender->data().toInt() : 0;
    if (port < 1 || port > 65535 || !mnuReopen->actions().contains(Sender))
        return;
    if (ConfirmReplaceConnection() != IdOk)
        return;
    ReopenPort(static_cast<std::uint16_t>(port));
}

void TfrmMain::ReopenPort(std::uint16_t Port)
{
    StopReconnecting();
    Charger->Close();
    Charger->ResetLink();
    Charger->ComNumber = Port;
    Charger->Open();
    PromoteRecentPort(Port);
    FormShow();
}

QList<QAction *> TfrmMain::RecentPortItems() const
{
    QList<QAction *> items = mnuReopen->actions();
    // The separator and the clear command always close the list.
    return items.mid(0, std::max<qsizetype>(0, items.size() - 2));
}

void TfrmMain::PromoteRecentPort(std::uint16_t Port)
{
    const QList<QAction *> items = RecentPortItems();
    for (QAction *item : items) {
        if (item->data().toInt() != Port)
            continue;
        mnuReopen->removeAction(item);
        mnuReopen->insertAction(mnuReopen->actions().value(0), item);
        return;
    }
    AddRecentPortItem(Port);
}

void TfrmMain::AddRecentPortItem(std::uint16_t Port)
{
    auto *item = new QAction(FormatText(LoadStr(TTextId::PortName), {static_cast<long long>(Port)}), mnuReopen);
    item->setData(int(Port));
    connect(item, &QAction::triggered, this, [this, item] { ReopenRecentPort(item); });
    mnuReopen->insertAction(mnuReopen->actions().value(0), item);
}

void TfrmMain::LoadRecentPorts()
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKeys::OpenedList))
        return;
    QStringList names = registry.GetValueNames();
    // Decimal names in numeric order; names that are no numbers go last.
    std::stable_sort(names.begin(), names.end(), [](const QString &A, const QString &B) {
        bool okA = false;
        bool okB = false;
        const qlonglong a = A.toLongLong(&okA);
        const qlonglong b = B.toLongLong(&okB);
        if (okA != okB)
            return okA;
        return okA && a < b;
    });
    // The list never holds a port twice: the first, topmost entry of a port wins.
    std::vector<std::uint16_t> ports;
    std::set<std::uint16_t> listed;
    for (const QString &name : names) {
        const std::optional<qint32> port = registry.ReadInteger(name);
        if (port && *port >= 1 && *port <= 65535 && listed.insert(static_cast<std::uint16_t>(*port)).second)
            ports.push_back(static_cast<std::uint16_t>(*port));
    }
    for (auto port = ports.crbegin(); port != ports.crend(); ++port)
        AddRecentPortItem(*port);
}

void TfrmMain::SaveRecentPorts()
{
    TRegistry registry;
    if (!registry.OpenKey(SettingsKeys::OpenedList, true))
        return;
    const QList<QAction *> items = RecentPortItems();
    // Names that are written again below keep their place, so an unchanged list leaves the
    // file as it is.
    for (const QString &name : registry.GetValueNames()) {
        bool number = false;
        const qlonglong position = name.toLongLong(&number);
        if (!number || position < 0 || position >= items.size() || name != QString::number(position))
            registry.DeleteValue(name);
    }
    for (qsizetype i = 0; i < items.size(); ++i)
        registry.WriteInteger(QString::number(i), items[i]->data().toInt());
}

void TfrmMain::actFileClearReopenListExecute()
{
    {
        TRegistry registry;
        if (registry.OpenKeyReadOnly(SettingsKeys::OpenedList) && registry.OpenKey(SettingsKeys::OpenedList, true))
            for (const QString &name : registry.GetValueNames())
                registry.DeleteValue(name);
    }
    const QList<QAction *> items = RecentPortItems();
    for (auto item = items.crbegin(); item != items.crend(); ++item) {
        mnuReopen->removeAction(*item);
        delete *item;
    }
}

void TfrmMain::actFileCloseExecute()
{
    StopReconnecting();
    if (IsOpen(*Charger)) {
        const QString text =
            FormatText(LoadStr(TTextId::ClosePortQuestion), {static_cast<long long>(Charger->ComNumber)});
        if (AskOkCancel(this, text, LoadStr(TTextId::AppTitle)) == IdOk)
            Charger->Close();
    }
    FormShow();
}

void TfrmMain::actFileEnabledExecute(QAction *Sender)
{
    if (!Sender)
        return;
    const bool on = Sender->data().toInt() == 1;
    Charger->SetEnabled(on);
    UpdatePortStatePanel(Charger->LinkState(), on);
    StatusBarPanels->Panels[1]->SetImage(IconList, 24);
}

void TfrmMain::ChargerFailure(TKRVCharger *Sender)
{
    // A reopening after an unplug keeps waiting instead.
    if (FContinuingOpen)
        return;
    QString text = FormatText(LoadStr(TTextId::PortOpenFailed), {static_cast<long long>(Sender->ComNumber)});
    const QString reason = OpenFailureReason(Sender->OpenFailure(), Sender->ComNumber);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    ShowError(this, text, LoadStr(TTextId::AppTitle));
    UpdatePortStatePanel(Sender->LinkState(), false);
}

void TfrmMain::ChargerTimeOut(TKRVCharger *Sender) { UpdatePortStatePanel(Sender->LinkState(), true); }
