#pragma once
// Writing the chart picture and the export lines to files, replacing an earlier file only
// once the new one is complete (FileReplacement.h).
class QImage;
class QString;
class TExportLines;

// The picture file types in the order of the save dialog's filter, numbered from 1.
enum class TPictureType { Bmp = 1, Jpeg = 2, Png = 3 };

// FileName with its extension replaced by Extension (".csv"), or Extension added when the
// name has none.
QString FileNameWithExtension(const QString &FileName, const QString &Extension);
// FileName with the extension of Type, as above.
QString PictureFileName(const QString &FileName, TPictureType Type);
bool SavePictureFile(const QImage &Picture, TPictureType Type, const QString &FileName);
// Every line followed by CR LF, the last one too; an empty list gives an empty file.
bool SaveExportFile(const TExportLines &Lines, const QString &FileName);
