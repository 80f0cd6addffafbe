#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

// One open key of the settings store, in the manner of the Windows registry under
// HKEY_LOCAL_MACHINE. Each access creates its own TRegistry, opens one key and closes it
// before returning; nothing stays open between operations. On Windows the native registry
// is used, elsewhere an INI file in the user's config folder with the same key paths.
// Reads share one parsed copy of the file for as long as the file is unchanged, so many small
// reads of a large file parse it once. A settings path that is not a regular file (a FIFO,
// a folder, a device) is never opened: it reads as missing and cannot be written.
class TRegistry
{
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    // Key is a path such as "\Software\Korvane\Ports". A read-only open fails when the key
    // has neither values nor sub-keys; an open with CanCreate fails only when the store cannot
    // be written.
    bool OpenKey(const QString &Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString &Key);
    // Writes what is pending, in one rewrite of the file; false when it could not be written.
    bool CloseKey();

    bool ValueExists(const QString &Name) const;
    std::optional<qint32> ReadInteger(const QString &Name) const;
    std::optional<QString> ReadString(const QString &Name) const;
    QStringList GetValueNames() const;

    // Writes are held until CloseKey; false when the key is not open for writing. Writing the
    // value that is already stored, or deleting one that is not, leaves the file alone.
    bool WriteInteger(const QString &Name, qint32 Value);
    bool WriteBool(const QString &Name, bool Value);
    bool WriteString(const QString &Name, const QString &Value);
    bool DeleteValue(const QString &Name);

    // A key that may not be written, as a registry key without write access; tests set it.
    static QString DeniedKey;

private:
    std::optional<QVariant> Value(const QString &Name) const;
    bool Write(const QString &Name, const QVariant &Value);

    QString FGroup;
    bool FOpen = false;
    bool FDirty = false;
    // Only while the key is open for writing; reads of a read-only key use the shared copy.
    std::unique_ptr<QSettings> FWriter;
};
