#include "releasefiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

QByteArray ReleaseFiles::content(const QString &seed, int size)
{
    QByteArray bytes;
    bytes.reserve(size);
    QByteArray block = QCryptographicHash::hash(seed.toUtf8(), QCryptographicHash::Sha1);
    while (bytes.size() < size) {
        bytes += block;
        block = QCryptographicHash::hash(block, QCryptographicHash::Sha1);
    }
    bytes.truncate(size);
    return bytes;
}

bool ReleaseFiles::write(const QString &root, const QMap<QString, QByteArray> &files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = root + QLatin1Char('/') + it.key();
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}

namespace {

QStringList filesBelow(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext())
        found.append(base.relativeFilePath(it.next()));
    found.sort();
    return found;
}

bool isLeftover(const QString &path)
{
    return path.endsWith(QLatin1String("_OB_DELETE"));
}

}

QString ReleaseFiles::digests(const QString &root, bool withLeftovers)
{
    QStringList lines;
    for (const QString &relative : filesBelow(root)) {
        if (!withLeftovers && isLeftover(relative))
            continue;
        QFile file(root + QLatin1Char('/') + relative);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(&file);
        lines.append(relative + QLatin1Char(' ') + QString::fromLatin1(hash.result().toHex()));
    }
    return lines.join(QLatin1Char('\n'));
}

QString ReleaseFiles::leftovers(const QString &root)
{
    QStringList lines;
    for (QString relative : filesBelow(root)) {
        if (isLeftover(relative))
            lines.append(relative.replace(QRegularExpression(QStringLiteral("\\d{13}_OB_DELETE$")), QStringLiteral("<ms>_OB_DELETE")));
    }
    return lines.join(QLatin1Char('\n'));
}
