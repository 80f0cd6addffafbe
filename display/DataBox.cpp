#include "DataBox.h"

#include "charger/KRVChannel.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWidgetAction>

QString ChannelLabel(const TChannelRow &Row)
{
    const long long number = Row.ChannelIndex + 1LL;
    if (Row.Description.isEmpty())
        return FormatText(LoadStr(TTextId::ChannelNumber), {number});
    return FormatText(LoadStr(TTextId::ChannelWithDescription), {number, Row.Description});
}

QString vstChannelInfoGetText(const TChannelRow &Row, int Tag)
{
    const bool working = Row.State == static_cast<std::uint8_t>(csWorking);
    switch (Tag & 0x7F) {
    case int(vtChannelIndex):
        return ChannelLabel(Row);
    case int(vtUnLoadVoltage):
        if (working)
            return FormatText(QStringLiteral("%.3f"), {Row.Voltage / 1000.0});
        break;
    case int(vtCurrent):
        if (working)
            return QString::number(Row.Current);
        break;
    case int(vtWorkingTime):
        if (working)
            return QString::number(Row.WorkingTime);
        break;
    case int(vtCapacity):
        if (working || Row.Capacity != 0)
            return QString::number(Row.Capacity);
        break;
    default:
        break;
    }
    return LoadStr(TTextId::DataBoxEmptyCell);
}

int TDataBoxModel::rowCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TDataBoxModel::columnCount(const QModelIndex &Parent) const
{
    return Parent.isValid() ? 0 : static_cast<int>(DataBoxColumnTags.size());
}

QVariant TDataBoxModel::data(const QModelIndex &Index, int Role) const
{
    if (!Index.isValid() || Index.row() >= rowCount())
        return {};
    const TChannelRow &row = FRows[static_cast<std::size_t>(Index.row())];
    const int tag = DataBoxColumnTags[static_cast<std::size_t>(Index.column())];
    switch (Role) {
    case Qt::DisplayRole:
        return vstChannelInfoGetText(row, tag);
    case Qt::CheckStateRole:
        if (Index.column() == 0)
            return row.Checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return int((Index.column() > 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::UserRole:
        return tag;
    default:
        return {};
    }
}

bool TDataBoxModel::setData(const QModelIndex &Index, const QVariant &Value, int Role)
{
    if (Role != Qt::CheckStateRole || Index.column() != 0 || Index.row() >= rowCount())
        return false;
    TChannelRow &row = FRows[static_cast<std::size_t>(Index.row())];
    row.Checked = Value.toInt() == Qt::Checked;
    emit dataChanged(Index, index(Index.row(), columnCount() - 1));
    if (OnChecked)
        OnChecked(Index.row());
    return true;
}

QVariant TDataBoxModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Section < 0 || Section >= columnCount())
        return {};
    if (Role == Qt::DisplayRole)
        return ValueTokenUnits[static_cast<std::size_t>(DataBoxColumnTags[static_cast<std::size_t>(Section)])];
    if (Role == Qt::TextAlignmentRole)
        return int((Section > 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TDataBoxModel::flags(const QModelIndex &Index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (Index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

void TDataBoxModel::Reset()
{
    FChangeTimer->stop();
    FFirstChanged = FLastChanged = -1;
    beginResetModel();
    endResetModel();
}

TDataBoxModel::TDataBoxModel(TChannelRows &Rows, QObject *Parent) : QAbstractTableModel(Parent), FRows(Rows)
{
    FChangeTimer = new QTimer(this);
    FChangeTimer->setSingleShot(true);
    connect(FChangeTimer, &QTimer::timeout, this, [this] { EmitChanged(); });
}

void TDataBoxModel::RowChanged(int RowIndex)
{
    const bool all = RowIndex < 0 || RowIndex >= rowCount();
    const int first = all ? 0 : RowIndex;
    const int last = all ? rowCount() - 1 : RowIndex;
    FFirstChanged = FFirstChanged < 0 ? first : std::min(FFirstChanged, first);
    FLastChanged = std::max(FLastChanged, last);
    if (FChangeTimer->isActive())
        return;
    const qint64 wait = FLastEmitted.isValid() ? 1000 / RepaintsPerSecond - FLastEmitted.elapsed() : 0;
    if (wait > 0)
        FChangeTimer->start(int(wait));
    else
        EmitChanged();
}

void TDataBoxModel::FlushChanges()
{
    FChangeTimer->stop();
    EmitChanged();
}

void TDataBoxModel::EmitChanged()
{
    if (FFirstChanged < 0)
        return;
    const int first = FFirstChanged;
    const int last = std::min(FLastChanged, rowCount() - 1);
    FFirstChanged = FLastChanged = -1;
    FLastEmitted.start();
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void TColorBoxDelegate::paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const
{
    QStyledItemDelegate::paint(Painter, Option, Index);
    // Grid lines between cells, as a table of values reads; drawn over the cell's last pixels,
    // so a selected row keeps the style's own colours.
    Painter->save();
    Painter->setPen(GridColor);
    const QRect cell = Option.rect;
    Painter->drawLine(cell.topRight(), cell.bottomRight());
    Painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    Painter->restore();
    if (!ColorBoxOf || Index.column() == 0)
        return;
    const std::optional<QColor> color = ColorBoxOf(Index.row(), Index.data(Qt::UserRole).toInt());
    if (!color)
        return;
    // The box stands at the cell's left edge; the values are right-aligned beside it.
    const QRect box(Option.rect.left(), Option.rect.top() + 2, 14, 14);
    Painter->save();
    Painter->fillRect(box, *color);
    Painter->setPen(QColor(128, 128, 128));
    Painter->setBrush(Qt::NoBrush);
    Painter->drawRect(box.adjusted(0, 0, -1, -1));
    Painter->restore();
}

TDataBoxView::TDataBoxView(TChannelRows &Rows, QWidget *Parent) : QTreeView(Parent), FRows(Rows)
{
    FModel = new TDataBoxModel(Rows, this);
    FDelegate = new TColorBoxDelegate(this);
    setModel(FModel);
    setItemDelegate(FDelegate);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::NoFocus);
    setAllColumnsShowFocus(true);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setMinimumSectionSize(80);
    header()->setFixedHeight(17);
    header()->setStretchLastSection(false);

    TBXpmChannelTitle = new QMenu(this);
    TBXpmiChannelName = TBXpmChannelTitle->addAction(QString());
    TBXpmChannelTitle->addSeparator();
    auto *descItem = new QWidgetAction(TBXpmChannelTitle);
    auto *descBox = new QWidget(TBXpmChannelTitle);
    auto *descLayout = new QHBoxLayout(descBox);
    descLayout->setContentsMargins(4, 2, 4, 2);
    auto *descCaption = new QLabel(LoadStr(TTextId::ChannelDescCaption), descBox);
    descCaption->setObjectName(QStringLiteral("ChannelDescCaption"));
    TBXpmiChannelDesc = new QLineEdit(descBox);
    TBXpmiChannelDesc->setFixedWidth(120);
    descLayout->addWidget(descCaption);
    descLayout->addWidget(TBXpmiChannelDesc);
    descItem->setDefaultWidget(descBox);
    TBXpmChannelTitle->addAction(descItem);
    TBXmmiClearChannelDesc = TBXpmChannelTitle->addAction(LoadStr(TTextId::ClearChannelDescCaption));
    connect(TBXpmiChannelDesc, &QLineEdit::returnPressed, this, [this] {
        TBXpmiChannelDescAcceptText(TBXpmiChannelDesc->text());
        TBXpmChannelTitle->close();
    });
    connect(TBXmmiClearChannelDesc, &QAction::triggered, this, [this] { TBXmmiClearChannelDescClick(); });
}

void TDataBoxView::ApplyTexts(const QIcon &ChannelIcon)
{
    TBXpmiChannelName->setIcon(ChannelIcon);
    TBXmmiClearChannelDesc->setText(LoadStr(TTextId::ClearChannelDescCaption));
}

void TDataBoxView::BuildDataBox()
{
    setUpdatesEnabled(false);
    FModel->Reset();
    SizeColumns();
    setUpdatesEnabled(true);
}

void TDataBoxView::SizeColumns()
{
    const int columns = FModel->columnCount();
    // Before the first show the viewport has no size yet: the designed client width holds until
    // the view is laid out.
    FSizedHidden = !isVisible();
    const int client = FSizedHidden ? width() - 2 * frameWidth() : viewport()->width();
    const int width = client / (columns + 1);
    for (int c = 0; c < columns; ++c)
        setColumnWidth(c, c == 0 ? 2 * width : width);
}

void TDataBoxView::resizeEvent(QResizeEvent *Event)
{
    QTreeView::resizeEvent(Event);
    // Once, from the real width; later resizes leave the user's column widths alone.
    if (FSizedHidden && isVisible())
        SizeColumns();
}

void TDataBoxView::showEvent(QShowEvent *Event)
{
    QTreeView::showEvent(Event);
    if (FSizedHidden)
        SizeColumns();
}

void TDataBoxView::contextMenuEvent(QContextMenuEvent *Event)
{
    // A row is the channel's: its popup opens on the press, and the dock's menu does not open
    // over it. Below the rows the dock's menu opens.
    if (indexAt(Event->pos()).isValid())
        Event->accept();
    else
        Event->ignore();
}

QRect TDataBoxView::CheckBoxRect(const QModelIndex &Index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(Index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void TDataBoxView::mousePressEvent(QMouseEvent *Event)
{
    vstChannelInfoMouseDown(Event, false);
    QTreeView::mousePressEvent(Event);
}

void TDataBoxView::mouseDoubleClickEvent(QMouseEvent *Event)
{
    vstChannelInfoMouseDown(Event, true);
    QTreeView::mouseDoubleClickEvent(Event);
}

void TDataBoxView::vstChannelInfoMouseDown(QMouseEvent *Event, bool DoubleClick)
{
    PopupRow = -1;
    if (Event->button() != Qt::RightButton && !DoubleClick)
        return;
    const QPoint at = Event->position().toPoint();
    const QModelIndex index = indexAt(at);
    if (!index.isValid() || index.column() != 0 || CheckBoxRect(index).contains(at))
        return;
    const TChannelRow &row = FRows[static_cast<std::size_t>(index.row())];
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    TBXpmiChannelName->setText(FormatText(LoadStr(TTextId::ChannelNumber), {row.ChannelIndex + 1LL}));
    TBXpmiChannelDesc->setText(row.Description);
    PopupRow = index.row();
    TBXpmChannelTitle->popup(viewport()->mapToGlobal(at));
    // Typing names the channel at once.
    TBXpmiChannelDesc->setFocus(Qt::PopupFocusReason);
}

void TDataBoxView::TBXpmiChannelDescAcceptText(const QString &NewText)
{
    if (PopupRow < 0 || PopupRow >= static_cast<int>(FRows.size()))
        return;
    FRows[static_cast<std::size_t>(PopupRow)].Description = NewText;
    FModel->RowChanged(PopupRow);
    if (OnDescriptionChanged)
        OnDescriptionChanged();
}

void TDataBoxView::TBXmmiClearChannelDescClick() { TBXpmiChannelDescAcceptText(QString()); }
