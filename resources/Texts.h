#pragma once

#include <QString>

// The program's Simplified Chinese string table.
enum class TTextId : int {
    AppTitle,
};

QString LoadStr(TTextId Id);
