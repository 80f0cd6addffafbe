// korvane-artwork <output-dir>: draws the logo and the two channel state pictures and writes them
// as logo.gif, battery-grey.jpg and battery-colour.jpg, the files the resources compile in.
#include "tools/artwork/Drawings.h"
#include "tools/artwork/GifWriter.h"
#include "tools/artwork/JpegWriter.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int JpegQuality = 95;

// The 256 most frequent colours make the palette: flat areas keep their exact colour and the
// rarer edge shades fall to their nearest neighbour.
QImage ToIndexed(const QImage &Picture)
{
    const QImage Rgb = Picture.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> Counts;
    for (int Y = 0; Y < Rgb.height(); ++Y) {
        const auto *Line = reinterpret_cast<const QRgb *>(Rgb.constScanLine(Y));
        for (int X = 0; X < Rgb.width(); ++X)
            ++Counts[Line[X] | 0xFF000000u];
    }
    std::vector<std::pair<int, QRgb>> ByCount;
    for (auto It = Counts.cbegin(); It != Counts.cend(); ++It)
        ByCount.emplace_back(-It.value(), It.key());
    std::sort(ByCount.begin(), ByCount.end());
    QList<QRgb> Palette;
    for (std::size_t I = 0; I < ByCount.size() && I < 256; ++I)
        Palette.append(ByCount[I].second);
    return Rgb.convertToFormat(QImage::Format_Indexed8, Palette, Qt::ThresholdDither);
}

bool WriteFile(const QDir &Dir, const QString &Name, const QByteArray &Data)
{
    QSaveFile File(Dir.filePath(Name));
    const bool Written =
        !Data.isEmpty() && File.open(QIODevice::WriteOnly) && File.write(Data) == Data.size() && File.commit();
    if (!Written)
        std::fprintf(stderr, "korvane-artwork: cannot write %s\n", qPrintable(File.fileName()));
    return Written;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-artwork <output-dir>\n");
        return 2;
    }
    const QDir Dir(QString::fromLocal8Bit(argv[1]));
    if (!Dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "korvane-artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    const bool Written =
        WriteFile(Dir, QStringLiteral("logo.gif"), EncodeGif(ToIndexed(PaintLogo()))) &&
        WriteFile(Dir, QStringLiteral("battery-grey.jpg"), EncodeJpeg(PaintBattery(blIdle), JpegQuality)) &&
        WriteFile(Dir, QStringLiteral("battery-colour.jpg"), EncodeJpeg(PaintBattery(blCharging), JpegQuality));
    return Written ? 0 : 1;
}
