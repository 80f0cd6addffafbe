#include "tools/artwork/GifWriter.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int MaxCodeBits = 12;
constexpr int MaxCodes = 1 << MaxCodeBits;

void PutWord(QByteArray &Out, int Value)
{
    Out.append(char(Value & 0xFF));
    Out.append(char((Value >> 8) & 0xFF));
}

// Packs variable-width codes least significant bit first and cuts the byte stream into the
// sub-blocks of at most 255 bytes that the format requires.
class TCodeStream
{
public:
    explicit TCodeStream(QByteArray &Out) : FOut(Out) {}

    void Put(int Code, int Bits)
    {
        FBits |= std::uint32_t(Code) << FBitCount;
        FBitCount += Bits;
        while (FBitCount >= 8) {
            PutByte(std::uint8_t(FBits & 0xFF));
            FBits >>= 8;
            FBitCount -= 8;
        }
    }

    void Finish()
    {
        if (FBitCount > 0)
            PutByte(std::uint8_t(FBits & 0xFF));
        FBits = 0;
        FBitCount = 0;
        FlushBlock();
        FOut.append(char(0));
    }

private:
    void PutByte(std::uint8_t Byte)
    {
        FBlock[FBlockSize++] = Byte;
        if (FBlockSize == 255)
            FlushBlock();
    }

    void FlushBlock()
    {
        if (FBlockSize == 0)
            return;
        FOut.append(char(FBlockSize));
        FOut.append(reinterpret_cast<const char *>(FBlock.data()), FBlockSize);
        FBlockSize = 0;
    }

    QByteArray &FOut;
    std::uint32_t FBits = 0;
    int FBitCount = 0;
    std::array<std::uint8_t, 255> FBlock{};
    int FBlockSize = 0;
};

// Dictionary of the LZW encoder: the code of (prefix code, next index), or 0 when absent. No
// string code is ever 0, because code 0 is always the single index 0.
class TDictionary
{
public:
    explicit TDictionary(int Alphabet) : FAlphabet(Alphabet), FNext(std::size_t(MaxCodes) * Alphabet, 0) {}

    int Find(int Prefix, int Index) const { return FNext[Slot(Prefix, Index)]; }
    void Add(int Prefix, int Index, int Code) { FNext[Slot(Prefix, Index)] = std::uint16_t(Code); }
    void Clear() { std::fill(FNext.begin(), FNext.end(), std::uint16_t(0)); }

private:
    std::size_t Slot(int Prefix, int Index) const { return std::size_t(Prefix) * FAlphabet + Index; }

    int FAlphabet;
    std::vector<std::uint16_t> FNext;
};

void EncodePixels(const QImage &Image, int MinCodeBits, QByteArray &Out)
{
    const int ClearCode = 1 << MinCodeBits;
    const int EndCode = ClearCode + 1;
    TDictionary Dictionary(ClearCode);
    TCodeStream Stream(Out);

    int CodeBits = MinCodeBits + 1;
    int NextCode = EndCode + 1;
    Stream.Put(ClearCode, CodeBits);

    int Prefix = -1;
    for (int Y = 0; Y < Image.height(); ++Y) {
        const uchar *Line = Image.constScanLine(Y);
        for (int X = 0; X < Image.width(); ++X) {
            const int Index = Line[X];
            if (Prefix < 0) {
                Prefix = Index;
                continue;
            }
            if (const int Code = Dictionary.Find(Prefix, Index); Code != 0) {
                Prefix = Code;
                continue;
            }
            Stream.Put(Prefix, CodeBits);
            Dictionary.Add(Prefix, Index, NextCode);
            // The decoder widens its codes one code later than it could, so the width grows
            // once the code just assigned no longer fits.
            if (NextCode >= (1 << CodeBits) && CodeBits < MaxCodeBits)
                ++CodeBits;
            if (++NextCode == MaxCodes) {
                Stream.Put(ClearCode, CodeBits);
                Dictionary.Clear();
                CodeBits = MinCodeBits + 1;
                NextCode = EndCode + 1;
            }
            Prefix = Index;
        }
    }
    if (Prefix >= 0) {
        Stream.Put(Prefix, CodeBits);
        // Reading this last code the decoder still adds its entry, and widens when that fills
        // the width, so the end code must follow at the new width.
        if (NextCode >= (1 << CodeBits) && CodeBits < MaxCodeBits)
            ++CodeBits;
    }
    Stream.Put(EndCode, CodeBits);
    Stream.Finish();
}

bool IndexesInTable(const QImage &Image)
{
    for (int Y = 0; Y < Image.height(); ++Y) {
        const uchar *Line = Image.constScanLine(Y);
        for (int X = 0; X < Image.width(); ++X)
            if (Line[X] >= Image.colorCount())
                return false;
    }
    return true;
}

} // namespace

QByteArray EncodeGif(const QImage &Indexed)
{
    const QList<QRgb> Colours = Indexed.colorTable();
    if (Indexed.format() != QImage::Format_Indexed8 || Colours.isEmpty() || Colours.size() > 256 || Indexed.isNull() ||
        Indexed.width() > 0xFFFF || Indexed.height() > 0xFFFF || !IndexesInTable(Indexed))
        return {};

    int TableBits = 1;
    while ((1 << TableBits) < Colours.size())
        ++TableBits;

    QByteArray Out("GIF89a");
    PutWord(Out, Indexed.width());
    PutWord(Out, Indexed.height());
    // Global table present, 8 bits per primary, table size 2^(TableBits).
    Out.append(char(0x80 | 0x70 | (TableBits - 1)));
    Out.append(char(0));
    Out.append(char(0));
    for (int I = 0; I < (1 << TableBits); ++I) {
        const QRgb Colour = I < Colours.size() ? Colours[I] : qRgb(0, 0, 0);
        Out.append(char(qRed(Colour)));
        Out.append(char(qGreen(Colour)));
        Out.append(char(qBlue(Colour)));
    }

    Out.append(char(0x2C));
    PutWord(Out, 0);
    PutWord(Out, 0);
    PutWord(Out, Indexed.width());
    PutWord(Out, Indexed.height());
    Out.append(char(0));

    // The format needs at least two bits for the initial code width.
    const int MinCodeBits = std::max(2, TableBits);
    Out.append(char(MinCodeBits));
    EncodePixels(Indexed, MinCodeBits, Out);

    Out.append(char(0x3B));
    return Out;
}
