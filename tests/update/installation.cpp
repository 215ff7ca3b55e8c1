#include "installation.h"
#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

Installation::Installation(Sandbox &sandbox, const Identity &identity, const QString &version)
    : sandbox(sandbox)
    , identity(identity)
    , version(version)
    , root(sandbox.programFiles() + QStringLiteral("/Ombrix/OmbrixVPL/") + version + QStringLiteral(".01234"))
{
}

QString Installation::windowsFolder() const
{
    QString folder = root;
    return folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString Installation::uninstallKey() const
{
    return QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL");
}

QString Installation::settingsKey() const
{
    return QStringLiteral("HKCU\\Software\\Norvane\\OmbrixVPL\\Settings");
}

QString Installation::shownName() const
{
    return identity.lang == QLatin1String("en_us") ? identity.nameEN : identity.name;
}

bool Installation::seed(const QMap<QString, QByteArray> &clientFiles, const QString &host, const QString &hostEn)
{
    if (!QDir().mkpath(root) || !QFile::copy(TestPaths::bin(QStringLiteral("update")), updater()))
        return false;
    for (auto it = clientFiles.cbegin(); it != clientFiles.cend(); ++it) {
        const QString file = path(it.key());
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size())
            return false;
        out.close();
        if (it.key().endsWith(QLatin1String(".exe")))
            out.setPermissions(out.permissions() | QFile::ExeOwner);
    }
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(QColor(3, 224, 175));
    if (!icon.save(path(QStringLiteral("OB.ico")), "ICO"))
        return false;
    QSettings service(path(QStringLiteral("service.ini")), QSettings::IniFormat);
    service.setValue(QStringLiteral("server/updateHost"), host);
    service.setValue(QStringLiteral("server/updateHostEn"), hostEn);
    service.sync();
    writeShortcuts();
    return writeRegistry();
}

bool Installation::writeRegistry()
{
    const QString folder = windowsFolder();
    const QJsonObject info { { "exe", identity.exe }, { "lang", identity.lang }, { "mark", QString() }, { "name", identity.name },
                             { "nameEN", identity.nameEN }, { "third", identity.third } };
    const QList<QStringList> values {
        { uninstallKey(), "DisplayName", shownName() },
        { uninstallKey(), "UninstallString", QLatin1Char('"') + folder + QStringLiteral("\\uninstall.exe\"") },
        { uninstallKey(), "installDir", folder },
        { uninstallKey(), "DisplayVersion", version },
        { uninstallKey(), "DisplayIcon", folder + QLatin1Char('\\') + identity.exe },
        { settingsKey(), "ThirdPart", identity.third },
        { settingsKey(), "Language", identity.lang },
        { settingsKey(), "InstallDir", folder },
        { settingsKey(), "info", QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact)) },
    };
    for (const QStringList &value : values) {
        bool ok = false;
        sandbox.reg({ QStringLiteral("add"), value.at(0), QStringLiteral("/v"), value.at(1), QStringLiteral("/d"), value.at(2), QStringLiteral("/f") }, &ok);
        if (!ok)
            return false;
    }
    return true;
}

void Installation::writeShortcuts()
{
    const bool zh = identity.lang != QLatin1String("en_us");
    const QString name = shownName();
    const QString menu = sandbox.startMenu() + QLatin1Char('/')
        + (!identity.third.isEmpty() && identity.third != QLatin1String("KDRender") ? name : QStringLiteral("Ombrix"));
    QDir().mkpath(menu);
    QFile::link(path(identity.exe), menu + QLatin1Char('/') + (zh ? QStringLiteral("启动") : QStringLiteral("start ")) + name + QStringLiteral(".lnk"));
    QFile::link(path(QStringLiteral("uninstall.exe")),
                menu + QLatin1Char('/') + (zh ? QStringLiteral("卸载") : QStringLiteral("uninstall ")) + name + QStringLiteral(".lnk"));
    QFile::link(path(identity.exe), sandbox.desktop() + QLatin1Char('/') + name + QStringLiteral(".lnk"));
}
