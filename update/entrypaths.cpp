#include "entrypaths.h"

QString EntryPaths::subDir(const QString &path)
{
    const int slash = path.indexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash);
}

QString EntryPaths::localPath(const QString &updateRoot, const QString &subDir, const QString &localName)
{
    return updateRoot + QLatin1Char('/') + subDir + QLatin1Char('/') + localName;
}

QString EntryPaths::downloadPath(const QString &localPath)
{
    return localPath + QStringLiteral("_DOWN_OB_DELETE");
}

QString EntryPaths::setAsidePath(const QString &localPath, qint64 msecsSinceEpoch)
{
    return localPath + QString::number(msecsSinceEpoch) + QStringLiteral("_OB_DELETE");
}

QString EntryPaths::leftoverPattern()
{
    return QStringLiteral("*_OB_DELETE");
}
