#include "Constant.h"

#include "TextFormat.h"
#include "resources/Texts.h"
#include "resources/Version.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <turbojpeg.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

std::array<QString, ValueTokenCount> ValueTokenNames;
std::array<QString, ValueTokenCount> ValueTokenUnits;
std::array<QString, ValueTokenCount> ValueTokenCaptions;
std::array<QString, ValueTokenCount> ValueTokenShortcuts;
std::array<QString, ValueTokenCount> ValueTokenHints;
const std::array<int, ValueTokenCount> ValueTokenImages = {-1, 11, 12, 13, 14, 15, 16, 17, 18};

QString AppVersionText;

namespace {

// The string table gives the empty text for Count: it marks a cell without text.
constexpr TTextId NoText = TTextId::Count;

struct TKindTexts {
    TTextId Name;
    TTextId Unit;
    TTextId Caption;
    TTextId Shortcut;
    TTextId Hint;
};

constexpr std::array<TKindTexts, ValueTokenCount> KindTexts = {{
    {TTextId::ValueNameChannelIndex, TTextId::ValueUnitChannelIndex, NoText, NoText, NoText},
    {TTextId::ValueNameUnLoadVoltage, TTextId::ValueUnitUnLoadVoltage, TTextId::ShowLineCaptionUnLoadVoltage,
     TTextId::ShortcutUnLoadVoltage, TTextId::ShowLineHintUnLoadVoltage},
    {TTextId::ValueNameLoadVoltage, TTextId::ValueUnitLoadVoltage, TTextId::ShowLineCaptionLoadVoltage, NoText,
     TTextId::ShowLineHintLoadVoltage},
    {TTextId::ValueNameUnknow, NoText, TTextId::ShowLineCaptionUnknow, NoText, NoText},
    {TTextId::ValueNameCurrent, TTextId::ValueUnitCurrent, TTextId::ShowLineCaptionCurrent, TTextId::ShortcutCurrent,
     TTextId::ShowLineHintCurrent},
    {TTextId::ValueNameTemperature, TTextId::ValueUnitTemperature, TTextId::ShowLineCaptionTemperature,
     TTextId::ShortcutTemperature, TTextId::ShowLineHintTemperature},
    {TTextId::ValueNameWorkingTime, TTextId::ValueUnitWorkingTime, TTextId::ShowLineCaptionWorkingTime, NoText, NoText},
    {TTextId::ValueNameCapacity, TTextId::ValueUnitCapacity, TTextId::ShowLineCaptionCapacity,
     TTextId::ShortcutCapacity, TTextId::ShowLineHintCapacity},
    {TTextId::ValueNameImpedance, TTextId::ValueUnitImpedance, TTextId::ShowLineCaptionImpedance, NoText, NoText},
}};

int ShowMessageBox(QWidget *Owner, QMessageBox::Icon Icon, const QString &Text, const QString &Caption, bool WithCancel)
{
    QMessageBox box(Icon, Caption.isEmpty() ? LoadStr(TTextId::AppTitle) : Caption, Text, QMessageBox::Ok, Owner);
    box.button(QMessageBox::Ok)->setText(LoadStr(TTextId::MessageBoxOkCaption));
    if (WithCancel) {
        QPushButton *cancel = box.addButton(QMessageBox::Cancel);
        cancel->setText(LoadStr(TTextId::MessageBoxCancelCaption));
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
    } else {
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? IdOk : IdCancel;
}

QByteArray ReadDataResource(int Id)
{
    QFile file(QStringLiteral(":/data/%1").arg(Id));
    if (!file.open(QIODevice::ReadOnly))
        throw TResourceError("the program carries no data resource " + std::to_string(Id));
    return file.readAll();
}

struct TDecoderDeleter {
    void operator()(tjhandle Handle) const { tjDestroy(Handle); }
};

std::unique_ptr<QImage> DecodeJpeg(const QByteArray &Bytes)
{
    const std::unique_ptr<void, TDecoderDeleter> decoder(tjInitDecompress());
    if (!decoder)
        return nullptr;
    const auto *data = reinterpret_cast<const unsigned char *>(Bytes.constData());
    const auto size = static_cast<unsigned long>(Bytes.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(decoder.get(), data, size, &width, &height, &subsampling, &colorspace) != 0)
        return nullptr;
    auto image = std::make_unique<QImage>(width, height, QImage::Format_RGB888);
    if (image->isNull())
        return nullptr;
    // Warnings count as failures too: a truncated picture would be drawn half grey.
    if (tjDecompress2(decoder.get(), data, size, image->bits(), width, static_cast<int>(image->bytesPerLine()), height,
                      TJPF_RGB, 0) != 0)
        return nullptr;
    return image;
}

std::optional<QCursor> &RegisteredHandCursor()
{
    static std::optional<QCursor> cursor;
    return cursor;
}

} // namespace

void LoadConstantTables()
{
    for (int kind = 0; kind < ValueTokenCount; ++kind) {
        const TKindTexts &texts = KindTexts[kind];
        ValueTokenNames[kind] = LoadStr(texts.Name);
        ValueTokenUnits[kind] = LoadStr(texts.Unit);
        ValueTokenCaptions[kind] = LoadStr(texts.Caption);
        ValueTokenShortcuts[kind] = LoadStr(texts.Shortcut);
        ValueTokenHints[kind] = LoadStr(texts.Hint);
    }
}

void FreeConstantTables()
{
    for (auto *table :
         {&ValueTokenNames, &ValueTokenUnits, &ValueTokenCaptions, &ValueTokenShortcuts, &ValueTokenHints})
        table->fill(QString());
}

void ShowWarning(QWidget *Owner, const QString &Text, const QString &Caption)
{
    ShowMessageBox(Owner, QMessageBox::Warning, Text, Caption, false);
}

void ShowError(QWidget *Owner, const QString &Text, const QString &Caption)
{
    ShowMessageBox(Owner, QMessageBox::Critical, Text, Caption, false);
}

bool OpenAddress(QWidget *Owner, const QString &Address)
{
    if (QDesktopServices::openUrl(QUrl(Address)))
        return true;
    ShowWarning(Owner, FormatText(LoadStr(TTextId::AddressOpenFailed), {Address}), LoadStr(TTextId::AppTitle));
    return false;
}

int AskOkCancel(QWidget *Owner, const QString &Text, const QString &Caption)
{
    return ShowMessageBox(Owner, QMessageBox::Question, Text, Caption, true);
}

QFont DialogFont()
{
    // "宋体" where installed, else the system's CJK font, at 12 pixels.
    QString family = QStringLiteral("宋体");
    if (!QFontDatabase::hasFamily(family))
        family = QFontDatabase::hasFamily(QStringLiteral("WenQuanYi Micro Hei")) ? QStringLiteral("WenQuanYi Micro Hei")
                                                                                 : QString();
    QFont font = family.isEmpty() ? QFont() : QFont(family);
    font.setPixelSize(12);
    return font;
}

QIcon LoadAppIcon(int Index)
{
    const QString path = QStringLiteral(":/icons/%1.svg").arg(Index);
    if (!QFile::exists(path))
        return {};
    return QIcon(path);
}

std::unique_ptr<QImage> LoadResourceJpeg(int Id) { return DecodeJpeg(ReadDataResource(Id)); }

std::unique_ptr<QImage> LoadResourceGif(int Id)
{
    QByteArray bytes = ReadDataResource(Id);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    auto image = std::make_unique<QImage>(reader.read());
    if (image->isNull())
        return nullptr;
    return image;
}

void UseSystemHandCursor()
{
    // Qt's pointing hand is already the platform's own hand cursor.
    RegisteredHandCursor() = QCursor(Qt::PointingHandCursor);
}

QCursor HandPointCursor() { return RegisteredHandCursor().value_or(QCursor(Qt::PointingHandCursor)); }

bool ReadFileVersion(const QString &FileName, TFileVersion &Version)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray contents;
    qint64 length = file.size();
    const uchar *begin = length > 0 ? file.map(0, length) : nullptr;
    if (begin == nullptr) {
        // Not every file maps (pipes, some file systems); read it whole then.
        contents = file.readAll();
        begin = reinterpret_cast<const uchar *>(contents.constData());
        length = contents.size();
    }
    const uchar *end = begin + length;

    const auto marker = ProgramVersionBlock().first<VersionMarkerSize>();
    const uchar *hit = std::search(begin, end, std::boyer_moore_horspool_searcher(marker.begin(), marker.end()));
    if (end - hit < static_cast<std::ptrdiff_t>(VersionBlockSize))
        return false;

    const auto word = [hit](int Offset) {
        const uchar *p = hit + VersionMarkerSize + Offset;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    };
    const std::uint32_t most = word(0);
    const std::uint32_t least = word(4);
    Version = {static_cast<int>(most >> 16), static_cast<int>(most & 0xFFFF), static_cast<int>(least >> 16),
               static_cast<int>(least & 0xFFFF)};
    return true;
}

QString FormatFileVersion(const QString &FileName)
{
    TFileVersion version;
    if (!ReadFileVersion(FileName, version))
        return {};
    return QString::asprintf(LoadStr(TTextId::AppVersionFormat).toUtf8().constData(), version.Major, version.Minor,
                             version.Release, version.Build);
}

QString FormatAppVersion() { return FormatFileVersion(QCoreApplication::applicationFilePath()); }
