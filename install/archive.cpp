#include "archive.h"
#include "platform/filesystem.h"

#include <JlCompress.h>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <quazipnewinfo.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QVector>

namespace {

struct Link {
    QString name;
    QString path;
    QString target;
};

QString folderPrefix(const QString &root)
{
    return root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
}

bool isInside(const QString &root, const QString &cleanPath)
{
    return cleanPath == root || cleanPath.startsWith(folderPrefix(root));
}

// Absolute, drive-letter and backslash forms all count: the same archive
// is unpacked on Windows, where each of them leaves the folder.
bool isRooted(const QString &path)
{
    return path.startsWith(QLatin1Char('/')) || (path.size() >= 2 && path.at(1) == QLatin1Char(':'));
}

// Where an entry lands below `root`; empty when it would land elsewhere.
QString entryPath(const QString &root, QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (isRooted(name))
        return QString();
    const QString clean = QDir::cleanPath(folderPrefix(root) + name);
    if (clean == root || !isInside(root, clean))
        return QString();
    return name.endsWith(QLatin1Char('/')) ? clean + QLatin1Char('/') : clean;
}

// Undoes an extraction: files first, then the folders entries made, once
// empty. Every path is tried, whatever became of the one before.
void removeExtracted(const QStringList &paths)
{
    for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
        if (it->endsWith(QLatin1Char('/')))
            QDir().rmdir(*it);
        else
            QFile::remove(*it);
    }
}

QString readLinkTarget(QuaZip &zip)
{
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::ReadOnly))
        return QString();
    return QFile::decodeName(entry.readAll()).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// Links are made after every file, so no entry is written through one, and
// each is kept only when it resolves, on disk, to a place inside `root`.
bool makeLink(const QString &root, const Link &link)
{
    if (link.target.isEmpty() || isRooted(link.target))
        return false;
    const QString folder = QFileInfo(link.path).absolutePath();
    if (!isInside(root, QDir::cleanPath(folder + QLatin1Char('/') + link.target)))
        return false;
    if (!QDir().mkpath(folder) || !QFile::link(link.target, link.path))
        return false;
    const QString resolved = QFileInfo(link.path).canonicalFilePath();
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (resolved.isEmpty() || !isInside(canonicalRoot, resolved)) {
        QFile::remove(link.path);
        return false;
    }
    return true;
}

}

QStringList OmbrixArchive::VPLextractDir(const QString &zipPath, const QString &destDir, QObject *notifier)
{
    QuaZip zip(FileSystem::nativePath(zipPath));
    if (!zip.open(QuaZip::mdUnzip))
        return QStringList();
    const QString root = QDir::cleanPath(QDir(FileSystem::nativePath(destDir)).absolutePath());
    QStringList extracted;
    QVector<Link> links;
    if (!zip.goToFirstFile())
        return QStringList();
    do {
        const QString name = zip.getCurrentFileName();
        const QString path = entryPath(root, name);
        if (path.isEmpty()) {
            qDebug() << "skipped" << name;
            continue;
        }
        QuaZipFileInfo64 info;
        if (zip.getCurrentFileInfo(&info) && info.isSymbolicLink()) {
            links.append({ name, path, readLinkTarget(zip) });
            continue;
        }
        if (!JlCompress::extractFile(&zip, QString(), path)) {
            qDebug() << "failed" << name;
            removeExtracted(extracted);
            return QStringList();
        }
        extracted.append(path);
        notifier->setObjectName(name);
    } while (zip.goToNextFile());

    for (const Link &link : qAsConst(links)) {
        if (!makeLink(root, link)) {
            qDebug() << "skipped link" << link.name << link.target;
            continue;
        }
        extracted.append(link.path);
        notifier->setObjectName(link.name);
    }

    zip.close();
    if (zip.getZipError() != UNZ_OK) {
        removeExtracted(extracted);
        return QStringList();
    }
    return extracted;
}

int OmbrixArchive::entryCount(const QString &zipPath)
{
    QuaZip zip(FileSystem::nativePath(zipPath));
    if (!zip.open(QuaZip::mdUnzip))
        return 0;
    return qMax(0, zip.getEntriesCount());
}

bool OmbrixArchive::ombrixCompress(const QString &archivePath, const QString &filePath, const bool &stop)
{
    const QString archive = FileSystem::nativePath(archivePath);
    const QString file = FileSystem::nativePath(filePath);
    QuaZip zip(archive);
    QDir().mkpath(QFileInfo(archive).absolutePath());
    if (!zip.open(QuaZip::mdCreate)) {
        QFile::remove(archive);
        return false;
    }
    if (!QFileInfo::exists(file) || !ombrixCompressOneFile(&zip, file, QFileInfo(file).fileName(), stop)) {
        zip.close();
        QFile::remove(archive);
        return false;
    }
    zip.close();
    if (zip.getZipError() != 0) {
        QFile::remove(archive);
        return false;
    }
    return true;
}

bool OmbrixArchive::ombrixCompressOneFile(QuaZip *zip, const QString &sourcePath, const QString &entryName, const bool &stop)
{
    if (!zip || (zip->getMode() != QuaZip::mdCreate && zip->getMode() != QuaZip::mdAppend && zip->getMode() != QuaZip::mdAdd))
        return false;
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    QuaZipFile entry(zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(entryName, sourcePath), nullptr, 0, Z_DEFLATED, 1, false, -15, 8,
                    Z_DEFAULT_STRATEGY))
        return false;
    char chunk[4096];
    while (!source.atEnd()) {
        const qint64 read = source.read(chunk, sizeof chunk);
        if (read <= 0 || entry.write(chunk, read) != read || stop)
            return false;
    }
    if (entry.getZipError() != UNZ_OK)
        return false;
    entry.close();
    if (entry.getZipError() != UNZ_OK)
        return false;
    source.close();
    return true;
}
