#include "uninstallmachine.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSettings>
#include <QThread>

#include <csignal>

Edition Edition::general(const QString &lang)
{
    return { QString(), lang, QStringLiteral("欧布渲染"), QStringLiteral("Ombrix Render"), QStringLiteral("OmbrixVPL.exe") };
}

Edition Edition::partner()
{
    return { QStringLiteral("MRARender"), QStringLiteral("zh_cn"), QStringLiteral("Mra云渲染"), QStringLiteral("Mra Cloud"),
             QStringLiteral("MraRender.exe") };
}

Edition Edition::unity()
{
    return { QStringLiteral("KDRender"), QStringLiteral("zh_cn"), QStringLiteral("欧布Unity"), QStringLiteral("Ombrix Unity"),
             QStringLiteral("OmbrixKD.exe") };
}

QString Edition::productKey() const
{
    return isUnity() ? QStringLiteral("OmbrixKD") : QStringLiteral("OmbrixVPL");
}

QStringList Edition::deliveryArguments() const
{
    return { QStringLiteral("--third"), third, QStringLiteral("--name"), name, QStringLiteral("--name-en"), nameEN,
             QStringLiteral("--exe"), exe, QStringLiteral("--lang"), lang, QStringLiteral("--mark"), QStringLiteral("m07"),
             QStringLiteral("--version"), QStringLiteral("2.0.1") };
}

QString Edition::subFolder() const
{
    return isUnity() ? QStringLiteral("Ombrix for Unity") : QStringLiteral("OmbrixVPL");
}

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

}

UninstallMachine::UninstallMachine(const Edition &edition, const VirtualDisplay &display, const TestServer &server)
    : edition(edition)
    , display(display)
    , server(server)
{
    box.useDisplay(display.name());
    log.open();

    // Things of other programs that must outlive the product's removal.
    reg({ QStringLiteral("add"), QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"), QStringLiteral("/v"),
          QStringLiteral("Other.exe"), QStringLiteral("/d"), QStringLiteral("C:\\Other\\Other.exe"), QStringLiteral("/f") });
    reg({ QStringLiteral("add"), QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherApp"),
          QStringLiteral("/v"), QStringLiteral("DisplayName"), QStringLiteral("/d"), QStringLiteral("Other"), QStringLiteral("/f") });
    reg({ QStringLiteral("add"), QStringLiteral("HKCU\\Software\\Norvane\\OtherProduct\\Settings"), QStringLiteral("/v"),
          QStringLiteral("Language"), QStringLiteral("/d"), QStringLiteral("zh_cn"), QStringLiteral("/f") });
    writeFile(box.desktop() + QStringLiteral("/Other.lnk"), "other");
    writeFile(box.startMenu() + QStringLiteral("/Other/start Other.lnk"), "other");
    writeFile(box.programFiles() + QStringLiteral("/Other/Other.exe"), "other");
}

UninstallMachine::~UninstallMachine()
{
    if (uninstaller.state() != QProcess::NotRunning) {
        uninstaller.kill();
        uninstaller.waitForFinished(5000);
    }
    // The installer starts the client detached; end it by its id.
    for (qint64 pid : clientPids())
        ::kill(pid_t(pid), SIGKILL);
}

QList<qint64> UninstallMachine::clientPids() const
{
    QList<qint64> pids;
    QFile record(box.standinLog());
    if (!record.open(QIODevice::ReadOnly))
        return pids;
    for (const QByteArray &line : record.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        // A "unitydel" run ends at once; only a plain start keeps running.
        if (fields.size() >= 3 && fields.at(2).isEmpty() && fields.at(1).toLongLong() > 0)
            pids << fields.at(1).toLongLong();
    }
    return pids;
}

bool UninstallMachine::clientRunning() const
{
    const QList<qint64> pids = clientPids();
    for (qint64 pid : pids) {
        // An ended process nobody has reaped yet still has its entry.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z "))
            return true;
    }
    return false;
}

void UninstallMachine::reg(const QStringList &arguments)
{
    bool ok = false;
    const QString out = box.reg(arguments, &ok);
    if (!ok)
        qWarning() << "reg" << arguments << out;
}

QString UninstallMachine::windowsPath(QString path) const
{
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString UninstallMachine::productFolder() const
{
    return QFileInfo(installFolder).absolutePath();
}

bool UninstallMachine::makeDelivery()
{
    const QString client = box.path(QStringLiteral("client"));
    if (!QDir().mkpath(client) || !QFile::copy(TestPaths::bin(QStringLiteral("standin")), client + QStringLiteral("/OmbrixVPL.exe")))
        return false;
    writeFile(client + QStringLiteral("/plugins/render.dat"), "client data");
    writeFile(client + QStringLiteral("/.settings"), "hidden");
    // The updater is not this test's concern; a stand-in fills its place.
    const QString updater = QFileInfo::exists(TestPaths::bin(QStringLiteral("update"))) ? TestPaths::bin(QStringLiteral("update"))
                                                                                          : TestPaths::bin(QStringLiteral("standin"));
    QByteArray out;
    const int status = box.run(QStringLiteral("/usr/bin/python3"),
                               QStringList { TestPaths::source(QStringLiteral("tools/makedelivery.py")), QStringLiteral("--client"), client,
                                             QStringLiteral("--out"), box.path(QStringLiteral("delivery")), QStringLiteral("--bin"),
                                             TestPaths::bin(QString()), QStringLiteral("--updater"), updater, QStringLiteral("--bs"),
                                             server.base(), QStringLiteral("--channel-host"), server.host() }
                                   + edition.deliveryArguments(),
                               60000, &out);
    if (status != 0)
        qWarning() << "makedelivery:" << out;
    return status == 0;
}

bool UninstallMachine::install()
{
    if (!makeDelivery())
        return false;
    const int reports = server.requestsTo(QStringLiteral("/clientChannel/clientChannelInfo")).size();
    QProcess installer;
    installer.setProcessEnvironment(box.environment());
    installer.setWorkingDirectory(box.path(QStringLiteral("delivery")));
    installer.setProcessChannelMode(QProcess::MergedChannels);
    installer.start(box.path(QStringLiteral("delivery/install")), QStringList());
    if (!installer.waitForStarted(10000))
        return false;
    const QString window = display.waitForWindow(installer.processId(), QStringLiteral("Widget"), 60000);
    const QPoint installButton(293, 293);
    if (window.isEmpty() || !display.click(window, installButton.x(), installButton.y()))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (server.requestsTo(QStringLiteral("/clientChannel/clientChannelInfo")).size() == reports) {
        if (clock.elapsed() > 120000)
            return false;
        QThread::msleep(100);
    }
    QThread::msleep(300);
    // The same button finishes and starts the client.
    display.click(window, installButton.x(), installButton.y());
    if (!installer.waitForFinished(60000) || installer.exitCode() != 0) {
        qWarning() << "installer:" << installer.readAll();
        return false;
    }
    clock.restart();
    while (clientPids().isEmpty() && clock.elapsed() < 30000)
        QThread::msleep(50);
    const QString registered = box.regValue(QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + edition.productKey(),
                                            QStringLiteral("installDir"));
    installFolder = QString(registered).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return !installFolder.isEmpty() && QFile::exists(installFolder + QStringLiteral("/uninstall.exe")) && !clientPids().isEmpty();
}

QStringList UninstallMachine::shortcuts() const
{
    const QString name = edition.shownName();
    const QString group = !edition.third.isEmpty() && !edition.isUnity() ? name : QStringLiteral("Ombrix");
    const QString menu = QStringLiteral("home/.local/share/applications/") + group + QLatin1Char('/');
    if (edition.zh())
        return { menu + QStringLiteral("启动") + name + QStringLiteral(".lnk"), menu + QStringLiteral("卸载") + name + QStringLiteral(".lnk"),
                 QStringLiteral("home/Desktop/") + name + QStringLiteral(".lnk") };
    return { menu + QStringLiteral("start ") + name + QStringLiteral(".lnk"), menu + QStringLiteral("uninstall ") + name + QStringLiteral(".lnk"),
             QStringLiteral("home/Desktop/") + name + QStringLiteral(".lnk") };
}

void UninstallMachine::placeClientPlugins()
{
    struct Max {
        const char *product;
        const char *version;
        const char *folder;
    };
    const Max installs[] = {
        { "3dsMax", "16.0", "3ds Max 2014" },
        { "3dsMax", "14.0\\MAX-1:409", "3ds Max 2012" },
        { "3dsMaxDesign", "15.0", "3ds Max Design 2013" },
    };
    for (const Max &max : installs) {
        const QString folder = box.programFiles() + QStringLiteral("/Autodesk/") + QLatin1String(max.folder);
        for (const char *script : { "ombrixMenu.ms", "o_ombrixMenu.ms", "otherMenu.ms" })
            writeFile(folder + QStringLiteral("/scripts/Startup/") + QLatin1String(script), "script");
        reg({ QStringLiteral("add"), QStringLiteral("HKLM\\SOFTWARE\\Autodesk\\%1\\%2").arg(QLatin1String(max.product), QLatin1String(max.version)),
              QStringLiteral("/v"), QStringLiteral("Installdir"), QStringLiteral("/d"), windowsPath(folder) + QLatin1Char('\\'),
              QStringLiteral("/reg:64"), QStringLiteral("/f") });
    }
    const QString plugins = box.appData() + QStringLiteral("/SketchUp/SketchUp 2019/SketchUp/Plugins");
    writeFile(plugins + QStringLiteral("/Ombrix_VPL.rb"), "loader");
    writeFile(plugins + QStringLiteral("/Ombrix_VPL/menu.rb"), "plugin");
    writeFile(plugins + QStringLiteral("/Ombrix_VPL/icons/o.png"), "icon");
    writeFile(plugins + QStringLiteral("/Other.rb"), "other");
}

QStringList UninstallMachine::removedPluginFiles() const
{
    return { QStringLiteral("programfiles/Autodesk/3ds Max 2014/scripts/Startup/ombrixMenu.ms"),
             QStringLiteral("programfiles/Autodesk/3ds Max 2012/scripts/Startup/o_ombrixMenu.ms"),
             QStringLiteral("programfiles/Autodesk/3ds Max Design 2013/scripts/Startup/ombrixMenu.ms"),
             QStringLiteral("appdata/SketchUp/SketchUp 2019/SketchUp/Plugins/Ombrix_VPL"),
             QStringLiteral("appdata/SketchUp/SketchUp 2019/SketchUp/Plugins/Ombrix_VPL.rb") };
}

QString UninstallMachine::tree() const
{
    // The registry is compared as values, the client's record separately;
    // the temporary and runtime folders belong to the running programs.
    // The installation media are no part of the machine either.
    return without(Sandbox::tree(box.root()), { QStringLiteral("registry"), QStringLiteral("tmp"), QStringLiteral("runtime"),
                                                QStringLiteral("standin.log"), QStringLiteral("delivery"), QStringLiteral("client") });
}

QString UninstallMachine::hives() const
{
    QStringList lines;
    const QStringList files = QDir(box.registry()).entryList({ QStringLiteral("*.ini") }, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        QSettings hive(box.registry() + QLatin1Char('/') + file, QSettings::IniFormat);
        hive.setIniCodec("UTF-8");
        const QStringList keys = hive.allKeys();
        for (const QString &key : keys)
            lines << file + QLatin1Char('|') + key + QLatin1Char('=') + hive.value(key).toString();
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

bool UninstallMachine::startUninstaller(const QString &title)
{
    uninstaller.setProcessEnvironment(box.environment());
    uninstaller.setProcessChannelMode(QProcess::MergedChannels);
    uninstaller.setStandardOutputFile(log.fileName());
    uninstaller.start(installFolder + QStringLiteral("/uninstall.exe"), QStringList());
    if (!uninstaller.waitForStarted(10000))
        return false;
    windowId = display.waitForWindow(uninstaller.processId(), title, 60000);
    return !windowId.isEmpty();
}

bool UninstallMachine::click(const QPoint &at) const
{
    return display.click(windowId, at.x(), at.y());
}

QProcess *UninstallMachine::startMax()
{
    const QString max = box.path(QStringLiteral("autodesk/3dsmax.exe"));
    QDir().mkpath(QFileInfo(max).absolutePath());
    QFile::copy(QStringLiteral("/bin/sleep"), max);
    return box.start(max, { QStringLiteral("300") });
}

QString UninstallMachine::shot(const QString &name)
{
    QDir().mkpath(QStringLiteral("shots"));
    return QDir::current().absoluteFilePath(QStringLiteral("shots/") + name + QStringLiteral(".png"));
}

bool UninstallMachine::type(const QString &text) const
{
    bool ok = false;
    display.xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text }, &ok);
    QThread::msleep(100);
    return ok;
}

bool UninstallMachine::screenshot(const QString &file) const
{
    return display.screenshot(windowId, file);
}

QColor UninstallMachine::colorAt(const QPoint &at) const
{
    QTemporaryFile picture(QDir::tempPath() + QStringLiteral("/shot-XXXXXX.png"));
    if (!picture.open() || !display.screenshot(windowId, picture.fileName()))
        return QColor();
    const QImage image(picture.fileName());
    return image.valid(at) ? image.pixelColor(at) : QColor();
}

bool UninstallMachine::waitForFinishView(int timeoutMs) const
{
    const QColor button(0x16, 0x7e, 0xf1);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (colorAt(At::finish) == button)
            return true;
        QThread::msleep(100);
    }
    return false;
}

int UninstallMachine::waitForExit(int timeoutMs)
{
    if (!uninstaller.waitForFinished(timeoutMs))
        return -1;
    return uninstaller.exitStatus() == QProcess::NormalExit ? uninstaller.exitCode() : -1;
}

QString UninstallMachine::output() const
{
    QFile file(log.fileName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool UninstallMachine::waitUntilGone(const QString &path, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QString UninstallMachine::without(const QString &before, const QStringList &paths)
{
    QStringList kept;
    for (const QString &line : before.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // "dir PATH", "file PATH SIZE" (no size for a socket) or "link PATH -> TARGET".
        QString path = line.section(QLatin1Char(' '), 1);
        static const QRegularExpression size(QStringLiteral(" [0-9]+$"));
        if (line.startsWith(QLatin1String("file ")))
            path.remove(size);
        else if (line.startsWith(QLatin1String("link ")))
            path = path.section(QStringLiteral(" -> "), 0, 0);
        bool drop = false;
        for (const QString &gone : paths)
            drop = drop || path == gone || path.startsWith(gone + QLatin1Char('/'));
        if (!drop)
            kept << line;
    }
    return kept.join(QLatin1Char('\n'));
}
