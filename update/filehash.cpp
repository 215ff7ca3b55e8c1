#include "filehash.h"
#include "platform/filesystem.h"

#include <QCryptographicHash>
#include <QFile>

QString fileHash(const QString &path)
{
    QFile file(FileSystem::nativePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    char piece[4096];
    for (;;) {
        const qint64 got = file.read(piece, sizeof piece);
        if (got < 0)
            return QString();
        if (got == 0)
            break;
        hash.addData(piece, int(got));
    }
    return QString::fromLatin1(hash.result().toHex());
}
