#include "registry.h"

#include <QDir>
#include <QStandardPaths>

// Each hive and view is one INI file; QSettings locks and merges on sync, so
// two programs writing one hive at once keep both their values.
namespace {

enum class Hive { Machine32, Machine64, User, None };

QString hiveFolder(Hive hive)
{
    const QString root = qEnvironmentVariable("OMBRIX_REGISTRY_DIR");
    if (!root.isEmpty())
        return root;
    if (hive == Hive::User)
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/ombrix/registry");
    return QStringLiteral("/var/lib/ombrix/registry");
}

QString hiveFile(Hive hive)
{
    static const char *const names[] = { "HKEY_LOCAL_MACHINE.ini", "HKEY_LOCAL_MACHINE_64.ini", "HKEY_CURRENT_USER.ini" };
    const QString folder = hiveFolder(hive);
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + QLatin1String(names[int(hive)]);
}

// Splits "HKEY_LOCAL_MACHINE\\Software\\X" into its hive and "Software/X".
Hive splitKey(const QString &keyPath, QString *group)
{
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const int slash = path.indexOf(QLatin1Char('/'));
    const QString root = (slash < 0 ? path : path.left(slash)).toUpper();
    *group = slash < 0 ? QString() : path.mid(slash + 1);
    if (root == QLatin1String("HKEY_LOCAL_MACHINE") || root == QLatin1String("HKLM"))
        return Hive::Machine32;
    if (root == QLatin1String("HKEY_CURRENT_USER") || root == QLatin1String("HKCU"))
        return Hive::User;
    return Hive::None;
}

QSettings *openHive(Hive hive, const QString &group, QObject *parent)
{
    auto *settings = new QSettings(hiveFile(hive), QSettings::IniFormat, parent);
    settings->setIniCodec("UTF-8");
    if (!group.isEmpty())
        settings->beginGroup(group);
    return settings;
}

}

QSettings *Registry::openKey(const QString &keyPath, QObject *parent)
{
    QString group;
    Hive hive = splitKey(keyPath, &group);
    if (hive == Hive::None) {
        // An unknown root still gets a handle, on a hive nothing else reads.
        return new QSettings(QString(), QSettings::IniFormat, parent);
    }
    return openHive(hive, group, parent);
}

QSettings *Registry::openMachine64Key(const QString &key, QObject *parent)
{
    QString group;
    splitKey(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key, &group);
    return openHive(Hive::Machine64, group, parent);
}

QString Registry::readMachine64(const QString &key, const QString &valueName, long *closeStatus)
{
    if (closeStatus)
        *closeStatus = 0;
    QScopedPointer<QSettings> settings(openMachine64Key(key));
    const QString text = settings->value(valueName).toString();
    // Windows fills a 1024-byte buffer: 511 code units and the NUL.
    if (text.size() > 511)
        return QString();
    const int nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

