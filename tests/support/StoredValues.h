#pragma once
// Reading the settings store back as the program left it.
#include "settings/Registry.h"

#include <optional>

// The integer Name under Key; none when the key or the value is missing.
inline std::optional<qint32> Stored(const QString &Key, const QString &Name)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(Key))
        return std::nullopt;
    return registry.ReadInteger(Name);
}
