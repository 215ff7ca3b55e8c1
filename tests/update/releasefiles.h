#ifndef RELEASEFILES_H
#define RELEASEFILES_H

#include <QByteArray>
#include <QMap>
#include <QString>

// Folder trees of release files for the updater tests.
namespace ReleaseFiles {

// Content of a test file: `size` bytes that differ with `seed`.
QByteArray content(const QString &seed, int size);
// Writes every "relative/path" -> bytes below `root`, making folders.
bool write(const QString &root, const QMap<QString, QByteArray> &files);
// Every file below `root` as sorted lines "relative/path sha1"; leftovers of
// an update ("*_OB_DELETE") only with `withLeftovers`.
QString digests(const QString &root, bool withLeftovers = false);
// The leftover files below `root`, relative, sorted, set-aside time removed.
QString leftovers(const QString &root);

}

#endif
