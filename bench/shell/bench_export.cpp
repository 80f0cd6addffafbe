// The CSV export of a long recording: a million lines written to a file the way the export
// command writes them.
#include "display/ExportLines.h"
#include "shell/SaveFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void ExportMillionLines(benchmark::State &State)
{
    constexpr std::uint32_t Records = 1'000'000 - 1; // the header makes the millionth line
    TExportLines lines;
    for (std::uint32_t i = 0; i < Records; ++i)
        lines.Append(i / 4 + 1, int(i % 4) + 1, std::uint16_t(1200 + i % 500), 800, std::uint16_t(i / 60 % 1440),
                     std::uint16_t(i % 3000));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("export.csv"));
    for (auto _ : State) {
        if (!SaveExportFile(lines, file))
            State.SkipWithError("export failed");
    }
    State.SetItemsProcessed(State.iterations() * std::int64_t(lines.Count()));
    State.SetBytesProcessed(State.iterations() * QFileInfo(file).size());
}

} // namespace

BENCHMARK(ExportMillionLines)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
