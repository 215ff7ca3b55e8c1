#ifndef CLEANUP_H
#define CLEANUP_H

#include <QByteArray>
#include <QString>

// Removal of a folder that holds the running program itself: a script,
// started detached, removes it after the program has ended.
namespace Cleanup {

// Writes the script to `scriptPath` (replacing any earlier one) and starts
// it detached. After a short pause it removes `folder` with everything in it,
// then itself. Windows runs `windowsBatch`, the batch text made for `folder`;
// elsewhere a shell script of the same effect is written in its place.
// False when the script could not be written or started.
bool removeAfterExit(const QString &scriptPath, const QString &folder, const QByteArray &windowsBatch);

}

#endif
