// Arbitrary bytes as the delivery's files.zip, unpacked by the installer's
// own extraction into a folder nested in a scratch tree. Afterwards nothing
// may exist beside that folder, and nothing inside it may point out of it.
#include "archive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool inside(const QString &root, const QString &path)
{
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

// Every entry of the scratch tree, links not followed, must be the archive,
// the folders leading to the destination, or lie inside the destination and
// resolve there.
void checkScratch(const QString &scratch, const QString &archive, const QString &dest)
{
    const QString canonicalDest = QFileInfo(dest).canonicalFilePath();
    QDirIterator it(scratch, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == archive || (dest + QLatin1Char('/')).startsWith(path + QLatin1Char('/')))
            continue;
        const QFileInfo info(path);
        const QString resolved = info.isSymLink() ? info.canonicalFilePath() : path;
        if (!inside(dest, path) || (info.isSymLink() && !resolved.isEmpty() && !inside(canonicalDest, resolved))) {
            fprintf(stderr, "escaped: %s\n", qPrintable(path));
            abort();
        }
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir scratch;
    const QString archive = scratch.filePath(QStringLiteral("files.zip"));
    const QString dest = QFileInfo(scratch.path()).canonicalFilePath() + QStringLiteral("/a/b/dest");
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        abort();
    file.close();
    QDir().mkpath(dest);
    QObject notifier;
    const QStringList extracted = OmbrixArchive::VPLextractDir(archive, dest, &notifier);
    for (const QString &path : extracted) {
        if (!inside(dest, QDir::cleanPath(path)))
            abort();
    }
    checkScratch(QFileInfo(scratch.path()).canonicalFilePath(), QFileInfo(archive).canonicalFilePath(), dest);
    QDir(scratch.filePath(QStringLiteral("a"))).removeRecursively();
    return 0;
}
