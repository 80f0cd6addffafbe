#pragma once
// The options dialog: value-axis ranges, line colours and widths, the page width and the tray
// flag. Every change shows on the running chart at once; OK also stores everything, Cancel
// stores nothing and takes nothing back.
#include "charger/ValueToken.h"
#include "settings/ChartSettings.h"

#include <QColor>
#include <QDialog>
#include <QIcon>
#include <QList>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class TColorPickerButton;

// What the dialog reads and changes on the main window: its chart's custom axes and series
// by index, its icons, its data box, its tray icon and its chart paging.
class TOptionHost
{
public:
    virtual ~TOptionHost() = default;

    virtual int AxisCount() const = 0;
    virtual TValueToken AxisKind(int AxisIndex) const = 0;
    virtual double AxisMinimum(int AxisIndex) const = 0;
    virtual double AxisMaximum(int AxisIndex) const = 0;
    virtual void SetAxisMinimum(int AxisIndex, double Value) = 0;
    virtual void SetAxisMaximum(int AxisIndex, double Value) = 0;

    virtual int SeriesCount() const = 0;
    virtual QString SeriesTitle(int SeriesIndex) const = 0;
    virtual QColor SeriesColor(int SeriesIndex) const = 0;
    virtual int SeriesPenWidth(int SeriesIndex) const = 0;
    virtual bool SeriesIsLine(int SeriesIndex) const = 0;
    virtual void SetSeriesColor(int SeriesIndex, const QColor &Color) = 0;
    virtual void SetSeriesPenWidth(int SeriesIndex, int Width) = 0;

    virtual QIcon Icon(int Index) const = 0;
    virtual void RepaintDataBox() = 0;
    virtual bool TrayActive() const = 0;
    virtual void SetTrayActive(bool Active) = 0;
    virtual TUnattendedOptions UnattendedOptions() const = 0;
    // Only on OK: the unattended options have no preview.
    virtual void SetUnattendedOptions(const TUnattendedOptions &Options) = 0;
    virtual std::uint32_t PageSamples() const = 0;
    virtual void SetPageWidth(std::uint16_t Minutes) = 0;
    virtual void UpdateChartScroll(std::int64_t Delta) = 0;
};

class TfrmOption : public QDialog
{
    Q_OBJECT

public:
    TfrmOption(TOptionHost &Host, QWidget *Owner);
    ~TfrmOption() override;

    // Fills every page from the host and sets the texts; no change reaches the chart.
    void FillFromHost();

    QListWidget *lstItems = nullptr;
    QLabel *tbxlblTitle = nullptr;
    QFrame *pnl1 = nullptr;
    QFrame *pnl2 = nullptr;
    QFrame *pnl3 = nullptr;
    QFrame *Bevel = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QList<QIcon> ImageList;

    QComboBox *cbbAxis = nullptr;
    QLabel *lblMinValue = nullptr;
    QDoubleSpinBox *edtMinValue = nullptr;
    QLabel *lblMaxValue = nullptr;
    QDoubleSpinBox *edtMaxValue = nullptr;

    QComboBox *cbbLine = nullptr;
    QLabel *lblLineColor = nullptr;
    TColorPickerButton *btnLineColor = nullptr;
    QLabel *lblLineWidth = nullptr;
    QSpinBox *edtLineWidth = nullptr;

    QLabel *lblPageWidth = nullptr;
    QSpinBox *edtPageWidth = nullptr;
    QCheckBox *chkMinToTray = nullptr;
    QCheckBox *chkNotifyChargeDone = nullptr;
    QCheckBox *chkKeepAwake = nullptr;
    QCheckBox *chkReconnect = nullptr;

    void lstItemsClick();
    void cbbAxisChange();
    void cbbLineChange();
    void btnLineColorChange(const QColor &Color);
    void btnOkClick();

private:
    void CreatePages();
    void CreateAxesPage();
    void CreateLinesPage();
    void CreateMiscPage();
    void ApplyTexts();
    // Keeps the minimum edit at least one increment below the maximum edit's value and the
    // maximum edit one increment above the minimum's; a stored range narrower than that
    // keeps its ends.
    void FitRangeBounds();
    // The swatch icon of a line list item, in the series' current colour.
    void UpdateLineItem(int SeriesIndex);

    TOptionHost &FHost;
    // The axis the range edits belong to; -1 before any is selected.
    int FAxisIndex = -1;
};

// Creates the dialog owned by Owner, fills it from Host, shows it modally and returns the
// modal result (QDialog::Accepted for OK).
int ShowOptionsDialog(TOptionHost &Host, QWidget *Owner);
