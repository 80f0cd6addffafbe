#pragma once
// The port selection dialog: lists the serial ports that exist (busy ones too) as radio items
// "COM%d" and returns the user's choice as a TSelectPorts. The connection workflow only calls
// ShowPortDialog and reads the result; it never touches the dialog's controls. GUI thread only.
#include "charger/ComPortMap.h"

#include <QDialog>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// [0] result code, [1] number k of chosen ports, [2 .. k + 1] the chosen port numbers in list
// order: [1, k, port...] when confirmed, exactly [2, 0] when cancelled.
using TSelectPorts = std::vector<std::uint16_t>;
inline constexpr std::uint16_t SelectPortsConfirmed = 1;
inline constexpr std::uint16_t SelectPortsCancelled = 2;

TSelectPorts ConfirmedPorts(const std::vector<std::uint16_t> &Ports);
TSelectPorts CancelledPorts();

// Whether COM Number exists (usable, busy or refused to us). An empty one asks the system.
using TPortAvailability = std::function<bool(int Number)>;

// The port numbers 1 to HighestComNumber that Available accepts, ascending.
std::vector<std::uint16_t> AvailablePortNumbers(const TPortAvailability &Available);
// A node's hint: the device COM Number opens and, where known, the adapter's name.
QString PortNodeHint(const TComPortSnapshot &Ports, int Number);

class TfrmPort : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmPort(QWidget *Owner, TPortAvailability Available = {});

    // [2, 0] until OK confirms a choice.
    const TSelectPorts &SelectPorts() const { return FSelectPorts; }
    // Empties the list and lists the available ports again; any check is lost. The Ports table
    // and the system's adapters are read once per refresh.
    void RefreshPortList();

private:
    void CreateDesign();
    void SetTexts();
    void FillPortList();
    std::vector<std::uint16_t> CheckedPorts() const;
    void vstPortListChecked(QTreeWidgetItem *Node);
    void btnOKClick();
    void btnCancelClick();
    void btnRefreshClick();

    TPortAvailability FAvailable;
    TSelectPorts FSelectPorts = CancelledPorts();
    QTreeWidgetItem *FCheckedNode = nullptr;
    bool FChecking = false;
    QIcon FNodeImage;
    QLabel *imgLogo = nullptr;
    QLabel *lblDesc = nullptr;
    QTreeWidget *vstPortList = nullptr;
    QPushButton *btnRefresh = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
};

// Shows the dialog modally with Owner as its owner and returns the user's choice.
TSelectPorts ShowPortDialog(QWidget *Owner, TPortAvailability Available = {});
