#include "registryplan.h"
#include "xfunc.h"

#include <QJsonObject>
#include <QUrlQuery>

QString RegistryPlan::quotedProgram(const QString &installDir, const QString &program)
{
    return QStringLiteral("\"%1\\%2\"").arg(installDir, program);
}

QString RegistryPlan::autoRunCommand(const QString &installDir, const QString &exe)
{
    return quotedProgram(installDir, exe) + QStringLiteral(" RegAutoRun");
}

RegistryPlan::Values RegistryPlan::uninstallEntry(const Identity &identity, bool zh, const QString &installDir,
                                                  const QString &version, const QString &aboutUrl)
{
    const bool general = identity.third.isEmpty();
    const bool unity = identity.third == QLatin1String("KDRender");
    Values values;
    values.append({ QStringLiteral("DisplayName"), identity.name });
    values.append({ QStringLiteral("UninstallString"), quotedProgram(installDir, QStringLiteral("uninstall.exe")) });
    values.append({ QStringLiteral("installDir"), installDir });
    values.append({ QStringLiteral("DisplayVersion"), version });
    if (general)
        values.append({ QStringLiteral("URLInfoAbout"), aboutUrl });
    if (general || unity)
        values.append({ QStringLiteral("Publisher"), zh ? QStringLiteral("Morvelcorp") : QStringLiteral("Trellisan") });
    values.append({ QStringLiteral("DisplayIcon"), installDir + QLatin1Char('\\') + identity.exe });
    return values;
}

QString RegistryPlan::identityJson(const Identity &identity)
{
    QJsonObject object;
    object.insert(QStringLiteral("exe"), identity.exe);
    object.insert(QStringLiteral("lang"), identity.lang);
    object.insert(QStringLiteral("mark"), identity.mark);
    object.insert(QStringLiteral("name"), identity.name);
    object.insert(QStringLiteral("nameEN"), identity.nameEN);
    object.insert(QStringLiteral("third"), identity.third);
    return XFunc::toJsonString(object);
}

RegistryPlan::Values RegistryPlan::productValues(const Identity &identity, bool zh, const QString &installDir)
{
    return { { QStringLiteral("ThirdPart"), identity.third },
             { QStringLiteral("Language"), zh ? QStringLiteral("zh_cn") : QStringLiteral("en_us") },
             { QStringLiteral("InstallDir"), installDir },
             { QStringLiteral("info"), identityJson(identity) } };
}

QUrl RegistryPlan::channelReportUrl(const QString &host, const QString &mark, const QString &macAddress, const QString &cpu)
{
    QUrl url(QStringLiteral("http://%1/clientChannel/clientChannelInfo").arg(host), QUrl::TolerantMode);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("mark"), mark);
    query.addQueryItem(QStringLiteral("macAddr"), XFunc::escapeUrl(macAddress));
    query.addQueryItem(QStringLiteral("cpu"), XFunc::escapeUrl(cpu));
    url.setQuery(query);
    return url;
}
