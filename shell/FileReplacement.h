#pragma once
// Writing a file that may replace an earlier one. The new content goes to a temporary file
// first, so a failure leaves the earlier file as it was; an earlier file keeps its owner, group,
// mode and hard links. Only regular files are ever replaced: a FIFO, a device node, a socket or a
// folder at the target is refused, as it is no earlier saving of ours.
#include <functional>

class QIODevice;
class QString;

// True when something of any kind carries the name, a dangling symbolic link too.
bool FileTargetExists(const QString &FileName);

// Writes what Content puts into the device it is given; Content may be called more than once
// and must write the same each time. False when nothing was replaced.
bool ReplaceFile(const QString &FileName, const std::function<bool(QIODevice &)> &Content);
