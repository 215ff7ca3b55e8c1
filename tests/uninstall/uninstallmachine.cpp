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

Edition Edition::general(const QString &lang)
{
    return { QString(), lang, QStringLiteral("欧布渲染"), QStringLiteral("Ombrix Render") };
}

Edition Edition::partner()
{
    return { QStringLiteral("MRARender"), QStringLiteral("zh_cn"), QStringLiteral("Mra云渲染"), QStringLiteral("Mra Cloud"),
             QStringLiteral("MraRender.exe") };
}

Edition Edition::unity()
{
    return { QStringLiteral("KDRender"), QStringLiteral("zh_cn"), QStringLiteral("欧布Unity"), QStringLiteral("Ombrix Unity") };
}

QString Edition::productKey() const
{
    return isUnity() ? QStringLiteral("OmbrixKD") : QStringLiteral("OmbrixVPL");
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

UninstallMachine::UninstallMachine(const Edition &edition, const VirtualDisplay &display, const QString &serverBase)
    : edition(edition)
    , display(display)
    , serverBase(serverBase)
{
    box.useDisplay(display.name());
    log.open();
    installFolder = box.programFiles() + QStringLiteral("/Ombrix/%1/2.0.1.07042").arg(edition.subFolder());

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

bool UninstallMachine::install()
{
    const QString dir = installFolder;
    const QString win = windowsPath(dir);
    const QString exePath = win + QLatin1Char('\\') + edition.exe;
    if (!QDir().mkpath(dir + QStringLiteral("/plugins")) || !QFile::copy(TestPaths::bin(QStringLiteral("uninstall")), dir + QStringLiteral("/uninstall.exe"))
        || !QFile::copy(TestPaths::bin(QStringLiteral("standin")), dir + QLatin1Char('/') + edition.exe))
        return false;
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(QColor(230, 120, 20));
    icon.save(dir + QStringLiteral("/OB.ico"), "ICO");
    writeFile(dir + QStringLiteral("/service.ini"), "[server]\nbs=" + serverBase.toUtf8() + "\n");
    writeFile(dir + QStringLiteral("/Qt5Core.dll"), "runtime");
    writeFile(dir + QStringLiteral("/plugins/render.dat"), "client data");
    writeFile(dir + QStringLiteral("/.settings"), "hidden");
    writeFile(box.appData() + QLatin1Char('/') + edition.productKey() + QStringLiteral("/AllUser/SPCache"), "cache");

    const QString uninstallKey = QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + edition.productKey();
    QList<QPair<QString, QString>> entry {
        { QStringLiteral("DisplayName"), edition.shownName() },
        { QStringLiteral("UninstallString"), QStringLiteral("\"%1\\uninstall.exe\"").arg(win) },
        { QStringLiteral("installDir"), win },
        { QStringLiteral("DisplayVersion"), QStringLiteral("2.0.1") },
    };
    if (edition.third.isEmpty())
        entry.append({ QStringLiteral("URLInfoAbout"), QStringLiteral("http://www.ombrix.example") });
    if (edition.third.isEmpty() || edition.isUnity())
        entry.append({ QStringLiteral("Publisher"), edition.zh() ? QStringLiteral("Morvelcorp") : QStringLiteral("Trellisan") });
    entry.append({ QStringLiteral("DisplayIcon"), exePath });
    for (const auto &value : entry)
        reg({ QStringLiteral("add"), uninstallKey, QStringLiteral("/v"), value.first, QStringLiteral("/d"), value.second, QStringLiteral("/f") });
    reg({ QStringLiteral("add"), QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"), QStringLiteral("/v"), edition.exe,
          QStringLiteral("/d"), QStringLiteral("\"%1\" RegAutoRun").arg(exePath), QStringLiteral("/f") });

    const QString settingsKey = QStringLiteral("HKCU\\Software\\Norvane\\%1\\Settings").arg(edition.productKey());
    const QString info = QStringLiteral(R"({"exe":"%1","lang":"%2","mark":"m07","name":"%3","nameEN":"%4","third":"%5"})")
                             .arg(edition.exe, edition.lang, edition.shownName(), edition.nameEN, edition.third);
    const QList<QPair<QString, QString>> settings {
        { QStringLiteral("ThirdPart"), edition.third },
        { QStringLiteral("Language"), edition.zh() ? QStringLiteral("zh_cn") : QStringLiteral("en_us") },
        { QStringLiteral("InstallDir"), win },
        { QStringLiteral("info"), info },
    };
    for (const auto &value : settings)
        reg({ QStringLiteral("add"), settingsKey, QStringLiteral("/v"), value.first, QStringLiteral("/d"), value.second, QStringLiteral("/f") });

    const QStringList links = shortcuts();
    const QStringList targets { dir + QLatin1Char('/') + edition.exe, dir + QStringLiteral("/uninstall.exe"), dir + QLatin1Char('/') + edition.exe };
    for (int i = 0; i < links.size(); ++i) {
        QDir().mkpath(QFileInfo(box.path(links.at(i))).absolutePath());
        if (!QFile::link(targets.at(i), box.path(links.at(i))))
            return false;
    }
    return true;
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
    return without(Sandbox::tree(box.root()),
                   { QStringLiteral("registry"), QStringLiteral("tmp"), QStringLiteral("runtime"), QStringLiteral("standin.log") });
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

QProcess *UninstallMachine::startClient()
{
    QProcess *client = box.start(installFolder + QLatin1Char('/') + edition.exe);
    QElapsedTimer clock;
    clock.start();
    while (box.standinStarts().isEmpty() && clock.elapsed() < 5000)
        QThread::msleep(20);
    return client;
}

bool UninstallMachine::startUninstaller(const QString &title)
{
    uninstaller.setProcessEnvironment(box.environment());
    uninstaller.setProcessChannelMode(QProcess::MergedChannels);
    uninstaller.setStandardOutputFile(log.fileName());
    uninstaller.start(installFolder + QStringLiteral("/uninstall.exe"), QStringList());
    if (!uninstaller.waitForStarted(10000))
        return false;
    windowId = display.waitForWindow(uninstaller.processId(), title);
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
