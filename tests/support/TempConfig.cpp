#include "TempConfig.h"

#include <QDir>
#include <QFileInfo>
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

void WriteTemporaryConfig(const QByteArray &Text)
{
    QDir().mkpath(QFileInfo(TemporaryConfigFile()).path());
    QFile file(TemporaryConfigFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(Text);
}
