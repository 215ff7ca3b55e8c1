#ifndef SHORTCUTNAMES_H
#define SHORTCUTNAMES_H

#include <QString>

// Names of the shortcuts the installer made and the updater renews.
namespace ShortcutNames {

QString start(const QString &name, bool zh);
QString uninstall(const QString &name, bool zh);
QString desktop(const QString &name);
// The Start-menu folder: the display name for channel builds, "Ombrix"
// for the general and the Unity edition.
QString menuFolder(const QString &third, const QString &name);

}

#endif
