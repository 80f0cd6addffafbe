#include "SaveFiles.h"

#include "FileReplacement.h"
#include "ImageWriters.h"
#include "display/ExportLines.h"

#include <QIODevice>
#include <QImage>
#include <QString>

namespace {

// Lines are gathered into blocks of about this size before they are written.
constexpr qsizetype ExportBlockBytes = 1 << 20;

QString Extension(TPictureType Type)
{
    switch (Type) {
    case TPictureType::Jpeg:
        return QStringLiteral(".jpg");
    case TPictureType::Png:
        return QStringLiteral(".png");
    case TPictureType::Bmp:
        break;
    }
    return QStringLiteral(".bmp");
}

} // namespace

QString FileNameWithExtension(const QString &FileName, const QString &Extension)
{
    // Only a dot in the last path element starts an extension.
    const qsizetype nameStart = FileName.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= nameStart ? FileName.left(dot) : FileName;
    return stem + Extension;
}

QString PictureFileName(const QString &FileName, TPictureType Type)
{
    return FileNameWithExtension(FileName, Extension(Type));
}

bool SavePictureFile(const QImage &Picture, TPictureType Type, const QString &FileName)
{
    return ReplaceFile(FileName, [&](QIODevice &File) {
        switch (Type) {
        case TPictureType::Jpeg:
            return WriteJpeg(Picture, File);
        case TPictureType::Png:
            return WritePng(Picture, File);
        case TPictureType::Bmp:
            break;
        }
        return WriteBmp(Picture, File);
    });
}

bool SaveExportFile(const TExportLines &Lines, const QString &FileName)
{
    return ReplaceFile(FileName, [&](QIODevice &File) {
        QByteArray block(ExportBlockBytes + qsizetype(TExportLines::MaxLineBytes), Qt::Uninitialized);
        qsizetype used = 0;
        const std::size_t count = Lines.Count();
        for (std::size_t i = 0; i < count; ++i) {
            used += qsizetype(Lines.WriteLine(i, block.data() + used));
            if (used >= ExportBlockBytes || i + 1 == count) {
                if (File.write(block.constData(), used) != used)
                    return false;
                used = 0;
            }
        }
        return true;
    });
}
