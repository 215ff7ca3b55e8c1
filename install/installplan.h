#ifndef INSTALLPLAN_H
#define INSTALLPLAN_H

#include <QString>
#include <QStringList>
#include <QTime>

// Where an installation goes and what its pieces are called: decisions the
// install window takes, kept free of the window so they can be checked alone.
namespace InstallPlan {

// The version text of the delivery's "version" file: quotes dropped, trimmed;
// empty when the text could not be the name of one folder.
QString parseVersion(const QByteArray &content);

// "Ombrix" for the general and Unity editions, otherwise the channel itself.
QString folderWord(const QString &third);
// The folder offered first: PROGRAMFILES, a backslash and the folder word.
QString defaultFolder(const QString &programFiles, const QString &third);

// chosen\sub-folder\version.sszzz; a new one for every installation.
QString versionFolder(const QString &chosen, const QString &third, const QString &productKey, const QString &version,
                      const QTime &time);

// The folder the user once chose, two levels above a previous versioned
// folder; an existing folder is resolved on disk, a vanished one by its text.
QString previousParent(const QString &installDir);

// Qt resource of the banner picture.
QString banner(const QString &third);

// Start-menu folder: the channel's name for channel builds, else "Ombrix".
QString startMenuFolder(const QString &third, const QString &name);
QString startShortcut(bool zh, const QString &name);
QString uninstallShortcut(bool zh, const QString &name);
QString desktopShortcut(const QString &name);

// Bar value while unpacking: from 10 towards 40 as the entries are done.
int extractionProgress(int done, int total);

// Text of the install button once everything is in place.
QString finishText(bool zh, const QString &name);
// The sibling product is offered to Chinese users of the general edition only.
bool offersSibling(const QString &third, bool zh);

// Files that travel beside the installer, copied into the installation folder.
QStringList runtimeFiles();
// The sibling client's 3ds Max plug-in files, removed from its folder.
QStringList siblingPluginFiles();

}

#endif
