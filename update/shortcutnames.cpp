#include "shortcutnames.h"

QString ShortcutNames::start(const QString &name, bool zh)
{
    return (zh ? QStringLiteral("启动") : QStringLiteral("start ")) + name + QStringLiteral(".lnk");
}

QString ShortcutNames::uninstall(const QString &name, bool zh)
{
    return (zh ? QStringLiteral("卸载") : QStringLiteral("uninstall ")) + name + QStringLiteral(".lnk");
}

QString ShortcutNames::desktop(const QString &name)
{
    return name + QStringLiteral(".lnk");
}

QString ShortcutNames::menuFolder(const QString &third, const QString &name)
{
    return !third.isEmpty() && third != QLatin1String("KDRender") ? name : QStringLiteral("Ombrix");
}
