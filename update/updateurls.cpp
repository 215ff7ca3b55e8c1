#include "updateurls.h"

QString UpdateUrls::manifest(const QString &host, const QString &version, const QString &third)
{
    QString url = QStringLiteral("http://") + host + QStringLiteral("/getVersionFile.htm?version=") + version;
    if (third == QLatin1String("MRARender"))
        url += QStringLiteral("&client=mra");
    else if (third == QLatin1String("KDRender"))
        url += QStringLiteral("&client=u3d");
    return url;
}

QString UpdateUrls::stream(const QString &prefix)
{
    return prefix + QStringLiteral("getVersionStream.htm");
}

QString UpdateUrls::download(const QString &streamUrl, const QString &path, const QString &name, const QString &version)
{
    return streamUrl + QStringLiteral("?path=files/") + path + QLatin1Char('/') + name + QStringLiteral("&version=") + version;
}
