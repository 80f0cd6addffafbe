#include "TempConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/inotify.h>
#include <unistd.h>

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
    // The recordings go to the same folder, never to the user's own.
    qputenv("XDG_DATA_HOME", QFile::encodeName(ConfigDir().path()));
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

TConfigFileActivity::TConfigFileActivity()
{
    const QString folder = QFileInfo(TemporaryConfigFile()).path();
    QDir().mkpath(folder);
    FWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ::inotify_add_watch(FWatch, QFile::encodeName(folder).constData(),
                        IN_OPEN | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO);
}

TConfigFileActivity::~TConfigFileActivity() { ::close(FWatch); }

int TConfigFileActivity::Opens()
{
    Drain();
    return FOpens;
}

int TConfigFileActivity::Rewrites()
{
    Drain();
    return FRewrites;
}

void TConfigFileActivity::Drain()
{
    const QByteArray file = QFile::encodeName(QFileInfo(TemporaryConfigFile()).fileName());
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t size = ::read(FWatch, buffer, sizeof buffer);
        if (size <= 0)
            return;
        for (ssize_t at = 0; at < size;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->len == 0 || file != event->name)
                continue;
            FOpens += (event->mask & IN_OPEN) != 0;
            // Opened for writing only to learn whether it may be written is no rewrite.
            FModified = FModified || (event->mask & IN_MODIFY) != 0;
            if ((event->mask & IN_MOVED_TO) || ((event->mask & IN_CLOSE_WRITE) && FModified)) {
                ++FRewrites;
                FModified = false;
            }
        }
    }
}
