#include "AppModule.h"

#include "display/ChartBuilder.h"
#include "resources/Texts.h"
#include "settings/Constant.h"
#include "settings/PortTable.h"

namespace {
QString Title;
}

QString ApplicationTitle() { return Title; }

void SetApplicationTitle(const QString &Value) { Title = Value; }

void InitializeModules()
{
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
