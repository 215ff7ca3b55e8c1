#include "identity.h"
#include "xfunc.h"

#include <QJsonObject>
#include <QSettings>
#include <QTextCodec>

Identity Identity::fromIni(const QString &path)
{
    QSettings ini(path, QSettings::IniFormat);
    ini.setIniCodec(QTextCodec::codecForName("GB2312"));
    Identity identity;
    identity.exe = ini.value(QStringLiteral("info/exe")).toString();
    identity.name = ini.value(QStringLiteral("info/name")).toString();
    identity.nameEN = ini.value(QStringLiteral("info/nameEN")).toString();
    identity.third = ini.value(QStringLiteral("info/third")).toString();
    identity.mark = ini.value(QStringLiteral("info/mark")).toString();
    identity.lang = ini.value(QStringLiteral("info/lang")).toString();
    return identity;
}

Identity Identity::fromJson(const QString &text)
{
    const QJsonObject info = XFunc::toJsonObject(text);
    Identity identity;
    identity.third = info.value(QLatin1String("third")).toString();
    identity.name = info.value(QLatin1String("name")).toString();
    identity.nameEN = info.value(QLatin1String("nameEN")).toString();
    identity.exe = info.value(QLatin1String("exe")).toString();
    identity.mark = info.value(QLatin1String("mark")).toString();
    identity.lang = info.value(QLatin1String("lang")).toString();
    return identity;
}
