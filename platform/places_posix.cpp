#include "places.h"

#include <QStandardPaths>

QString Places::programFiles()
{
    const QString folder = qEnvironmentVariable("PROGRAMFILES");
    return folder.isEmpty() ? QStringLiteral("/opt") : folder;
}

QString Places::systemRoot()
{
    const QString drive = qEnvironmentVariable("SystemDrive");
    return drive.isEmpty() ? QStringLiteral("/") : drive + QLatin1Char('/');
}

QString Places::shellFolderDefault(const QString &valueName)
{
    if (valueName != QLatin1String("AppData"))
        return QString();
    const QString appData = qEnvironmentVariable("APPDATA");
    return appData.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : appData;
}
