#ifndef INSTALLATION_H
#define INSTALLATION_H

#include <QByteArray>
#include <QMap>
#include <QString>

class Sandbox;

// An installation in a sandbox as the installer leaves it: the versioned
// folder below <PROGRAMFILES>\Ombrix\OmbrixVPL with the updater as
// update.exe, OB.ico, service.ini and the client files, the uninstall entry,
// the product settings with the identity, and the shortcuts.
class Installation
{
public:
    struct Identity {
        QString third;
        QString name;
        QString nameEN;
        QString exe;
        QString lang;
    };

    Installation(Sandbox &sandbox, const Identity &identity, const QString &version = QStringLiteral("5.1.0.0"));

    // Lays everything down; the update servers are `host` and `hostEn`.
    bool seed(const QMap<QString, QByteArray> &clientFiles, const QString &host, const QString &hostEn);

    QString folder() const { return root; }
    QString path(const QString &relative) const { return root + QLatin1Char('/') + relative; }
    // The folder as the registry holds it.
    QString windowsFolder() const;
    QString updater() const { return path(QStringLiteral("update.exe")); }
    QString uninstallKey() const;
    QString settingsKey() const;
    // The name windows and shortcuts use in this identity's language.
    QString shownName() const;

private:
    bool writeRegistry();
    void writeShortcuts();

    Sandbox &sandbox;
    Identity identity;
    QString version;
    QString root;
};

#endif
