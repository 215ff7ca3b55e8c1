#include "places.h"

#include <QDir>

QString Places::programFiles()
{
    return qEnvironmentVariable("PROGRAMFILES");
}

QString Places::systemRoot()
{
    return QDir::rootPath();
}

QString Places::shellFolderDefault(const QString &)
{
    // The registry always has the shell folders on Windows.
    return QString();
}
