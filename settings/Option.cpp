#include "Option.h"

#include "ChartSettings.h"
#include "ColorPicker.h"
#include "Constant.h"
#include "resources/Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>

namespace {

constexpr int ItemHeight = 16;
constexpr int GlyphPixels = 16;

// How the range edits work for one kind of axis.
struct TRangeEditSettings {
    TTextId Format;
    int Decimals;
    double Increment;
    double Ceiling; // of the maximum edit
};

TRangeEditSettings RangeEditSettingsOf(TValueToken Kind)
{
    switch (Kind) {
    case vtUnLoadVoltage:
        return {TTextId::OptionEditFormatVoltage, 3, 0.1, 2.495};
    case vtCurrent:
        return {TTextId::OptionEditFormatCurrent, 0, 50, 1200};
    default:
        return {TTextId::OptionEditFormatCapacity, 0, 100, 4400};
    }
}

// The unit part of a display format such as "0.000 V": everything from its first space.
QString FormatSuffix(const QString &Format)
{
    const qsizetype space = Format.indexOf(QLatin1Char(' '));
    return space < 0 ? QString() : Format.mid(space);
}

// List items drawn by the dialog: the item rectangle filled with the selection or window
// colour, then whatever DrawItem paints into it with the matching text pen.
class TOwnerDrawDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<void(QPainter &, const QRect &, int Row, const QString &Text)> DrawItem;

    void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override
    {
        const bool selected = Option.state & QStyle::State_Selected;
        Painter->save();
        Painter->fillRect(Option.rect, Option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
        Painter->setPen(Option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        Painter->setFont(Option.font);
        if (DrawItem)
            DrawItem(*Painter, Option.rect, Index.row(), Index.data(Qt::DisplayRole).toString());
        Painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &) const override
    {
        return {Option.rect.width(), ItemHeight};
    }
};

void DrawItemText(QPainter &Painter, const QRect &Rect, int Left, const QString &Text)
{
    Painter.drawText(QRect(Rect.left() + Left, Rect.top() + 2, Rect.width() - Left, Rect.height() - 2),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Text);
}

// The line list's colour square: 12 by 12 pixels at (2, 2), outlined with the current pen.
void DrawLineSwatch(QPainter &Painter, const QRect &Rect, const QColor &Color)
{
    const QBrush brush = Painter.brush();
    Painter.setBrush(Color);
    Painter.drawRect(Rect.left() + 2, Rect.top() + 2, 11, 11);
    Painter.setBrush(brush);
}

QFrame *NewPage(QWidget *Parent)
{
    auto *page = new QFrame(Parent);
    page->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    page->setGeometry(160, 48, 273, 217);
    return page;
}

QLabel *NewLabel(QWidget *Parent, int Left, int Top, QWidget *Buddy)
{
    auto *label = new QLabel(QStringLiteral("*"), Parent);
    label->move(Left, Top);
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TfrmOption::TfrmOption(TOptionHost &Host, QWidget *Owner) : QDialog(Owner), FHost(Host)
{
    setFont(DialogFont());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(438, 323);

    lstItems = new QListWidget(this);
    lstItems->setGeometry(8, 8, 145, 260);
    lstItems->setUniformItemSizes(true);
    auto *pageItems = new TOwnerDrawDelegate(lstItems);
    pageItems->DrawItem = [this](QPainter &Painter, const QRect &Rect, int Row, const QString &Text) {
        if (Row >= 0 && Row < ImageList.size())
            Painter.drawPixmap(Rect.topLeft(), ImageList[Row].pixmap(GlyphPixels, GlyphPixels));
        DrawItemText(Painter, Rect, GlyphPixels + 2, Text);
    };
    lstItems->setItemDelegate(pageItems);

    tbxlblTitle = new QLabel(this);
    tbxlblTitle->setGeometry(160, 8, 273, 33);
    tbxlblTitle->setAutoFillBackground(true);
    QPalette title = tbxlblTitle->palette();
    title.setColor(QPalette::Window, QColor(128, 128, 128));
    title.setColor(QPalette::WindowText, Qt::black);
    tbxlblTitle->setPalette(title);
    QFont titleFont = font();
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    tbxlblTitle->setFont(titleFont);
    tbxlblTitle->setContentsMargins(8, 0, 8, 0);
    tbxlblTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    CreatePages();

    Bevel = new QFrame(this);
    Bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel->setGeometry(8, 272, 425, 9);

    btnOk = new QPushButton(QStringLiteral("*"), this);
    btnOk->setGeometry(280, 292, 75, 23);
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("*"), this);
    btnCancel->setGeometry(360, 292, 75, 23);

    connect(lstItems, &QListWidget::currentRowChanged, this, [this] { lstItemsClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmOption::~TfrmOption() = default;

void TfrmOption::CreatePages()
{
    pnl1 = NewPage(this);
    pnl2 = NewPage(this);
    pnl3 = NewPage(this);
    CreateAxesPage();
    CreateLinesPage();
    CreateMiscPage();
}

void TfrmOption::CreateAxesPage()
{
    cbbAxis = new QComboBox(pnl1);
    cbbAxis->setGeometry(8, 16, 257, 22);
    cbbAxis->setIconSize(QSize(GlyphPixels, GlyphPixels));
    auto *axisItems = new TOwnerDrawDelegate(cbbAxis);
    axisItems->DrawItem = [this](QPainter &Painter, const QRect &Rect, int Row, const QString &Text) {
        if (Row < 0 || Row >= FHost.AxisCount())
            return;
        const QIcon icon = FHost.Icon(ValueTokenIndex(FHost.AxisKind(Row)) + 10);
        Painter.drawPixmap(Rect.topLeft(), icon.pixmap(GlyphPixels, GlyphPixels));
        DrawItemText(Painter, Rect, GlyphPixels + 2, Text);
    };
    cbbAxis->setItemDelegate(axisItems);

    edtMinValue = new QDoubleSpinBox(pnl1);
    edtMinValue->setGeometry(120, 52, 97, 20);
    edtMinValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtMinValue->setMinimum(0);
    edtMaxValue = new QDoubleSpinBox(pnl1);
    edtMaxValue->setGeometry(120, 92, 97, 20);
    edtMaxValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblMinValue = NewLabel(pnl1, 16, 56, edtMinValue);
    lblMaxValue = NewLabel(pnl1, 16, 96, edtMaxValue);

    connect(cbbAxis, &QComboBox::currentIndexChanged, this, [this] { cbbAxisChange(); });
    connect(edtMinValue, &QDoubleSpinBox::valueChanged, this, [this](double Value) {
        if (FAxisIndex < 0)
            return;
        FHost.SetAxisMinimum(FAxisIndex, Value);
        FitRangeBounds();
    });
    connect(edtMaxValue, &QDoubleSpinBox::valueChanged, this, [this](double Value) {
        if (FAxisIndex < 0)
            return;
        FHost.SetAxisMaximum(FAxisIndex, Value);
        FitRangeBounds();
    });
}

void TfrmOption::CreateLinesPage()
{
    cbbLine = new QComboBox(pnl2);
    cbbLine->setGeometry(8, 16, 257, 22);
    cbbLine->setIconSize(QSize(GlyphPixels, GlyphPixels));
    auto *lineItems = new TOwnerDrawDelegate(cbbLine);
    lineItems->DrawItem = [this](QPainter &Painter, const QRect &Rect, int Row, const QString &Text) {
        if (Row >= 0 && Row < FHost.SeriesCount())
            DrawLineSwatch(Painter, Rect, FHost.SeriesColor(Row));
        DrawItemText(Painter, Rect, 16, Text);
    };
    cbbLine->setItemDelegate(lineItems);

    btnLineColor = new TColorPickerButton(pnl2);
    btnLineColor->setGeometry(120, 52, 97, 22);
    edtLineWidth = new QSpinBox(pnl2);
    edtLineWidth->setGeometry(120, 92, 97, 20);
    edtLineWidth->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtLineWidth->setRange(MinLineWidth, MaxLineWidth);
    edtLineWidth->setValue(1);
    edtLineWidth->setAutoFillBackground(true);
    lblLineColor = NewLabel(pnl2, 16, 56, btnLineColor);
    lblLineWidth = NewLabel(pnl2, 16, 96, edtLineWidth);

    connect(cbbLine, &QComboBox::currentIndexChanged, this, [this] { cbbLineChange(); });
    btnLineColor->OnChange = [this](const QColor &Color) { btnLineColorChange(Color); };
    connect(edtLineWidth, &QSpinBox::valueChanged, this, [this](int Width) {
        const int series = cbbLine->currentIndex();
        if (series < 0)
            return;
        FHost.SetSeriesPenWidth(series, Width);
        cbbLine->view()->viewport()->update();
    });
}

void TfrmOption::CreateMiscPage()
{
    edtPageWidth = new QSpinBox(pnl3);
    edtPageWidth->setGeometry(120, 12, 97, 20);
    edtPageWidth->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtPageWidth->setSingleStep(5);
    edtPageWidth->setRange(1, LongestPageMinutes);
    edtPageWidth->setValue(1);
    lblPageWidth = NewLabel(pnl3, 16, 16, edtPageWidth);
    chkMinToTray = new QCheckBox(QStringLiteral("*"), pnl3);
    chkMinToTray->setGeometry(16, 48, 249, 17);
    int top = 72;
    for (QCheckBox **box : {&chkNotifyChargeDone, &chkKeepAwake, &chkReconnect}) {
        *box = new QCheckBox(QStringLiteral("*"), pnl3);
        (*box)->setGeometry(16, top, 249, 17);
        top += 24;
    }

    connect(edtPageWidth, &QSpinBox::valueChanged, this, [this](int Minutes) {
        FHost.SetPageWidth(static_cast<std::uint16_t>(Minutes));
        FHost.UpdateChartScroll(0);
    });
    connect(chkMinToTray, &QCheckBox::clicked, this, [this](bool Checked) { FHost.SetTrayActive(Checked); });
}

void TfrmOption::FillFromHost()
{
    ImageList.clear();
    for (int icon : {26, 27, 28})
        ImageList << LoadAppIcon(icon);

    const QSignalBlocker pages(lstItems);
    const QSignalBlocker axes(cbbAxis);
    const QSignalBlocker lines(cbbLine);
    const QSignalBlocker pageWidth(edtPageWidth);
    lstItems->clear();
    for (TTextId page : {TTextId::OptionAxesPage, TTextId::OptionLinesPage, TTextId::OptionMiscPage})
        lstItems->addItem(LoadStr(page));
    if (lstItems->count() > 0)
        lstItems->setCurrentRow(0);

    cbbAxis->clear();
    for (int axis = 0; axis < FHost.AxisCount(); ++axis) {
        const TValueToken kind = FHost.AxisKind(axis);
        cbbAxis->addItem(FHost.Icon(ValueTokenIndex(kind) + 10),
                         ValueTokenNames[static_cast<std::size_t>(ValueTokenIndex(kind))]);
    }
    if (cbbAxis->count() > 0) {
        cbbAxis->setCurrentIndex(0);
        cbbAxisChange();
    }

    cbbLine->clear();
    for (int series = 0; series < FHost.SeriesCount(); ++series) {
        cbbLine->addItem(FHost.SeriesTitle(series));
        UpdateLineItem(series);
    }
    if (cbbLine->count() > 0) {
        cbbLine->setCurrentIndex(0);
        cbbLineChange();
    }

    edtPageWidth->setSuffix(FormatSuffix(LoadStr(TTextId::OptionPageWidthFormat)));
    edtPageWidth->setValue(static_cast<int>(SamplesToMinutes(FHost.PageSamples())));
    chkMinToTray->setChecked(FHost.TrayActive());
    const TUnattendedOptions unattended = FHost.UnattendedOptions();
    chkNotifyChargeDone->setChecked(unattended.NotifyChargeDone);
    chkKeepAwake->setChecked(unattended.KeepAwake);
    chkReconnect->setChecked(unattended.Reconnect);

    ApplyTexts();
    lstItemsClick();
    lstItems->setFocus();
}

void TfrmOption::ApplyTexts()
{
    setWindowTitle(LoadStr(TTextId::OptionCaption));
    btnOk->setText(LoadStr(TTextId::OptionOkCaption));
    btnCancel->setText(LoadStr(TTextId::OptionCancelCaption));
    lblMinValue->setText(LoadStr(TTextId::OptionMinValueCaption));
    lblMaxValue->setText(LoadStr(TTextId::OptionMaxValueCaption));
    lblLineColor->setText(LoadStr(TTextId::OptionLineColorCaption));
    btnLineColor->setToolTip(LoadStr(TTextId::OptionMoreColorsCaption));
    btnLineColor->SetMoreCaption(LoadStr(TTextId::OptionMoreColorsCaption));
    lblLineWidth->setText(LoadStr(TTextId::OptionLineWidthCaption));
    lblPageWidth->setText(LoadStr(TTextId::OptionPageWidthCaption));
    chkMinToTray->setText(LoadStr(TTextId::OptionMinToTrayCaption));
    chkNotifyChargeDone->setText(LoadStr(TTextId::OptionNotifyChargeDoneCaption));
    chkKeepAwake->setText(LoadStr(TTextId::OptionKeepAwakeCaption));
    chkReconnect->setText(LoadStr(TTextId::OptionReconnectCaption));
    for (QLabel *label : {lblMinValue, lblMaxValue, lblLineColor, lblLineWidth, lblPageWidth})
        label->adjustSize();
}

void TfrmOption::lstItemsClick()
{
    const int page = lstItems->currentRow();
    if (QListWidgetItem *item = lstItems->currentItem())
        tbxlblTitle->setText(item->text());
    QFrame *panels[] = {pnl1, pnl2, pnl3};
    for (int i = 0; i < 3; ++i)
        panels[i]->setVisible(i == page);
    if (page >= 0 && page < 3)
        panels[page]->raise();
}

void TfrmOption::cbbAxisChange()
{
    const int axis = cbbAxis->currentIndex();
    if (axis < 0 || axis >= FHost.AxisCount())
        return;
    FAxisIndex = axis;
    const double minimum = FHost.AxisMinimum(axis);
    const double maximum = FHost.AxisMaximum(axis);
    const TRangeEditSettings settings = RangeEditSettingsOf(FHost.AxisKind(axis));
    const QString suffix = FormatSuffix(LoadStr(settings.Format));
    // Filling the edits must not move the axis.
    const QSignalBlocker blockMin(edtMinValue);
    const QSignalBlocker blockMax(edtMaxValue);
    for (QDoubleSpinBox *edit : {edtMinValue, edtMaxValue}) {
        edit->setSuffix(suffix);
        edit->setDecimals(settings.Decimals);
        edit->setSingleStep(settings.Increment);
    }
    edtMinValue->setMaximum(maximum);
    edtMinValue->setValue(minimum);
    // An axis reaching above the kind's ceiling keeps its maximum: the ceiling gives way.
    edtMaxValue->setMaximum(std::max(settings.Ceiling, maximum));
    edtMaxValue->setMinimum(minimum);
    edtMaxValue->setValue(maximum);
    FitRangeBounds();
}

void TfrmOption::FitRangeBounds()
{
    const double minimum = edtMinValue->value();
    const double maximum = edtMaxValue->value();
    const double increment = edtMinValue->singleStep();
    // The bounds never move a value: the axis follows only what the user enters.
    const QSignalBlocker blockMin(edtMinValue);
    const QSignalBlocker blockMax(edtMaxValue);
    edtMinValue->setMaximum(std::max(minimum, maximum - increment));
    edtMaxValue->setMinimum(std::min(maximum, minimum + increment));
}

void TfrmOption::cbbLineChange()
{
    const int series = cbbLine->currentIndex();
    if (series < 0 || series >= FHost.SeriesCount())
        return;
    btnLineColor->SetColor(FHost.SeriesColor(series));
    {
        const QSignalBlocker blocker(edtLineWidth);
        edtLineWidth->setValue(FHost.SeriesPenWidth(series));
    }
    const bool line = FHost.SeriesIsLine(series);
    lblLineWidth->setEnabled(line);
    edtLineWidth->setEnabled(line);
    // The window colour while editable, the button face while not.
    const QColor background = palette().color(QPalette::Active, line ? QPalette::Base : QPalette::Button);
    QPalette palette = edtLineWidth->palette();
    palette.setColor(QPalette::All, QPalette::Base, background);
    edtLineWidth->setPalette(palette);
}

void TfrmOption::btnLineColorChange(const QColor &Color)
{
    const int series = cbbLine->currentIndex();
    if (series < 0 || series >= FHost.SeriesCount())
        return;
    FHost.SetSeriesColor(series, Color);
    FHost.RepaintDataBox();
    UpdateLineItem(series);
}

void TfrmOption::UpdateLineItem(int SeriesIndex)
{
    QPixmap swatch(GlyphPixels, GlyphPixels);
    swatch.fill(Qt::transparent);
    {
        QPainter painter(&swatch);
        painter.setPen(palette().color(QPalette::Text));
        DrawLineSwatch(painter, swatch.rect(), FHost.SeriesColor(SeriesIndex));
    }
    cbbLine->setItemIcon(SeriesIndex, QIcon(swatch));
    cbbLine->view()->viewport()->update();
}

void TfrmOption::btnOkClick()
{
    TChartSettingsValues values;
    for (int axis = 0; axis < FHost.AxisCount(); ++axis)
        values.Axes.push_back({FHost.AxisKind(axis), {FHost.AxisMinimum(axis), FHost.AxisMaximum(axis)}});
    for (int series = 0; series < FHost.SeriesCount(); ++series)
        values.Lines.push_back({ToStoredColor(FHost.SeriesColor(series)), FHost.SeriesPenWidth(series)});
    values.PageWidthMinutes = edtPageWidth->value();
    values.MinToTray = chkMinToTray->isChecked();
    values.Unattended = {chkNotifyChargeDone->isChecked(), chkKeepAwake->isChecked(), chkReconnect->isChecked()};
    FHost.SetUnattendedOptions(values.Unattended);
    // The writer has told the user of any failure; the dialog closes all the same.
    WriteChartSettings(values, this);
    accept();
}

int ShowOptionsDialog(TOptionHost &Host, QWidget *Owner)
{
    TfrmOption dialog(Host, Owner);
    dialog.FillFromHost();
    return dialog.exec();
}
