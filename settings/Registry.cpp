#include "Registry.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <limits>
#include <mutex>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

QString GroupOfKey(const QString &Key)
{
    QString group = Key;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    return group;
}

QString FullName(const QString &Group, const QString &Name)
{
    return Group.isEmpty() ? Name : Group + QLatin1Char('/') + Name;
}

// One version of the settings file: a rewrite replaces the file or changes its size or time.
struct TFileStamp {
    bool Exists = false;
    bool Regular = true;
    qint64 Size = 0;
    qint64 Modified = 0;
    quint64 Device = 0;
    quint64 Inode = 0;

    bool operator==(const TFileStamp &) const = default;
};

#ifdef Q_OS_WIN
std::unique_ptr<QSettings> CreateStore()
{
    return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::NativeFormat);
}

// The registry is always there and always read live.
TFileStamp StoreStamp() { return {true}; }

bool BackUpStoreFile() { return true; }
#else
QString StoreFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Korvane/Korvane.ini");
}

std::unique_ptr<QSettings> CreateStore() { return std::make_unique<QSettings>(StoreFilePath(), QSettings::IniFormat); }

TFileStamp StoreStamp()
{
    struct stat info = {};
    TFileStamp stamp;
    // Follows a symbolic link: what counts is what the store would open.
    if (::stat(QFile::encodeName(StoreFilePath()).constData(), &info) != 0)
        return stamp;
    stamp.Exists = true;
    stamp.Regular = S_ISREG(info.st_mode);
    stamp.Size = info.st_size;
    stamp.Modified = qint64{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    return stamp;
}

// Keeps what a hand-edited file said before the store rewrites it in its own form. An earlier
// copy is never replaced: it may be the only one of an older edit.
bool BackUpStoreFile()
{
    const QString path = StoreFilePath();
    for (int i = 0; i < 100; ++i) {
        const QString copy = path + QStringLiteral(".bak") + (i == 0 ? QString() : QStringLiteral(".%1").arg(i));
        if (QFileInfo(copy).exists() || QFileInfo(copy).isSymLink())
            continue;
        return QFile::copy(path, copy);
    }
    return false;
}
#endif

// The parsed copy of the file that all reads share, kept while the file stays unchanged.
struct TSharedStore {
    std::mutex Lock;
    std::unique_ptr<QSettings> Reader;
    TFileStamp Stamp;
    // A FIFO, a folder or a device where the file should be: never opened.
    bool Usable = true;
    // The file did not parse whole; a rewrite would drop what it could not read.
    bool Broken = false;
    bool BackedUp = false;
};

TSharedStore &Shared()
{
    static TSharedStore store;
    return store;
}

// Under the lock. Parses the file again when it changed since the last parse.
void Refresh(TSharedStore &Store)
{
    const TFileStamp stamp = StoreStamp();
    if (Store.Reader && stamp == Store.Stamp)
        return;
    Store.Reader.reset();
    Store.Stamp = stamp;
    Store.Usable = !stamp.Exists || stamp.Regular;
    Store.Broken = false;
    Store.BackedUp = false;
    if (!Store.Usable)
        return;
    Store.Reader = CreateStore();
    // Sections are parsed only when asked for, and a key looked for under its parent misses
    // sections written by hand as "[Software/Korvane/Ports]": parse them all now.
    Store.Reader->childGroups();
    Store.Broken = Store.Reader->status() == QSettings::FormatError;
}

// A key exists when it has values or sub-keys.
bool KeyExists(QSettings &Store, const QString &Group)
{
    if (Group.isEmpty())
        return true;
    Store.beginGroup(Group);
    const bool found = !Store.childKeys().isEmpty() || !Store.childGroups().isEmpty();
    Store.endGroup();
    return found;
}

} // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKeyReadOnly(const QString &Key) { return OpenKey(Key, false); }

QString TRegistry::DeniedKey;

bool TRegistry::OpenKey(const QString &Key, bool CanCreate)
{
    CloseKey();
    if (CanCreate && !DeniedKey.isEmpty() && Key.compare(DeniedKey, Qt::CaseInsensitive) == 0)
        return false;
    const QString group = GroupOfKey(Key);
    TSharedStore &store = Shared();
    const std::lock_guard lock(store.Lock);
    Refresh(store);
    if (!store.Usable)
        return false;
    if (!CanCreate) {
        if (!KeyExists(*store.Reader, group))
            return false;
    } else {
        if (store.Broken && !store.BackedUp) {
            if (!BackUpStoreFile())
                return false;
            store.BackedUp = true;
        }
        // Opened while the shared copy is alive, the writer starts from it instead of parsing again.
        auto writer = CreateStore();
        if (!writer->isWritable())
            return false;
        FWriter = std::move(writer);
    }
    FGroup = group;
    FOpen = true;
    return true;
}

bool TRegistry::CloseKey()
{
    if (!FOpen)
        return true;
    bool ok = true;
    if (FWriter && FDirty) {
        const TFileStamp before = StoreStamp();
        FWriter->sync();
        const TFileStamp after = StoreStamp();
        // A file that did not parse whole keeps reporting so; then the rewrite shows in the file.
        const QSettings::Status status = FWriter->status();
        ok = status == QSettings::NoError || (status == QSettings::FormatError && after != before);
        TSharedStore &store = Shared();
        const std::lock_guard lock(store.Lock);
        if (ok && store.Reader) {
            // The shared copy takes the new version without parsing the file again.
            store.Reader->sync();
            store.Stamp = after;
            store.Broken = false;
        } else {
            // Values that did not land must not be read back.
            store.Reader.reset();
        }
    }
    FWriter.reset();
    FGroup.clear();
    FOpen = false;
    FDirty = false;
    return ok;
}

std::optional<QVariant> TRegistry::Value(const QString &Name) const
{
    if (!FOpen)
        return std::nullopt;
    const QString name = FullName(FGroup, Name);
    if (FWriter) {
        if (!FWriter->contains(name))
            return std::nullopt;
        return FWriter->value(name);
    }
    TSharedStore &store = Shared();
    const std::lock_guard lock(store.Lock);
    if (!store.Reader)
        Refresh(store);
    if (!store.Reader || !store.Reader->contains(name))
        return std::nullopt;
    return store.Reader->value(name);
}

bool TRegistry::ValueExists(const QString &Name) const { return Value(Name).has_value(); }

std::optional<qint32> TRegistry::ReadInteger(const QString &Name) const
{
    const std::optional<QVariant> stored = Value(Name);
    if (!stored)
        return std::nullopt;
    bool ok = false;
    const qlonglong value = stored->toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    // A DWORD above 0x7FFFFFFF reads back as the same 32 bits.
    return static_cast<qint32>(static_cast<quint32>(value & 0xFFFFFFFF));
}

std::optional<QString> TRegistry::ReadString(const QString &Name) const
{
    const std::optional<QVariant> stored = Value(Name);
    if (!stored)
        return std::nullopt;
    return stored->toString();
}

QStringList TRegistry::GetValueNames() const
{
    if (!FOpen)
        return {};
    TSharedStore &store = Shared();
    const std::lock_guard lock(store.Lock);
    if (!FWriter && !store.Reader)
        Refresh(store);
    QSettings *settings = FWriter ? FWriter.get() : store.Reader.get();
    if (!settings)
        return {};
    settings->beginGroup(FGroup);
    const QStringList names = settings->childKeys();
    settings->endGroup();
    return names;
}

bool TRegistry::Write(const QString &Name, const QVariant &Value)
{
    if (!FWriter)
        return false;
    const QString name = FullName(FGroup, Name);
    // The same value again changes nothing: the file is not rewritten for it.
    if (FWriter->contains(name) && FWriter->value(name).toString() == Value.toString())
        return true;
    FWriter->setValue(name, Value);
    FDirty = true;
    return true;
}

bool TRegistry::WriteInteger(const QString &Name, qint32 Value) { return Write(Name, Value); }

bool TRegistry::WriteBool(const QString &Name, bool Value) { return WriteInteger(Name, Value ? 1 : 0); }

bool TRegistry::WriteString(const QString &Name, const QString &Value) { return Write(Name, Value); }

bool TRegistry::DeleteValue(const QString &Name)
{
    if (!FWriter)
        return false;
    const QString name = FullName(FGroup, Name);
    if (!FWriter->contains(name))
        return true;
    FWriter->remove(name);
    FDirty = true;
    return true;
}
