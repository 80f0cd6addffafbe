#include "Main.h"

#include "KeepAwake.h"
#include "display/ChartPages.h"
#include "display/ChartSeries.h"
#include "display/DataBox.h"
#include "display/KRVChart.h"
#include "settings/About.h"
#include "settings/Option.h"

namespace {

// The options dialog's view of the main window: the live chart objects, not copies.
class TMainOptionHost : public TOptionHost
{
public:
    explicit TMainOptionHost(TfrmMain &Form) : FForm(Form) {}

    int AxisCount() const override
    {
        return static_cast<int>(std::min(FForm.Chart->CustomAxes.size(), AxisValueTokens.size()));
    }
    TValueToken AxisKind(int AxisIndex) const override { return AxisValueTokens[static_cast<std::size_t>(AxisIndex)]; }
    double AxisMinimum(int AxisIndex) const override { return Axis(AxisIndex)->range().lower; }
    double AxisMaximum(int AxisIndex) const override { return Axis(AxisIndex)->range().upper; }
    void SetAxisMinimum(int AxisIndex, double Value) override
    {
        Axis(AxisIndex)->setRangeLower(Value);
        FForm.Chart->QueueRepaint();
    }
    void SetAxisMaximum(int AxisIndex, double Value) override
    {
        Axis(AxisIndex)->setRangeUpper(Value);
        FForm.Chart->QueueRepaint();
    }

    int SeriesCount() const override { return static_cast<int>(FForm.Chart->Series.size()); }
    QString SeriesTitle(int SeriesIndex) const override { return Series(SeriesIndex).Title(); }
    QColor SeriesColor(int SeriesIndex) const override { return Series(SeriesIndex).Color(); }
    int SeriesPenWidth(int SeriesIndex) const override { return Series(SeriesIndex).PenWidth(); }
    bool SeriesIsLine(int SeriesIndex) const override
    {
        return Series(SeriesIndex).Kind() == TChartSeries::TKind::Line;
    }
    void SetSeriesColor(int SeriesIndex, const QColor &Color) override
    {
        Series(SeriesIndex).SetColor(Color);
        FForm.Chart->QueueRepaint();
    }
    void SetSeriesPenWidth(int SeriesIndex, int Width) override
    {
        Series(SeriesIndex).SetPenWidth(Width);
        FForm.Chart->QueueRepaint();
    }

    QIcon Icon(int Index) const override { return FForm.Icon(Index); }
    void RepaintDataBox() override { FForm.vstChannelInfo->viewport()->update(); }
    bool TrayActive() const override { return FForm.TrayActive(); }
    void SetTrayActive(bool Active) override { FForm.SetTrayActive(Active); }
    TUnattendedOptions UnattendedOptions() const override { return FForm.Unattended(); }
    void SetUnattendedOptions(const TUnattendedOptions &Options) override { FForm.SetUnattended(Options); }
    std::uint32_t PageSamples() const override { return FForm.Pages->PageSamples; }
    void SetPageWidth(std::uint16_t Minutes) override { FForm.SetPageWidth(Minutes); }
    void UpdateChartScroll(std::int64_t Delta) override { FForm.Pages->UpdateChartScroll(Delta); }

private:
    QCPAxis *Axis(int AxisIndex) const { return FForm.Chart->CustomAxes[static_cast<std::size_t>(AxisIndex)].Axis; }
    TChartSeries &Series(int SeriesIndex) const { return *FForm.Chart->Series[static_cast<std::size_t>(SeriesIndex)]; }

    TfrmMain &FForm;
};

} // namespace

int ShowOptionsDialog(TfrmMain *Owner)
{
    TMainOptionHost host(*Owner);
    return ShowOptionsDialog(host, Owner);
}

void TfrmMain::SetPageWidth(std::uint16_t Minutes) { Pages->SetPageWidth(Minutes); }

void TfrmMain::SetUnattended(const TUnattendedOptions &Options)
{
    FUnattended = Options;
    KeepAwake->SetEnabled(Options.KeepAwake);
    if (!Options.Reconnect)
        StopReconnecting();
}

void TfrmMain::actFileOptionExecute() { ShowOptionsDialog(this); }

void TfrmMain::actHelpAboutExecute()
{
    ShowAboutBox(this);
    FormShow();
}
