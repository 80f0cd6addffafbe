// The artwork compiled into the program: icons that draw and differ, a logo that Qt's GIF reader
// takes, battery pictures that libjpeg-turbo takes, and the tool's GIF encoder against both Qt's
// reader and a strict reading of its code stream.
#include "tools/artwork/GifWriter.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <turbojpeg.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int IconCount = 29;

QByteArray ReadResource(const QString &Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

QImage RenderIcon(int Number)
{
    QSvgRenderer Renderer(QStringLiteral(":/icons/%1.svg").arg(Number));
    QImage Icon(16, 16, QImage::Format_ARGB32);
    Icon.fill(Qt::transparent);
    QPainter Painter(&Icon);
    Renderer.render(&Painter);
    return Icon;
}

int ChannelDistance(QRgb A, QRgb B)
{
    return std::max({std::abs(qRed(A) - qRed(B)), std::abs(qGreen(A) - qGreen(B)), std::abs(qBlue(A) - qBlue(B)),
                     std::abs(qAlpha(A) - qAlpha(B))});
}

// Mean of the largest channel difference per pixel.
double MeanDistance(const QImage &A, const QImage &B)
{
    const QImage Left = A.convertToFormat(QImage::Format_ARGB32), Right = B.convertToFormat(QImage::Format_ARGB32);
    double Sum = 0;
    for (int Y = 0; Y < Left.height(); ++Y)
        for (int X = 0; X < Left.width(); ++X)
            Sum += ChannelDistance(Left.pixel(X, Y), Right.pixel(X, Y));
    return Sum / (Left.width() * Left.height());
}

// Decodes through libjpeg-turbo, as the program does; a null picture when it refuses.
QImage DecodeJpeg(const QByteArray &Jpeg, QSize *HeaderSize = nullptr)
{
    tjhandle Decoder = tjInitDecompress();
    const auto *Data = reinterpret_cast<const unsigned char *>(Jpeg.constData());
    int Width = 0, Height = 0, Sampling = 0, Colourspace = 0;
    QImage Picture;
    if (tjDecompressHeader3(Decoder, Data, Jpeg.size(), &Width, &Height, &Sampling, &Colourspace) == 0) {
        if (HeaderSize)
            *HeaderSize = QSize(Width, Height);
        Picture = QImage(Width, Height, QImage::Format_RGB888);
        if (tjDecompress2(Decoder, Data, Jpeg.size(), Picture.bits(), Width, int(Picture.bytesPerLine()), Height,
                          TJPF_RGB, TJFLAG_ACCURATEDCT) != 0)
            Picture = QImage();
    }
    tjDestroy(Decoder);
    return Picture;
}

// The frame markers (SOF0 to SOF15, without DHT, JPG and DAC) met before the scan starts.
QList<int> FrameMarkers(const QByteArray &Jpeg)
{
    QList<int> Markers;
    qsizetype Pos = 2;
    while (Pos + 4 <= Jpeg.size() && uchar(Jpeg[Pos]) == 0xFF) {
        const int Marker = uchar(Jpeg[Pos + 1]);
        if (Marker == 0xDA)
            break;
        if (Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC)
            Markers.append(Marker);
        Pos += 2 + (uchar(Jpeg[Pos + 2]) << 8 | uchar(Jpeg[Pos + 3]));
    }
    return Markers;
}

QImage DecodeGif(const QByteArray &Gif)
{
    QBuffer Buffer;
    Buffer.setData(Gif);
    QImageReader Reader(&Buffer, "gif");
    return Reader.read();
}

// Reads the image data of a one-image GIF as a strict decoder would: every code at the width the
// format prescribes, and the end code exactly where the data stop. Returns the indexes, or sets
// Error.
QByteArray ReadCodeStream(const QByteArray &Gif, QString &Error)
{
    const auto Byte = [&](qsizetype Pos) { return Pos < Gif.size() ? int(uchar(Gif[Pos])) : -1; };
    const int Flags = Byte(10);
    qsizetype Pos = 13 + ((Flags & 0x80) ? 3 * (2 << (Flags & 7)) : 0);
    if (Byte(Pos) != 0x2C || (Byte(Pos + 9) & 0x80)) {
        Error = "no image descriptor after the global table";
        return {};
    }
    Pos += 10;
    const int MinBits = Byte(Pos++);
    QByteArray Data;
    for (int Length = Byte(Pos++); Length > 0; Length = Byte(Pos++)) {
        Data += Gif.mid(Pos, Length);
        Pos += Length;
    }
    if (Byte(Pos) != 0x3B || Pos + 1 != Gif.size()) {
        Error = "no trailer right after the image data";
        return {};
    }

    const int Clear = 1 << MinBits, End = Clear + 1;
    std::vector<QByteArray> Table(4096);
    for (int I = 0; I < Clear; ++I)
        Table[I] = QByteArray(1, char(I));
    int Width = MinBits + 1, Next = End + 1, Previous = -1;
    qsizetype Bit = 0;
    QByteArray Out;
    for (;;) {
        if (Bit + Width > Data.size() * 8) {
            Error = QStringLiteral("data end before the end code, at bit %1").arg(Bit);
            return {};
        }
        int Code = 0;
        for (int I = 0; I < Width; ++I, ++Bit)
            Code |= ((uchar(Data[Bit / 8]) >> (Bit % 8)) & 1) << I;
        if (Code == Clear) {
            Width = MinBits + 1;
            Next = End + 1;
            Previous = -1;
            continue;
        }
        if (Code == End)
            break;
        QByteArray Entry;
        if (Previous < 0 && Code < Clear) {
            Entry = Table[Code];
        } else if (Previous >= 0 && Code < Next && Code != Clear && Code != End) {
            Entry = Table[Code];
            Table[Next++] = Table[Previous] + Entry[0];
        } else if (Previous >= 0 && Code == Next && Next < 4096) {
            Entry = Table[Previous] + Table[Previous][0];
            Table[Next++] = Entry;
        } else {
            Error = QStringLiteral("code %1 not in the table at bit %2").arg(Code).arg(Bit);
            return {};
        }
        if (Next >= (1 << Width) && Width < 12)
            ++Width;
        Out += Entry;
        Previous = Code;
    }
    if ((Bit + 7) / 8 != Data.size())
        Error = "bytes left after the end code";
    return Out;
}

QByteArray IndexesOf(const QImage &Indexed)
{
    QByteArray Indexes;
    for (int Y = 0; Y < Indexed.height(); ++Y)
        Indexes.append(reinterpret_cast<const char *>(Indexed.constScanLine(Y)), Indexed.width());
    return Indexes;
}

QImage RandomIndexed(int Width, int Height, int Colours, quint32 Seed)
{
    QRandomGenerator Random(Seed);
    QImage Image(Width, Height, QImage::Format_Indexed8);
    QList<QRgb> Table;
    for (int I = 0; I < Colours; ++I)
        Table.append(qRgb(I, 255 - I, (I * 37) & 0xFF));
    Image.setColorTable(Table);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            Image.scanLine(Y)[X] = uchar(Random.bounded(Colours));
    return Image;
}

} // namespace

class TArtworkTest : public QObject
{
    Q_OBJECT

private slots:
    void iconsDrawAndDiffer();
    void logoIsAGifOfItsSize();
    void statePicturesAreBaselineJpegs();
    void gifEncoderRoundTrips_data();
    void gifEncoderRoundTrips();
    void gifCodeStreamEndsCleanlyAtEveryLength();
    void gifEncoderRefusesWhatItCannotWrite();
    void toolDrawsThePicturesInTheTree();
};

void TArtworkTest::iconsDrawAndDiffer()
{
    QList<QImage> Icons;
    for (int N = 0; N < IconCount; ++N) {
        const QString Path = QStringLiteral(":/icons/%1.svg").arg(N);
        QVERIFY2(QFile::exists(Path), qPrintable(Path));
        QSvgRenderer Renderer(Path);
        QVERIFY2(Renderer.isValid(), qPrintable(Path));
        QCOMPARE(Renderer.viewBox(), QRect(0, 0, 16, 16));

        const QImage Icon = RenderIcon(N);
        int Covered = 0;
        QSet<QRgb> Colours;
        for (int Y = 0; Y < 16; ++Y)
            for (int X = 0; X < 16; ++X)
                if (qAlpha(Icon.pixel(X, Y)) > 128) {
                    ++Covered;
                    Colours.insert(Icon.pixel(X, Y));
                }
        QVERIFY2(Covered >= 40, qPrintable(QStringLiteral("icon %1 covers %2 pixels").arg(N).arg(Covered)));
        QVERIFY2(Colours.size() >= 2, qPrintable(QStringLiteral("icon %1 is one colour").arg(N)));
        Icons.append(Icon);
    }
    QVERIFY(!QFile::exists(QStringLiteral(":/icons/%1.svg").arg(IconCount)));

    // Told apart at toolbar size: at least a dozen pixels clearly differ.
    for (int A = 0; A < IconCount; ++A)
        for (int B = A + 1; B < IconCount; ++B) {
            int Differing = 0;
            for (int Y = 0; Y < 16; ++Y)
                for (int X = 0; X < 16; ++X)
                    Differing += ChannelDistance(Icons[A].pixel(X, Y), Icons[B].pixel(X, Y)) > 64;
            QVERIFY2(Differing >= 12, qPrintable(QStringLiteral("icons %1 and %2 look alike").arg(A).arg(B)));
        }
}

void TArtworkTest::logoIsAGifOfItsSize()
{
    QImageReader Reader(QStringLiteral(":/data/0"));
    QCOMPARE(Reader.format(), QByteArray("gif"));
    const QImage Logo = Reader.read();
    QVERIFY2(!Logo.isNull(), qPrintable(Reader.errorString()));
    QCOMPARE(Logo.size(), QSize(300, 73));

    int Inked = 0;
    bool Green = false;
    for (int Y = 0; Y < Logo.height(); ++Y)
        for (int X = 0; X < Logo.width(); ++X) {
            const QRgb Pixel = Logo.pixel(X, Y);
            Inked += qGray(Pixel) < 128;
            Green |= qGreen(Pixel) > qRed(Pixel) + 60 && qGreen(Pixel) > qBlue(Pixel) + 30;
        }
    QVERIFY2(Inked > Logo.width() * Logo.height() / 20, "the logo is nearly blank");
    QVERIFY(Green);

    // The program's JPEG loader must refuse the logo rather than draw rubbish.
    QVERIFY(DecodeJpeg(ReadResource(QStringLiteral(":/data/0"))).isNull());
}

void TArtworkTest::statePicturesAreBaselineJpegs()
{
    for (const int Number : {1, 2}) {
        const QByteArray Jpeg = ReadResource(QStringLiteral(":/data/%1").arg(Number));
        QVERIFY2(!Jpeg.isEmpty(), qPrintable(QStringLiteral("no data resource %1").arg(Number)));
        QCOMPARE(FrameMarkers(Jpeg), QList<int>{0xC0});
        QSize HeaderSize;
        const QImage Picture = DecodeJpeg(Jpeg, &HeaderSize);
        QCOMPARE(HeaderSize, QSize(69, 123));
        QVERIFY(!Picture.isNull());

        int MostChroma = 0, Saturated = 0, Green = 0;
        for (int Y = 0; Y < Picture.height(); ++Y)
            for (int X = 0; X < Picture.width(); ++X) {
                const QRgb P = Picture.pixel(X, Y);
                const int Chroma = std::max({qRed(P), qGreen(P), qBlue(P)}) - std::min({qRed(P), qGreen(P), qBlue(P)});
                MostChroma = std::max(MostChroma, Chroma);
                Saturated += Chroma > 100;
                Green += qGreen(P) > qRed(P) + 60 && qGreen(P) > qBlue(P) + 30;
            }
        if (Number == 1) {
            QVERIFY2(MostChroma <= 8, qPrintable(QStringLiteral("grey battery has chroma %1").arg(MostChroma)));
        } else {
            QVERIFY2(Saturated > Picture.width() * Picture.height() / 10, "coloured battery is pale");
            QVERIFY2(Green > 300, "coloured battery holds no green charge");
        }
    }
    QVERIFY(!QFile::exists(QStringLiteral(":/data/3")));
}

void TArtworkTest::gifEncoderRoundTrips_data()
{
    QTest::addColumn<QImage>("Picture");
    QTest::newRow("two colours") << RandomIndexed(37, 23, 2, 1);
    QTest::newRow("seven colours, table padded to eight") << RandomIndexed(64, 48, 7, 2);
    QTest::newRow("256 colours") << RandomIndexed(256, 64, 256, 3);
    QTest::newRow("one colour, table padded to two") << RandomIndexed(10, 10, 1, 4);
    QTest::newRow("one pixel") << RandomIndexed(1, 1, 3, 5);
    QTest::newRow("wider than 4096 codes") << RandomIndexed(5000, 3, 256, 6);

    // Long runs grow long strings and fill the dictionary slowly, then it starts anew.
    QImage Bands = RandomIndexed(700, 300, 5, 7);
    for (int Y = 0; Y < Bands.height(); ++Y)
        for (int X = 0; X < Bands.width(); ++X)
            Bands.scanLine(Y)[X] = uchar((X / 97 + Y / 13) % 5);
    QTest::newRow("long runs") << Bands;
}

void TArtworkTest::gifEncoderRoundTrips()
{
    QFETCH(QImage, Picture);
    const QByteArray Gif = EncodeGif(Picture);
    QVERIFY(Gif.startsWith("GIF89a"));

    const QImage Decoded = DecodeGif(Gif);
    QCOMPARE(Decoded.size(), Picture.size());
    QCOMPARE(Decoded.convertToFormat(QImage::Format_RGB32), Picture.convertToFormat(QImage::Format_RGB32));

    QString Error;
    const QByteArray Indexes = ReadCodeStream(Gif, Error);
    QVERIFY2(Error.isEmpty(), qPrintable(Error));
    QCOMPARE(Indexes, IndexesOf(Picture));
}

void TArtworkTest::gifCodeStreamEndsCleanlyAtEveryLength()
{
    // The end code must be written at the width the decoder has reached by then, whatever the
    // number of codes before it.
    for (const int Colours : {2, 16}) {
        for (int Length = 1; Length <= 2500; ++Length) {
            const QImage Picture = RandomIndexed(Length, 1, Colours, quint32(Length));
            QString Error;
            const QByteArray Indexes = ReadCodeStream(EncodeGif(Picture), Error);
            QVERIFY2(Error.isEmpty(),
                     qPrintable(QStringLiteral("%1 pixels, %2 colours: %3").arg(Length).arg(Colours).arg(Error)));
            QCOMPARE(Indexes, IndexesOf(Picture));
        }
    }
}

void TArtworkTest::gifEncoderRefusesWhatItCannotWrite()
{
    QVERIFY(EncodeGif(QImage()).isEmpty());
    QImage Rgb(4, 4, QImage::Format_RGB32);
    Rgb.fill(Qt::red);
    QVERIFY(EncodeGif(Rgb).isEmpty());

    QImage Stray = RandomIndexed(4, 4, 3, 8);
    Stray.scanLine(2)[1] = 3; // one past the colour table
    QVERIFY(EncodeGif(Stray).isEmpty());
}

void TArtworkTest::toolDrawsThePicturesInTheTree()
{
    QTemporaryDir Out;
    QVERIFY(Out.isValid());
    QProcess Tool;
    Tool.start(QStringLiteral(KRV_ARTWORK_TOOL), {Out.path()});
    QVERIFY(Tool.waitForFinished(60000));
    QCOMPARE(Tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(Tool.exitCode(), 0);

    const auto FileBytes = [&](const char *Name) {
        QFile File(Out.filePath(QString::fromLatin1(Name)));
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
    };
    // Small drawing differences between library versions are allowed, a changed drawing is not.
    const QImage Logo = DecodeGif(FileBytes("logo.gif"));
    QCOMPARE(Logo.size(), QSize(300, 73));
    QVERIFY(MeanDistance(Logo, DecodeGif(ReadResource(QStringLiteral(":/data/0")))) < 1.0);
    const QImage Grey = DecodeJpeg(FileBytes("battery-grey.jpg"));
    QCOMPARE(Grey.size(), QSize(69, 123));
    QVERIFY(MeanDistance(Grey, DecodeJpeg(ReadResource(QStringLiteral(":/data/1")))) < 1.5);
    const QImage Colour = DecodeJpeg(FileBytes("battery-colour.jpg"));
    QCOMPARE(Colour.size(), QSize(69, 123));
    QVERIFY(MeanDistance(Colour, DecodeJpeg(ReadResource(QStringLiteral(":/data/2")))) < 1.5);

    Tool.start(QStringLiteral(KRV_ARTWORK_TOOL), {});
    QVERIFY(Tool.waitForFinished(60000));
    QCOMPARE(Tool.exitCode(), 2);
}

QTEST_MAIN(TArtworkTest)
#include "tst_artwork.moc"
