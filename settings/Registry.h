#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QSettings;

// One open key of the settings store, in the manner of the Windows registry under
// HKEY_LOCAL_MACHINE. Each access creates its own TRegistry, opens one key and closes it
// before returning; nothing stays open between operations. On Windows the native registry
// is used, elsewhere an INI file in the user's config folder with the same key paths.
class TRegistry
{
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    // Key is a path such as "\Software\Korvane\Ports". A read-only open fails when the key
    // does not exist; an open with CanCreate fails only when the store cannot be written.
    bool OpenKey(const QString &Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString &Key);
    // Writes what is pending; false when the store could not be written.
    bool CloseKey();

    bool ValueExists(const QString &Name) const;
    std::optional<qint32> ReadInteger(const QString &Name) const;
    std::optional<QString> ReadString(const QString &Name) const;
    QStringList GetValueNames() const;

    // Each write reaches the store at once; false when it could not be written.
    bool WriteInteger(const QString &Name, qint32 Value);
    bool WriteBool(const QString &Name, bool Value);
    bool WriteString(const QString &Name, const QString &Value);
    bool DeleteValue(const QString &Name);

    // A key that may not be written, as a registry key without write access; tests set it.
    static QString DeniedKey;

private:
    bool Commit();

    std::unique_ptr<QSettings> FStore;
    bool FWritable = false;
};
