#include "Main.h"

#include "FileReplacement.h"
#include "SaveFiles.h"
#include "display/KRVChart.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/TextFormat.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>

namespace {

// "description|pattern|..." pairs as the dialog's name filters; the pattern goes in brackets
// after the description unless the description already ends with it.
QStringList NameFilters(const QString &Filter)
{
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters;
}

// The extension of the first pattern of filter pair Index (from 1), such as ".png"; empty for
// a pattern without one.
QString FilterExtension(const QString &Filter, int Index)
{
    const QString pattern =
        Filter.section(QLatin1Char('|'), 2 * Index - 1, 2 * Index - 1).section(QLatin1Char(';'), 0, 0);
    const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : pattern.mid(dot);
    return extension.contains(QLatin1Char('*')) || extension.size() < 2 ? QString() : extension;
}

} // namespace

void TfrmMain::BindSaveCommands()
{
    connect(actFileSaveAs, &QAction::triggered, this, [this] { actFileSaveAsExecute(); });
    connect(actFileExport, &QAction::triggered, this, [this] { actFileExportExecute(); });
}

bool TfrmMain::ExecuteSaveDialog(const QString &Title, const QString &Filter, const QString &DefaultExt)
{
    QFileDialog SaveDialog(this);
    SaveDialog.setObjectName(QStringLiteral("SaveDialog"));
    // The commands ask the overwrite question themselves, with the name they will write.
    SaveDialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    SaveDialog.setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog.setFileMode(QFileDialog::AnyFile);
    SaveDialog.setWindowTitle(Title);
    const QStringList filters = NameFilters(Filter);
    SaveDialog.setNameFilters(filters);
    const int offered = FSaveFilterIndex >= 1 && FSaveFilterIndex <= filters.size() ? FSaveFilterIndex : 1;
    if (!filters.isEmpty())
        SaveDialog.selectNameFilter(filters[offered - 1]);
    SaveDialog.setDefaultSuffix(QString(DefaultExt).remove(0, DefaultExt.startsWith(QLatin1Char('.')) ? 1 : 0));
    // The last name is offered as a file of the type on offer, so that a picture just saved is
    // not proposed for the export's text, nor the export for a picture.
    const QString extension = FilterExtension(Filter, offered);
    if (!FSaveFileName.isEmpty())
        SaveDialog.selectFile(extension.isEmpty() ? FSaveFileName : FileNameWithExtension(FSaveFileName, extension));
    if (SaveDialog.exec() != QDialog::Accepted || SaveDialog.selectedFiles().isEmpty())
        return false;
    FSaveFileName = SaveDialog.selectedFiles().constFirst();
    FSaveFilterIndex = std::max(1, int(filters.indexOf(SaveDialog.selectedNameFilter())) + 1);
    return true;
}

bool TfrmMain::ConfirmOverwrite(const QString &FileName)
{
    if (!FileTargetExists(FileName))
        return true;
    const QString text = FormatText(LoadStr(TTextId::FileOverwriteQuestion), {QDir::toNativeSeparators(FileName)});
    return AskOkCancel(this, text, LoadStr(TTextId::AppTitle)) == IdOk;
}

void TfrmMain::actFileSaveAsExecute()
{
    if (!ExecuteSaveDialog(LoadStr(TTextId::SaveImageDialogTitle), LoadStr(TTextId::SaveImageDialogFilter),
                           QStringLiteral(".bmp")))
        return;
    const auto type = FSaveFilterIndex >= 1 && FSaveFilterIndex <= 3 ? static_cast<TPictureType>(FSaveFilterIndex)
                                                                     : TPictureType::Bmp;
    const QString target = PictureFileName(FSaveFileName, type);
    if (!ConfirmOverwrite(target))
        return;
    // A queued repaint may still be due; the picture shows the chart as it is now.
    Chart->replot();
    const QImage picture = Chart->toPixmap(Chart->width(), Chart->height()).toImage();
    if (!SavePictureFile(picture, type, target)) {
        ShowError(this, LoadStr(TTextId::FileSaveFailed), LoadStr(TTextId::AppTitle));
        return;
    }
    FormShow();
}

void TfrmMain::actFileExportExecute()
{
    if (!ExecuteSaveDialog(LoadStr(TTextId::ExportDialogTitle), LoadStr(TTextId::ExportDialogFilter),
                           QStringLiteral(".csv")))
        return;
    const QString target = FSaveFileName;
    if (!ConfirmOverwrite(target))
        return;
    if (!SaveExportFile(*FExportLines, target)) {
        ShowError(this, LoadStr(TTextId::FileSaveFailed), LoadStr(TTextId::AppTitle));
        return;
    }
    FormShow();
}
