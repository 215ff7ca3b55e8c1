#ifndef REMOVALPLAN_H
#define REMOVALPLAN_H

#include <QByteArray>
#include <QString>

// What the removal deletes, decided without touching anything: the names of
// the shortcuts and scripts the product placed, and whether a folder taken
// from the registry is one the installer made.
namespace RemovalPlan {

// Start-menu folder of the shortcuts: the partner's name for a partner
// build, "Ombrix" for the general and the Unity edition.
QString shortcutGroup(const QString &third, const QString &name);

// "启动N.lnk" / "start N.lnk"; empty when `name` is empty or holds a path
// separator, so nothing outside the shortcut folders is ever named.
QString startShortcutName(bool zh, const QString &name);
QString uninstallShortcutName(bool zh, const QString &name);
QString desktopShortcutName(const QString &name);

// The start-up script in one 3ds Max start-up folder; the 2010 to 2012
// releases load the script under another name.
QString maxScriptPath(const QString &startupFolder);

// The plug-in folder below one SketchUp version folder; its loader file is
// this path + ".rb".
QString sketchUpPluginPath(const QString &versionFolder);

// True when `installDir` has the shape the installer makes: an absolute
// versioned folder ("<version>.<sszzz>") inside a product folder named
// "OmbrixVPL" or "Ombrix for Unity", without "." or ".." segments and
// without symbolic links in those two places. Anything else (empty, a drive
// root, Program Files, a home folder) is not the product's to delete.
bool ownsInstallDir(const QString &installDir);

// The folder the clean-up script removes: the parent of `installDir` with
// backslashes, or `installDir` itself when the parent does not exist.
QString productFolder(const QString &installDir);

// False for a path the batch cannot quote: a double quote ends the quoted
// argument and "%" expands a variable.
bool batchCanQuote(const QString &folder);

// The three lines of the Windows clean-up batch in the local 8-bit code page.
QByteArray cleanupBatchText(const QString &productFolder);

// An executable name that is a bare file name; the registry value of that
// name is removed, and an empty name would remove every auto-start value.
bool isBareFileName(const QString &fileName);

}

#endif
