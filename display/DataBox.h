#pragma once
// The data box: one row per channel with its latest values, a check box that shows or hides
// the channel's lines, colour boxes for the lines shown, and a popup to name the channel.
#include "ChannelRows.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

#include <array>
#include <functional>
#include <optional>

class QLineEdit;
class QMenu;
class QAction;

// Column tags: the value kind shown in the column.
inline constexpr std::array<int, 5> DataBoxColumnTags = {0, 1, 4, 6, 7};

// "通道 %d - %s" with a description, "通道 %d" without.
QString ChannelLabel(const TChannelRow &Row);
// The text of a cell of Row in the column of kind Tag; "-" where the value does not apply.
QString vstChannelInfoGetText(const TChannelRow &Row, int Tag);

class TDataBoxModel : public QAbstractTableModel
{
public:
    explicit TDataBoxModel(TChannelRows &Rows, QObject *Parent = nullptr);

    int rowCount(const QModelIndex &Parent = {}) const override;
    int columnCount(const QModelIndex &Parent = {}) const override;
    QVariant data(const QModelIndex &Index, int Role) const override;
    bool setData(const QModelIndex &Index, const QVariant &Value, int Role) override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
    Qt::ItemFlags flags(const QModelIndex &Index) const override;

    // After the rows were rebuilt.
    void Reset();
    // After one row's values changed: a repaint of that row. A charger at line rate changes
    // rows far more often than anyone reads them, so the repaints come at most
    // RepaintsPerSecond times a second; the first after a quiet spell comes at once.
    void RowChanged(int RowIndex);
    static constexpr int RepaintsPerSecond = 10;
    // The repaint still waiting, now.
    void FlushChanges();
    // The user checked or unchecked a row.
    std::function<void(int RowIndex)> OnChecked;

private:
    void EmitChanged();
    TChannelRows &FRows;
    int FFirstChanged = -1; // rows waiting for their repaint, -1 none
    int FLastChanged = -1;
    QTimer *FChangeTimer = nullptr;
    QElapsedTimer FLastEmitted;
};

// Draws a cell with its grid lines and the colour box of the line a value cell stands for.
class TColorBoxDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QColor GridColor{0xd0, 0xd0, 0xd0};
    // The colour box of row, column tag; none when no box is drawn there.
    std::function<std::optional<QColor>(int RowIndex, int Tag)> ColorBoxOf;
    void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;
};

class TDataBoxView : public QTreeView
{
public:
    TDataBoxView(TChannelRows &Rows, QWidget *Parent = nullptr);

    TDataBoxModel *Model() const { return FModel; }
    TColorBoxDelegate *Delegate() const { return FDelegate; }
    QMenu *TBXpmChannelTitle = nullptr;
    QAction *TBXpmiChannelName = nullptr;
    QLineEdit *TBXpmiChannelDesc = nullptr;
    QAction *TBXmmiClearChannelDesc = nullptr;
    // The row the popup was opened for; -1 for none.
    int PopupRow = -1;
    // A description was changed: the data box and the chart repaint.
    std::function<void()> OnDescriptionChanged;

    // Columns with their widths from the client width, then the rows.
    void BuildDataBox();
    QRect CheckBoxRect(const QModelIndex &Index) const;
    void ApplyTexts(const QIcon &ChannelIcon);
    void TBXpmiChannelDescAcceptText(const QString &NewText);
    void TBXmmiClearChannelDescClick();

protected:
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void contextMenuEvent(QContextMenuEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void showEvent(QShowEvent *Event) override;

private:
    void vstChannelInfoMouseDown(QMouseEvent *Event, bool DoubleClick);
    void SizeColumns();

    TChannelRows &FRows;
    TDataBoxModel *FModel = nullptr;
    TColorBoxDelegate *FDelegate = nullptr;
    // The columns were sized before the view had its real width.
    bool FSizedHidden = false;
};
