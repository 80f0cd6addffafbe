#include "Texts.h"

QString LoadStr(TTextId Id)
{
    switch (Id) {
    case TTextId::AppTitle:
        return QStringLiteral("Korvane 联机应用程序");
    }
    return {};
}
