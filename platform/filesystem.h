#ifndef FILESYSTEM_H
#define FILESYSTEM_H

#include <QString>

// The file-system boundary. The programs build Windows-style paths (that is
// what the registry holds); every file operation goes through nativePath().
namespace FileSystem {

// The path as the file functions of this platform take it: on POSIX a
// backslash is a separator, so no name with a backslash is ever created.
QString nativePath(const QString &path);

// Removes a file or link. Fails, as on Windows, for the executable image of
// a running process, which can only be renamed.
bool removeFile(const QString &path);

// A shortcut at `linkPath` that opens `target`.
bool createLink(const QString &target, const QString &linkPath);

// "icacls FOLDER /grant EveryOne:F /t": opens the tree to every user.
void grantEveryone(const QString &folder, int timeoutMs = 30000);

}

#endif
