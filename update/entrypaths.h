#ifndef ENTRYPATHS_H
#define ENTRYPATHS_H

#include <QString>

// Local places of a release file, formed by plain concatenation: a run of
// separators is left as it is, the file functions read it as one.
namespace EntryPaths {

// The server folder from its first "/" on, or the whole of it without "/".
QString subDir(const QString &path);
QString localPath(const QString &updateRoot, const QString &subDir, const QString &localName);
// The file a download is written to before it is verified.
QString downloadPath(const QString &localPath);
// The name an installed file is moved to when it cannot be deleted.
QString setAsidePath(const QString &localPath, qint64 msecsSinceEpoch);
// Leftovers of either kind end in this.
QString leftoverPattern();

}

#endif
