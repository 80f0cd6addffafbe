#include "TempConfig.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

QTemporaryDir &ConfigDir()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

QString UseTemporaryConfig()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigDir().path()));
    return ConfigDir().path();
}

QString TemporaryConfigFile() { return ConfigDir().path() + QStringLiteral("/Korvane/Korvane.ini"); }
