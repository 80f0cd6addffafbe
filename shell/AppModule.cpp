#include "AppModule.h"

#include "display/ChartBuilder.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/PortTable.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

QString Title;

// Qt's own dialogs (the save dialog, the colour dialog) speak the program's language, where
// the translations are installed; the program's texts come from its string table.
void LoadToolkitTranslations()
{
    static QTranslator toolkit;
    if (!QCoreApplication::instance() || !toolkit.isEmpty())
        return;
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    if (toolkit.load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&toolkit);
}

} // namespace

QString ApplicationTitle() { return Title; }

void SetApplicationTitle(const QString &Value) { Title = Value; }

void InitializeModules()
{
    LoadToolkitTranslations();
    LoadConstantTables();
    // Port numbers find their devices through the settings store's Ports table first.
    PortTable::InstallPortLookup();
    SetApplicationTitle(LoadStr(TTextId::AppTitle));
    AppVersionText = FormatAppVersion();
}

void FinalizeModules()
{
    AxisValueTokens.clear();
    FreeConstantTables();
}
