#ifndef ARCHIVE_H
#define ARCHIVE_H

#include <QString>
#include <QStringList>

class QObject;
class QuaZip;

// The installer's own archive operations, on top of QuaZip.
class OmbrixArchive
{
public:
    // Unpacks every entry below `destDir`, setting the notifier's object name
    // to each entry's name once it is written. Entries whose path or link
    // target leaves `destDir` are skipped. On any failure the files written
    // so far are removed and the result is empty.
    static QStringList VPLextractDir(const QString &zipPath, const QString &destDir, QObject *notifier);

    // A new archive at `archivePath` holding `filePath` under its bare name,
    // quickly compressed; `stop` turning true abandons it.
    static bool ombrixCompress(const QString &archivePath, const QString &filePath, const bool &stop);

    // Number of entries, 0 when the archive cannot be read.
    static int entryCount(const QString &zipPath);

private:
    static bool ombrixCompressOneFile(QuaZip *zip, const QString &sourcePath, const QString &entryName, const bool &stop);
};

#endif
