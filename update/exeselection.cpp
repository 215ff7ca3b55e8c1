#include "exeselection.h"

namespace {

const char GenericExe[] = "OmbrixVPL.exe";

bool selects(const QString &updateVersion)
{
    return QString::compare(updateVersion, QLatin1String("5.1.9.1")) > 0;
}

bool isCandidate(const QString &name)
{
    return name == QLatin1String(GenericExe)
        || (name.startsWith(QLatin1String("OB-")) && name.endsWith(QLatin1String(".exe")));
}

}

QString ExeSelection::ownExeName(const QString &third)
{
    if (third.isEmpty())
        return QStringLiteral("OB-X.exe");
    QString channel = third;
    channel.remove(QStringLiteral("Render"));
    return QStringLiteral("OB-%1.exe").arg(channel);
}

bool ExeSelection::keeps(const QString &name, const QString &updateVersion, const QString &third)
{
    return !selects(updateVersion) || !isCandidate(name) || name == ownExeName(third);
}

QString ExeSelection::localName(const QString &name, const QString &updateVersion)
{
    return selects(updateVersion) && isCandidate(name) ? QString::fromLatin1(GenericExe) : name;
}
