#pragma once
// What every window shares: the per-value-kind tables, the three message boxes through which
// every warning, error and question reaches the user, the loaders of the program's icons and
// pictures, the hand cursor and the version text. GUI thread only.
#include "charger/ValueToken.h"

#include <QString>

#include <array>
#include <memory>
#include <stdexcept>

class QCursor;
class QFont;
class QIcon;
class QImage;
class QWidget;

inline constexpr int ValueTokenCount = 9;
static_assert(static_cast<int>(vtImpedance) + 1 == ValueTokenCount, "one table cell per value kind");

// Position of Kind in the tables below.
constexpr int ValueTokenIndex(TValueToken Kind) { return static_cast<int>(Kind); }

// Indexed by value kind. Filled from the string table by LoadConstantTables before any window
// exists, emptied by FreeConstantTables; a kind without a text holds the empty string.
extern std::array<QString, ValueTokenCount> ValueTokenNames;
extern std::array<QString, ValueTokenCount> ValueTokenUnits;
// Caption, shortcut text and toolbar hint of each kind's show-line command.
extern std::array<QString, ValueTokenCount> ValueTokenCaptions;
extern std::array<QString, ValueTokenCount> ValueTokenShortcuts;
extern std::array<QString, ValueTokenCount> ValueTokenHints;
// Icon number of each kind's show-line command; -1 for none.
extern const std::array<int, ValueTokenCount> ValueTokenImages;

void LoadConstantTables();
void FreeConstantTables();

// What the message boxes return.
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;

// Modal message boxes owned by Owner (may be null). An empty Caption gives the application
// title. AskOkCancel defaults to Cancel; Escape and the close box answer Cancel as well.
void ShowWarning(QWidget *Owner, const QString &Text, const QString &Caption = {});
// Hands a web or mailto: address to the desktop's default handler; when none takes it, a
// warning owned by Owner names the address. True when it was handed over.
bool OpenAddress(QWidget *Owner, const QString &Address);
void ShowError(QWidget *Owner, const QString &Text, const QString &Caption = {});
int AskOkCancel(QWidget *Owner, const QString &Text, const QString &Caption = {});

// A picture resource that the program does not carry.
class TResourceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Program icon Index; a null icon when the program has none of that number.
QIcon LoadAppIcon(int Index);
// Data resource Id decoded as JPEG or GIF; the caller owns the picture. Null when the bytes do
// not decode; throws TResourceError when the resource is missing.
std::unique_ptr<QImage> LoadResourceJpeg(int Id);
std::unique_ptr<QImage> LoadResourceGif(int Id);

// The windows' font: "宋体" where installed, else the system's CJK font, at 12 pixels.
QFont DialogFont();

// Makes the platform's pointing hand the cursor of links and other clickable text.
void UseSystemHandCursor();
QCursor HandPointCursor();

struct TFileVersion {
    int Major = 0;
    int Minor = 0;
    int Release = 0;
    int Build = 0;
};

// The version block stamped into FileName; false when the file cannot be read or has none.
bool ReadFileVersion(const QString &FileName, TFileVersion &Version);
// "major.minor.release (Build n)" of FileName's version block, or empty without one.
QString FormatFileVersion(const QString &FileName);
// The same for the running program's own file.
QString FormatAppVersion();

// The running program's version text, set once at start-up from FormatAppVersion.
extern QString AppVersionText;
