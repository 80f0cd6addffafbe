#include "Port.h"

#include "Constant.h"
#include "resources/Texts.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>
#include <QTreeWidget>

namespace {

constexpr int PortNumberRole = Qt::UserRole;

// Draws the list's check indicators as radio buttons: one port is chosen, not several.
class TRadioCheckStyle : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement Element, const QStyleOption *Option, QPainter *Painter,
                       const QWidget *Widget) const override
    {
        if (Element == PE_IndicatorItemViewItemCheck) {
            QStyleOptionButton radio;
            radio.QStyleOption::operator=(*Option);
            radio.state &= ~State_NoChange;
            QProxyStyle::drawPrimitive(PE_IndicatorRadioButton, &radio, Painter, Widget);
            return;
        }
        QProxyStyle::drawPrimitive(Element, Option, Painter, Widget);
    }
};

} // namespace

TSelectPorts ConfirmedPorts(const std::vector<std::uint16_t> &Ports)
{
    TSelectPorts result{SelectPortsConfirmed, static_cast<std::uint16_t>(Ports.size())};
    result.insert(result.end(), Ports.begin(), Ports.end());
    return result;
}

TSelectPorts CancelledPorts() { return {SelectPortsCancelled, 0}; }

std::vector<std::uint16_t> AvailablePortNumbers(const TPortAvailability &Available)
{
    std::vector<std::uint16_t> numbers;
    for (int number = 1; number <= HighestComNumber; ++number) {
        if (Available(number))
            numbers.push_back(static_cast<std::uint16_t>(number));
    }
    return numbers;
}

QString PortNodeHint(const TComPortSnapshot &Ports, int Number)
{
    QString hint = Ports.DevicePath(Number);
    const QString adapter = Ports.Description(Number);
    if (!adapter.isEmpty())
        hint += QLatin1Char('\n') + adapter;
    return hint;
}

TfrmPort::TfrmPort(QWidget *Owner, TPortAvailability Available)
    : QDialog(Owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      FAvailable(std::move(Available))
{
    setObjectName(QStringLiteral("frmPort"));
    CreateDesign();
    SetTexts();
    RefreshPortList();
}

void TfrmPort::CreateDesign()
{
    setFont(DialogFont());
    setFixedSize(319, 286);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(9, 9, 32, 32);

    lblDesc = new QLabel(this);
    lblDesc->setObjectName(QStringLiteral("lblDesc"));
    lblDesc->setGeometry(48, 8, 265, 49);
    lblDesc->setWordWrap(true);
    lblDesc->setTextFormat(Qt::RichText);
    lblDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    vstPortList = new QTreeWidget(this);
    vstPortList->setObjectName(QStringLiteral("vstPortList"));
    vstPortList->setGeometry(48, 64, 264, 185);
    vstPortList->setHeaderHidden(true);
    vstPortList->setColumnCount(1);
    vstPortList->setRootIsDecorated(false);
    vstPortList->setSelectionMode(QAbstractItemView::SingleSelection);
    vstPortList->setSelectionBehavior(QAbstractItemView::SelectRows);
    vstPortList->setAllColumnsShowFocus(true);
    auto *radioStyle = new TRadioCheckStyle;
    radioStyle->setParent(vstPortList);
    vstPortList->setStyle(radioStyle);
    connect(vstPortList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *Node) { vstPortListChecked(Node); });

    btnRefresh = new QPushButton(this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->setGeometry(48, 256, 75, 23);
    btnRefresh->setAutoDefault(false);
    connect(btnRefresh, &QPushButton::clicked, this, [this] { btnRefreshClick(); });

    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(152, 256, 75, 23);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });

    btnCancel = new QPushButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(240, 256, 75, 23);
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TfrmPort::SetTexts()
{
    setWindowTitle(LoadStr(TTextId::PortCaption));
    // The empty line between the two sentences is a quarter line high, so that both fit the
    // label's four lines of "宋体" also in the taller fallback CJK fonts.
    lblDesc->setText(QStringLiteral("<p style=\"margin:0\">%1</p><p style=\"margin-top:%2px; margin-bottom:0\">%3</p>")
                         .arg(LoadStr(TTextId::PortDescription).toHtmlEscaped(),
                              QString::number(lblDesc->fontMetrics().lineSpacing() / 4),
                              LoadStr(TTextId::PortDescriptionHint).toHtmlEscaped()));
    btnRefresh->setText(LoadStr(TTextId::PortRefreshCaption));
    btnOK->setText(LoadStr(TTextId::PortOkCaption));
    btnCancel->setText(LoadStr(TTextId::PortCancelCaption));
    imgLogo->setPixmap(LoadAppIcon(0).pixmap(32, 32));
    FNodeImage = LoadAppIcon(1);
}

void TfrmPort::RefreshPortList()
{
    vstPortList->setUpdatesEnabled(false);
    {
        const QSignalBlocker quiet(vstPortList);
        FCheckedNode = nullptr;
        vstPortList->clear();
        FillPortList();
    }
    vstPortList->setUpdatesEnabled(true);
}

void TfrmPort::FillPortList()
{
    const QString nameFormat = LoadStr(TTextId::PortName);
    const TComPortSnapshot ports;
    const TPortAvailability available =
        FAvailable ? FAvailable : [&ports](int Number) { return ports.IsAvailable(Number); };
    for (const std::uint16_t number : AvailablePortNumbers(available)) {
        auto *node = new QTreeWidgetItem(vstPortList);
        node->setText(0, QString::asprintf(nameFormat.toUtf8().constData(), int{number}));
        node->setData(0, PortNumberRole, number);
        node->setIcon(0, FNodeImage);
        node->setToolTip(0, PortNodeHint(ports, number));
        node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        node->setCheckState(0, Qt::Unchecked);
    }
}

std::vector<std::uint16_t> TfrmPort::CheckedPorts() const
{
    std::vector<std::uint16_t> ports;
    for (int i = 0; i < vstPortList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *node = vstPortList->topLevelItem(i);
        if (node->checkState(0) == Qt::Checked)
            ports.push_back(static_cast<std::uint16_t>(node->data(0, PortNumberRole).toUInt()));
    }
    return ports;
}

void TfrmPort::vstPortListChecked(QTreeWidgetItem *Node)
{
    if (FChecking)
        return;
    FChecking = true;
    if (Node->checkState(0) == Qt::Checked) {
        if (FCheckedNode != nullptr && FCheckedNode != Node)
            FCheckedNode->setCheckState(0, Qt::Unchecked);
        FCheckedNode = Node;
    } else if (Node == FCheckedNode) {
        // Clicking the chosen radio button again keeps it chosen.
        Node->setCheckState(0, Qt::Checked);
    }
    FChecking = false;
}

void TfrmPort::btnOKClick()
{
    const QString caption = LoadStr(TTextId::AppTitle);
    if (vstPortList->topLevelItemCount() == 0) {
        ShowWarning(this, LoadStr(TTextId::PortNoneFound), caption);
        btnCancelClick();
        return;
    }
    const std::vector<std::uint16_t> checked = CheckedPorts();
    if (checked.empty()) {
        ShowWarning(this, LoadStr(TTextId::PortNoneSelected), caption);
        return;
    }
    FSelectPorts = ConfirmedPorts(checked);
    accept();
}

void TfrmPort::btnCancelClick()
{
    FSelectPorts = CancelledPorts();
    reject();
}

void TfrmPort::btnRefreshClick() { RefreshPortList(); }

TSelectPorts ShowPortDialog(QWidget *Owner, TPortAvailability Available)
{
    TfrmPort dialog(Owner, std::move(Available));
    dialog.exec();
    return dialog.SelectPorts();
}
