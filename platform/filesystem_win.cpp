#include "filesystem.h"

#include <QFile>
#include <QProcess>

QString FileSystem::nativePath(const QString &path)
{
    return path;
}

bool FileSystem::removeFile(const QString &path)
{
    return QFile::remove(path);
}

bool FileSystem::createLink(const QString &target, const QString &linkPath)
{
    return QFile::link(target, linkPath);
}

void FileSystem::grantEveryone(const QString &folder, int timeoutMs)
{
    QProcess icacls;
    icacls.start(QStringLiteral("icacls"), { folder, QStringLiteral("/grant"), QStringLiteral("EveryOne:F"), QStringLiteral("/t") });
    icacls.waitForFinished(timeoutMs);
}
