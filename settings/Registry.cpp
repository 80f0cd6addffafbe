#include "Registry.h"

#include <QSettings>

#include <limits>

namespace {

QString GroupOfKey(const QString &Key)
{
    QString group = Key;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.startsWith(QLatin1Char('/')))
        group.remove(0, 1);
    return group;
}

std::unique_ptr<QSettings> CreateStore()
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE"), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Korvane"),
                                       QStringLiteral("Korvane"));
#endif
}

bool KeyExists(QSettings &Store, const QString &Group)
{
    if (Group.isEmpty())
        return true;
    const int slash = Group.lastIndexOf(QLatin1Char('/'));
    const QString parent = slash < 0 ? QString() : Group.left(slash);
    const QString leaf = Group.mid(slash + 1);
    Store.beginGroup(parent);
    const bool found = Store.childGroups().contains(leaf, Qt::CaseInsensitive);
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
    auto store = CreateStore();
    const QString group = GroupOfKey(Key);
    if (!CanCreate && !KeyExists(*store, group))
        return false;
    if (CanCreate && !store->isWritable())
        return false;
    store->beginGroup(group);
    FStore = std::move(store);
    FWritable = CanCreate;
    return true;
}

bool TRegistry::CloseKey()
{
    if (!FStore)
        return true;
    bool ok = true;
    if (FWritable)
        ok = Commit();
    FStore.reset();
    FWritable = false;
    return ok;
}

bool TRegistry::Commit()
{
    FStore->sync();
    return FStore->status() == QSettings::NoError;
}

bool TRegistry::ValueExists(const QString &Name) const { return FStore && FStore->contains(Name); }

std::optional<qint32> TRegistry::ReadInteger(const QString &Name) const
{
    if (!ValueExists(Name))
        return std::nullopt;
    bool ok = false;
    const qlonglong value = FStore->value(Name).toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    // A DWORD above 0x7FFFFFFF reads back as the same 32 bits.
    return static_cast<qint32>(static_cast<quint32>(value & 0xFFFFFFFF));
}

std::optional<QString> TRegistry::ReadString(const QString &Name) const
{
    if (!ValueExists(Name))
        return std::nullopt;
    return FStore->value(Name).toString();
}

QStringList TRegistry::GetValueNames() const { return FStore ? FStore->childKeys() : QStringList(); }

bool TRegistry::WriteInteger(const QString &Name, qint32 Value)
{
    if (!FStore || !FWritable)
        return false;
    FStore->setValue(Name, Value);
    return Commit();
}

bool TRegistry::WriteBool(const QString &Name, bool Value) { return WriteInteger(Name, Value ? 1 : 0); }

bool TRegistry::WriteString(const QString &Name, const QString &Value)
{
    if (!FStore || !FWritable)
        return false;
    FStore->setValue(Name, Value);
    return Commit();
}

bool TRegistry::DeleteValue(const QString &Name)
{
    if (!FStore || !FWritable)
        return false;
    FStore->remove(Name);
    return Commit();
}
