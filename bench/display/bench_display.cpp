// The display's costs over long recordings: one frame from the line into points, row,
// export line, status and scroll; a repaint with seven days recorded; memory per step.
#include "charger/MemoryComPort.h"
#include "display/ChartPages.h"
#include "display/KRVChart.h"
#include "recordings/RecordingTypes.h"
#include "shell/AppModule.h"
#include "shell/Main.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>

namespace {

constexpr int WeekSteps = 7 * 24 * 60 * 15; // 151,200

QByteArray Frame(int Channel, std::uint16_t Voltage, std::uint16_t Current, std::uint16_t Minutes,
                 std::uint16_t Capacity)
{
    QByteArray frame(16, '\0');
    frame[0] = static_cast<char>(0xC0 + Channel);
    frame[1] = static_cast<char>(0xFF);
    const std::uint16_t words[7] = {Voltage, 0, 0, Current, 25, Minutes, Capacity};
    for (int k = 0; k < 7; ++k) {
        frame[2 + 2 * k] = static_cast<char>(words[k] & 0xFF);
        frame[3 + 2 * k] = static_cast<char>(words[k] >> 8);
    }
    return frame;
}

// The real main window over an in-memory line, opened in single-frame mode.
struct TOpenWindow {
    TOpenWindow()
    {
        auto owned = std::make_unique<TMemoryComPort>();
        Port = owned.get();
        Form = std::make_unique<TfrmMain>(std::move(owned));
        Form->Charger->Checker().TickSource = [this] { return Tick; };
        Form->resize(1280, 800);
        Form->Charger->ComNumber = 1;
        Form->Charger->Open();
        Form->Charger->SetEnabled(true);
        for (int channel = 0; channel < ChannelCount; ++channel) {
            Tick += 1000;
            Port->Receive(Frame(channel, 0, 0, 0, 0).left(2));
        }
        QCoreApplication::sendPostedEvents();
    }
    void FeedStep(std::uint32_t Step)
    {
        const auto minutes = static_cast<std::uint16_t>(Step / 15 % 1400);
        for (int channel = 0; channel < ChannelCount; ++channel)
            Port->Receive(Frame(channel, std::uint16_t(1200 + Step % 500), 800, minutes, std::uint16_t(Step % 3000)));
    }
    TMemoryComPort *Port = nullptr;
    std::unique_ptr<TfrmMain> Form;
    std::uint32_t Tick = 0;
};

void FrameThroughReceiveData(benchmark::State &State)
{
    TOpenWindow window;
    std::uint32_t step = 0;
    for (auto _ : State) {
        window.FeedStep(step++);
        if (step % 256 == 0) {
            State.PauseTiming();
            QCoreApplication::sendPostedEvents();
            State.ResumeTiming();
        }
    }
    State.SetItemsProcessed(State.iterations() * ChannelCount);
    State.counters["us/frame"] =
        benchmark::Counter(double(State.iterations() * ChannelCount),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(FrameThroughReceiveData)->Unit(benchmark::kMicrosecond);

// Seven days of four charging channels in the series, as the feeding puts them there.
TOpenWindow &RecordedWeek()
{
    static TOpenWindow *window = [] {
        auto *w = new TOpenWindow();
        for (std::uint32_t step = 1; step <= WeekSteps; ++step)
            for (int axis = 0; axis < 2; ++axis)
                for (int channel = 0; channel < ChannelCount; ++channel)
                    w->Form->Chart->SeriesGroups[std::size_t(axis)][std::size_t(channel)]->AddPoint(
                        step, axis == 0 ? 1.2 + (step % 500) / 1000.0 : 800 + channel, std::uint16_t(step / 15 % 1400));
        return w;
    }();
    return *window;
}

void Repaint(benchmark::State &State, bool WholeRecording)
{
    TOpenWindow &window = RecordedWeek();
    TfrmMain &form = *window.Form;
    // Pretend the week's steps were counted, so the page is the last one.
    form.Pages->PageSamples = 150;
    if (form.actAllowScrollChart->isChecked() == WholeRecording)
        form.actAllowScrollChart->trigger();
    form.Pages->UpdateChartScroll(0);
    if (!WholeRecording)
        form.Chart->SetTimeRange(WeekSteps - 150, WeekSteps);
    for (auto _ : State)
        form.Chart->replot(QCustomPlot::rpImmediateRefresh);
    State.counters["points"] = double(8) * WeekSteps;
}
BENCHMARK_CAPTURE(Repaint, OnePage, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Repaint, WholeRecording, true)->Unit(benchmark::kMillisecond);

// Seven days fed through the window, step by step, so that the step counter, the export lines and
// the step clock hold them as after a real week; the window is shown, as the user's is.
TOpenWindow &FedWeek()
{
    static TOpenWindow *window = [] {
        auto *w = new TOpenWindow();
        for (std::uint32_t step = 0; step < WeekSteps; ++step) {
            w->FeedStep(step);
            if (step % 256 == 0)
                QCoreApplication::sendPostedEvents();
        }
        w->Form->show();
        w->Form->Chart->replot(QCustomPlot::rpImmediateRefresh);
        QCoreApplication::processEvents();
        return w;
    }();
    return *window;
}

void SendWheel(TKRVChart &Chart, QPoint At, int Notches)
{
    QWheelEvent event(At, Chart.mapToGlobal(At), {}, QPoint(0, 120 * Notches), Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&Chart, &event);
}

// One mouse move over the chart to the next step: the read-out found and the strip of the old
// and new cursor painted from the chart's buffer.
void HoverReadout(benchmark::State &State)
{
    TfrmMain &form = *FedWeek().Form;
    form.Pages->BackToLive();
    form.Chart->replot(QCustomPlot::rpImmediateRefresh);
    const QRect plot = form.Chart->PlotRect();
    int x = plot.left() + 10;
    for (auto _ : State) {
        x = x + 7 > plot.right() ? plot.left() + 10 : x + 7;
        QMouseEvent move(QEvent::MouseMove, QPointF(x, plot.center().y()), form.Chart->mapToGlobal(QPointF(x, 0)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form.Chart, &move);
        QCoreApplication::sendPostedEvents();
    }
    if (!form.Pages->View().Cursor)
        State.SkipWithError("no cursor");
}
BENCHMARK(HoverReadout)->Unit(benchmark::kMicrosecond);

// One wheel notch on the whole week and the repaint it asks for: the widest view, the
// costliest repaint.
void WheelZoomStep(benchmark::State &State)
{
    TfrmMain &form = *FedWeek().Form;
    form.Pages->BackToLive();
    const QPoint at = form.Chart->PlotRect().center();
    for (int i = 0; i < 60; ++i)
        SendWheel(*form.Chart, at, -1);
    int notches = 1;
    for (auto _ : State) {
        SendWheel(*form.Chart, at, notches);
        form.Chart->replot(QCustomPlot::rpImmediateRefresh);
        notches = -notches;
    }
    State.counters["view steps"] = form.Chart->TimeAxis()->range().size();
    form.Pages->BackToLive();
}
BENCHMARK(WheelZoomStep)->Unit(benchmark::kMillisecond);

void MemoryPerStep(benchmark::State &State)
{
    for (auto _ : State) {
        TOpenWindow window;
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
        for (std::uint32_t step = 0; step < std::uint32_t(State.range(0)); ++step) {
            window.FeedStep(step);
            if (step % 256 == 0)
                QCoreApplication::sendPostedEvents();
        }
        QCoreApplication::sendPostedEvents();
        const std::size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;
        State.counters["bytes/step"] = double(after - before) / double(State.range(0));
        State.counters["points"] = double(window.Form->Chart->Series[0]->PointCount());

        // Clear data, answering its question, hands the recording's memory back.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        answer.start(10);
        window.Form->actClearData->trigger();
        answer.stop();
        QCoreApplication::sendPostedEvents();
        malloc_trim(0);
        const std::size_t cleared = mallinfo2().uordblks + mallinfo2().hblkhd;
        State.counters["kept bytes/step after clear"] =
            double(cleared > before ? cleared - before : 0) / double(State.range(0));
        State.counters["points after clear"] = double(window.Form->Chart->Series[0]->PointCount());
    }
}
BENCHMARK(MemoryPerStep)->Arg(WeekSteps)->Iterations(1)->Unit(benchmark::kSecond);

// A stored week of four charging channels shown again in the window: chart, rows and export
// lines from the loaded frames (loading them from disk is the recordings benchmark's).
void ShowStoredWeek(benchmark::State &State)
{
    TStoredRecording week;
    week.Info.FrameMode = static_cast<std::uint8_t>(fmSingle);
    week.Frames.reserve(std::size_t(WeekSteps) * ChannelCount);
    for (std::uint32_t number = 0; number < std::uint32_t(WeekSteps) * ChannelCount; ++number) {
        TRecordedFrame frame;
        frame.Step = number / 4 + 1;
        frame.Channel = static_cast<std::uint8_t>(number % 4);
        frame.WallMs = 1'790'000'000'000 + std::int64_t(number) * 1000;
        frame.MilliVolts = static_cast<std::uint16_t>(1300 + (number / 40) % 180);
        frame.MilliAmps = 1000;
        frame.Minutes = static_cast<std::uint16_t>(frame.Step / 15 % 8192);
        frame.MilliAmpHours = static_cast<std::uint16_t>(frame.Step / 4 % 8192);
        frame.State = static_cast<std::uint8_t>(csWorking);
        frame.Flag = frame.Channel == 0 ? 3 : 1;
        week.Frames.push_back(frame);
    }
    TOpenWindow window;
    window.Form->Charger->Close();
    for (auto _ : State) {
        window.Form->ShowStoredRecording(week);
        QCoreApplication::sendPostedEvents();
    }
    State.counters["lines"] = double(window.Form->FExportLines->Count());
}
BENCHMARK(ShowStoredWeek)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(config.path()));
    QApplication application(argc, argv);
    InitializeModules();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
