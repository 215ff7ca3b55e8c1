// The real installer in a sandbox, on its own X display, clicked as a person
// would, with a loopback operations server receiving its report.

#include "sandbox.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

namespace {

// Window-relative click points of the install window and the message box.
const QPoint InstallButton(293, 293);
const QPoint ParaButton(530, 364);
const QPoint StartMenuBox(146, 481);
const QPoint AutoRunBox(321, 481);
const QPoint QuestionOk(265, 170);
const QPoint QuestionCancel(338, 170);
const QPoint InformationOk(338, 170);
const QPoint BoxClose(379, 22);

const char ChannelPath[] = "/clientChannel/clientChannelInfo";
const char UninstallKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char RunKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char ProductKey[] = "HKCU\\Software\\Norvane\\%1\\Settings";

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(100);
    }
    return true;
}

// Files with their permission bits, links with their targets; the
// installation's folder names end in the time of day, written as SSZZZ.
QString listing(const QString &folder, const QString &root)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString line = base.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            line = QStringLiteral("link ") + line + QStringLiteral(" -> ") + QFile::symLinkTarget(info.filePath());
        } else if (info.isDir()) {
            line = QStringLiteral("dir ") + line;
        } else {
            struct stat st;
            ::stat(QFile::encodeName(info.filePath()).constData(), &st);
            line = QStringLiteral("file %1 %2").arg(line).arg(st.st_mode & 0777, 0, 8);
        }
        lines.append(line);
    }
    lines.sort();
    QString text = lines.join(QLatin1Char('\n'));
    text.replace(root, QStringLiteral("SB"));
    text.replace(QRegularExpression(QStringLiteral("(\\d+\\.\\d+\\.\\d+)\\.\\d{5}")), QStringLiteral("\\1.SSZZZ"));
    return text;
}

}

class TestInstaller : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstInstallation_data();
    void firstInstallation();
    void reinstallation_data();
    void reinstallation();
    void refusals_data();
    void refusals();
    void renameRefused();
    void badDelivery_data();
    void badDelivery();

private:
    void makeDelivery(const QStringList &identity);
    QProcess *startInstaller();
    QString waitForWindow(const QString &title);
    void click(const QString &window, const QPoint &point);
    void shoot(const QString &window, const QString &state);
    bool waitForReport();
    void finishAndExit(QProcess *installer);
    QString registry(const QString &productKey);
    QString placed(const QString &productKey);
    void setRegistry(const QString &key, const QString &name, const QString &data);
    QString normalized(QString text) const;

    QScopedPointer<VirtualDisplay> display;
    QScopedPointer<Sandbox> sandbox;
    QScopedPointer<TestServer> server;
    QString delivery;
    QProcess *installer = nullptr;
    QByteArray output;
};

void TestInstaller::initTestCase()
{
    failOnUnboundSlots();
    display.reset(new VirtualDisplay);
    QVERIFY2(display->isValid(), "Xvfb did not start");
    QDir().mkpath(TestPaths::bin(QStringLiteral("../screenshots/install")));
}

void TestInstaller::init()
{
    sandbox.reset(new Sandbox);
    QVERIFY(sandbox->isValid());
    sandbox->useDisplay(display->name());
    server.reset(new TestServer);
    QVERIFY(server->isValid());
    delivery = sandbox->path(QStringLiteral("delivery"));
    installer = nullptr;
    output.clear();
}

void TestInstaller::cleanup()
{
    // The clients the installer started run detached; end them by their id.
    QFile log(sandbox->standinLog());
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : log.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() >= 2 && fields.at(1).toLongLong() > 0)
                ::kill(pid_t(fields.at(1).toLongLong()), SIGKILL);
        }
    }
    if (installer) {
        installer->kill();
        installer->waitForFinished(5000);
        delete installer;
        installer = nullptr;
    }
    server.reset();
    sandbox.reset();
}

void TestInstaller::makeDelivery(const QStringList &identity)
{
    const QString client = sandbox->path(QStringLiteral("client"));
    QVERIFY(QDir().mkpath(client + QStringLiteral("/plugins")));
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("standin")), client + QStringLiteral("/OmbrixVPL.exe")));
    QFile readme(client + QStringLiteral("/plugins/readme.txt"));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.write("plug-ins\n");
    readme.close();

    auto program = [](const QString &name) {
        const QString built = TestPaths::bin(name);
        return QFileInfo::exists(built) ? built : TestPaths::bin(QStringLiteral("standin"));
    };
    QByteArray out;
    const int status = sandbox->run(QStringLiteral("/usr/bin/python3"),
                                    QStringList { TestPaths::source(QStringLiteral("tools/makedelivery.py")), QStringLiteral("--client"),
                                                  client, QStringLiteral("--out"), delivery, QStringLiteral("--bin"), TestPaths::bin(QString()),
                                                  QStringLiteral("--uninstaller"), program(QStringLiteral("uninstall")),
                                                  QStringLiteral("--updater"), program(QStringLiteral("update")),
                                                  QStringLiteral("--channel-host"), server->host() }
                                        + identity,
                                    60000, &out);
    QVERIFY2(status == 0, out.constData());
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("standin")), delivery + QStringLiteral("/FBsetup.exe")));
}

QProcess *TestInstaller::startInstaller()
{
    installer = new QProcess;
    installer->setProcessEnvironment(sandbox->environment());
    installer->setWorkingDirectory(delivery);
    installer->setProcessChannelMode(QProcess::MergedChannels);
    installer->start(delivery + QStringLiteral("/install"), QStringList());
    installer->waitForStarted(10000);
    return installer;
}

QString TestInstaller::waitForWindow(const QString &title)
{
    const QString window = display->waitForWindow(installer->processId(), title, 120000);
    if (window.isEmpty())
        qWarning() << "no window" << title << "installer state" << installer->state() << "exit code" << installer->exitCode()
                   << installer->readAll();
    return window;
}

void TestInstaller::click(const QString &window, const QPoint &point)
{
    QVERIFY(display->click(window, point.x(), point.y()));
}

void TestInstaller::shoot(const QString &window, const QString &state)
{
    QString name = QStringLiteral("%1-%2-%3").arg(QLatin1String(QTest::currentTestFunction()),
                                                   QLatin1String(QTest::currentDataTag()), state);
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9-]+")), QStringLiteral("_"));
    display->screenshot(window, TestPaths::bin(QStringLiteral("../screenshots/install/%1.png").arg(name)));
}

bool TestInstaller::waitForReport()
{
    return waitUntil([this] { return !server->requestsTo(QLatin1String(ChannelPath)).isEmpty(); }, 120000);
}

void TestInstaller::finishAndExit(QProcess *process)
{
    QVERIFY(process->waitForFinished(60000));
    output = process->readAll();
    QCOMPARE(process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process->exitCode(), 0);
    QVERIFY2(!output.contains("No matching signal"), output.constData());
}

QString TestInstaller::normalized(QString text) const
{
    text.replace(sandbox->root(), QStringLiteral("SB"));
    QString backslashed = sandbox->root();
    backslashed.replace(QLatin1Char('/'), QLatin1Char('\\'));
    text.replace(backslashed, QStringLiteral("SB"));
    text.replace(QRegularExpression(QStringLiteral("(\\d+\\.\\d+\\.\\d+)\\.\\d{5}")), QStringLiteral("\\1.SSZZZ"));
    return text.trimmed();
}

QString TestInstaller::registry(const QString &productKey)
{
    QString text;
    for (const QString &key : { QStringLiteral("%1\\%2").arg(QLatin1String(UninstallKey), productKey), QString::fromLatin1(RunKey),
                                QString::fromLatin1(ProductKey).arg(productKey) })
        text += sandbox->reg({ QStringLiteral("query"), key });
    return normalized(text);
}

// Everything an installation leaves on the machine besides the registry.
QString TestInstaller::placed(const QString &productKey)
{
    return QStringLiteral("[program files]\n%1\n[app data]\n%2\n[start menu]\n%3\n[desktop]\n%4")
        .arg(listing(sandbox->programFiles(), sandbox->root()), listing(sandbox->appData() + QLatin1Char('/') + productKey, sandbox->root()),
             listing(sandbox->startMenu(), sandbox->root()), listing(sandbox->desktop(), sandbox->root()));
}

void TestInstaller::setRegistry(const QString &key, const QString &name, const QString &data)
{
    bool ok = false;
    sandbox->reg({ QStringLiteral("add"), key, QStringLiteral("/v"), name, QStringLiteral("/d"), data, QStringLiteral("/f") }, &ok);
    QVERIFY(ok);
}

void TestInstaller::firstInstallation_data()
{
    QTest::addColumn<QStringList>("identity");
    QTest::addColumn<bool>("uncheckOptions");
    QTest::addColumn<QString>("productKey");
    QTest::addColumn<QString>("placed");
    QTest::addColumn<QString>("registry");
    QTest::addColumn<QStringList>("starts");

    const QString files = QStringLiteral(
        "file %1/OB.ico 666\nfile %1/%2 777\nfile %1/Qt5Core.dll 666\nfile %1/Qt5Gui.dll 666\nfile %1/Qt5Widgets.dll 666\n"
        "file %1/icudt52.dll 666\nfile %1/icuin52.dll 666\nfile %1/icuuc52.dll 666\nfile %1/msvcp100.dll 666\nfile %1/msvcr100.dll 666\n"
        "dir %1/plugins\nfile %1/plugins/readme.txt 666\nfile %1/service.ini 666\nfile %1/uninstall.exe 777\nfile %1/update.exe 777");
    auto tree = [&](const QString &chosen, const QString &sub, const QString &exe) {
        QString folders = QStringLiteral("dir %1\ndir %1/%2\ndir %1/%2/2.0.1.SSZZZ\n").arg(chosen, sub);
        QStringList lines = (folders + files.arg(chosen + QLatin1Char('/') + sub + QStringLiteral("/2.0.1.SSZZZ"), exe)).split(QLatin1Char('\n'));
        lines.sort();
        return lines.join(QLatin1Char('\n'));
    };
    const QString appData = QStringLiteral("[app data]\ndir AllUser\nfile AllUser/SPCache 644\n");

    QTest::newRow("general edition, Chinese")
        << QStringList { "--mark", "M01" } << false << "OmbrixVPL"
        << "[program files]\n" + tree("Ombrix", "OmbrixVPL", "OmbrixVPL.exe") + "\n" + appData
               + "[start menu]\ndir Ombrix\n"
                 "link Ombrix/卸载Ombrix云渲染.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/uninstall.exe\n"
                 "link Ombrix/启动Ombrix云渲染.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/OmbrixVPL.exe\n"
                 "[desktop]\nlink Ombrix云渲染.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/OmbrixVPL.exe"
        << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL\n"
           "    DisplayIcon    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\OmbrixVPL.exe\n"
           "    DisplayName    REG_SZ    Ombrix云渲染\n"
           "    DisplayVersion    REG_SZ    2.0.1\n"
           "    Publisher    REG_SZ    Morvelcorp\n"
           "    URLInfoAbout    REG_SZ    http://www.ombrix.example\n"
           "    UninstallString    REG_SZ    \"SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\uninstall.exe\"\n"
           "    installDir    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\n\n\n"
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
           "    OmbrixVPL.exe    REG_SZ    \"SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\OmbrixVPL.exe\" RegAutoRun\n\n\n"
           "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings\n"
           "    InstallDir    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\n"
           "    Language    REG_SZ    zh_cn\n"
           "    ThirdPart    REG_SZ    \n"
           "    info    REG_SZ    {\"exe\":\"OmbrixVPL.exe\",\"lang\":\"zh_cn\",\"mark\":\"M01\",\"name\":\"Ombrix云渲染\",\"nameEN\":\"Ombrix Cloud Render\",\"third\":\"\"}"
        << QStringList { "OmbrixVPL.exe\t", "FBsetup.exe\t/sp-\t/silent" };

    QTest::newRow("general edition, English")
        << QStringList { "--lang", "en_us" } << false << "OmbrixVPL"
        << "[program files]\n" + tree("Ombrix", "OmbrixVPL", "OmbrixVPL.exe") + "\n" + appData
               + "[start menu]\ndir Ombrix\n"
                 "link Ombrix/start Ombrix Cloud Render.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/OmbrixVPL.exe\n"
                 "link Ombrix/uninstall Ombrix Cloud Render.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/uninstall.exe\n"
                 "[desktop]\nlink Ombrix Cloud Render.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/OmbrixVPL.exe"
        << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL\n"
           "    DisplayIcon    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\OmbrixVPL.exe\n"
           "    DisplayName    REG_SZ    Ombrix Cloud Render\n"
           "    DisplayVersion    REG_SZ    2.0.1\n"
           "    Publisher    REG_SZ    Trellisan\n"
           "    URLInfoAbout    REG_SZ    http://www.ombrix.example\n"
           "    UninstallString    REG_SZ    \"SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\uninstall.exe\"\n"
           "    installDir    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\n\n\n"
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
           "    OmbrixVPL.exe    REG_SZ    \"SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\OmbrixVPL.exe\" RegAutoRun\n\n\n"
           "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings\n"
           "    InstallDir    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\n"
           "    Language    REG_SZ    en_us\n"
           "    ThirdPart    REG_SZ    \n"
           "    info    REG_SZ    {\"exe\":\"OmbrixVPL.exe\",\"lang\":\"en_us\",\"mark\":\"\",\"name\":\"Ombrix Cloud Render\",\"nameEN\":\"Ombrix Cloud Render\",\"third\":\"\"}"
        << QStringList { "OmbrixVPL.exe\t" };

    QTest::newRow("channel build, Chinese")
        << QStringList { "--third", "MRARender", "--name", "渠道云渲染", "--name-en", "MRA Render", "--exe", "MRARender.exe", "--mark", "MRA01" }
        << false << "OmbrixVPL"
        << "[program files]\n" + tree("MRARender", "OmbrixVPL", "MRARender.exe") + "\n" + appData
               + "[start menu]\ndir 渠道云渲染\n"
                 "link 渠道云渲染/卸载渠道云渲染.lnk -> SB/programfiles/MRARender/OmbrixVPL/2.0.1.SSZZZ/uninstall.exe\n"
                 "link 渠道云渲染/启动渠道云渲染.lnk -> SB/programfiles/MRARender/OmbrixVPL/2.0.1.SSZZZ/MRARender.exe\n"
                 "[desktop]\nlink 渠道云渲染.lnk -> SB/programfiles/MRARender/OmbrixVPL/2.0.1.SSZZZ/MRARender.exe"
        << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL\n"
           "    DisplayIcon    REG_SZ    SB/programfiles\\MRARender\\OmbrixVPL\\2.0.1.SSZZZ\\MRARender.exe\n"
           "    DisplayName    REG_SZ    渠道云渲染\n"
           "    DisplayVersion    REG_SZ    2.0.1\n"
           "    UninstallString    REG_SZ    \"SB/programfiles\\MRARender\\OmbrixVPL\\2.0.1.SSZZZ\\uninstall.exe\"\n"
           "    installDir    REG_SZ    SB/programfiles\\MRARender\\OmbrixVPL\\2.0.1.SSZZZ\n\n\n"
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
           "    MRARender.exe    REG_SZ    \"SB/programfiles\\MRARender\\OmbrixVPL\\2.0.1.SSZZZ\\MRARender.exe\" RegAutoRun\n\n\n"
           "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings\n"
           "    InstallDir    REG_SZ    SB/programfiles\\MRARender\\OmbrixVPL\\2.0.1.SSZZZ\n"
           "    Language    REG_SZ    zh_cn\n"
           "    ThirdPart    REG_SZ    MRARender\n"
           "    info    REG_SZ    {\"exe\":\"MRARender.exe\",\"lang\":\"zh_cn\",\"mark\":\"MRA01\",\"name\":\"渠道云渲染\",\"nameEN\":\"MRA Render\",\"third\":\"MRARender\"}"
        << QStringList { "MRARender.exe\t" };

    QTest::newRow("NPZ channel, English")
        << QStringList { "--third", "NPZRender", "--name", "NPZ渲染", "--name-en", "NPZ Render", "--exe", "NPZ.exe", "--lang", "en_us" }
        << false << "OmbrixVPL"
        << "[program files]\n" + tree("NPZRender", "OmbrixVPL", "NPZ.exe") + "\n" + appData
               + "[start menu]\ndir NPZ Render\n"
                 "link NPZ Render/start NPZ Render.lnk -> SB/programfiles/NPZRender/OmbrixVPL/2.0.1.SSZZZ/NPZ.exe\n"
                 "link NPZ Render/uninstall NPZ Render.lnk -> SB/programfiles/NPZRender/OmbrixVPL/2.0.1.SSZZZ/uninstall.exe\n"
                 "[desktop]\nlink NPZ Render.lnk -> SB/programfiles/NPZRender/OmbrixVPL/2.0.1.SSZZZ/NPZ.exe"
        << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL\n"
           "    DisplayIcon    REG_SZ    SB/programfiles\\NPZRender\\OmbrixVPL\\2.0.1.SSZZZ\\NPZ.exe\n"
           "    DisplayName    REG_SZ    NPZ Render\n"
           "    DisplayVersion    REG_SZ    2.0.1\n"
           "    UninstallString    REG_SZ    \"SB/programfiles\\NPZRender\\OmbrixVPL\\2.0.1.SSZZZ\\uninstall.exe\"\n"
           "    installDir    REG_SZ    SB/programfiles\\NPZRender\\OmbrixVPL\\2.0.1.SSZZZ\n\n\n"
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
           "    NPZ.exe    REG_SZ    \"SB/programfiles\\NPZRender\\OmbrixVPL\\2.0.1.SSZZZ\\NPZ.exe\" RegAutoRun\n\n\n"
           "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings\n"
           "    InstallDir    REG_SZ    SB/programfiles\\NPZRender\\OmbrixVPL\\2.0.1.SSZZZ\n"
           "    Language    REG_SZ    en_us\n"
           "    ThirdPart    REG_SZ    NPZRender\n"
           "    info    REG_SZ    {\"exe\":\"NPZ.exe\",\"lang\":\"en_us\",\"mark\":\"\",\"name\":\"NPZ Render\",\"nameEN\":\"NPZ Render\",\"third\":\"NPZRender\"}"
        << QStringList { "NPZ.exe\t" };

    QTest::newRow("Unity edition")
        << QStringList { "--third", "KDRender", "--name", "Ombrix Unity版", "--name-en", "Ombrix for Unity", "--exe", "OmbrixKD.exe" }
        << false << "OmbrixKD"
        << "[program files]\n" + tree("Ombrix", "Ombrix for Unity", "OmbrixKD.exe") + "\n" + appData
               + "[start menu]\ndir Ombrix\n"
                 "link Ombrix/卸载Ombrix Unity版.lnk -> SB/programfiles/Ombrix/Ombrix for Unity/2.0.1.SSZZZ/uninstall.exe\n"
                 "link Ombrix/启动Ombrix Unity版.lnk -> SB/programfiles/Ombrix/Ombrix for Unity/2.0.1.SSZZZ/OmbrixKD.exe\n"
                 "[desktop]\nlink Ombrix Unity版.lnk -> SB/programfiles/Ombrix/Ombrix for Unity/2.0.1.SSZZZ/OmbrixKD.exe"
        << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixKD\n"
           "    DisplayIcon    REG_SZ    SB/programfiles\\Ombrix\\Ombrix for Unity\\2.0.1.SSZZZ\\OmbrixKD.exe\n"
           "    DisplayName    REG_SZ    Ombrix Unity版\n"
           "    DisplayVersion    REG_SZ    2.0.1\n"
           "    Publisher    REG_SZ    Morvelcorp\n"
           "    UninstallString    REG_SZ    \"SB/programfiles\\Ombrix\\Ombrix for Unity\\2.0.1.SSZZZ\\uninstall.exe\"\n"
           "    installDir    REG_SZ    SB/programfiles\\Ombrix\\Ombrix for Unity\\2.0.1.SSZZZ\n\n\n"
           "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
           "    OmbrixKD.exe    REG_SZ    \"SB/programfiles\\Ombrix\\Ombrix for Unity\\2.0.1.SSZZZ\\OmbrixKD.exe\" RegAutoRun\n\n\n"
           "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixKD\\Settings\n"
           "    InstallDir    REG_SZ    SB/programfiles\\Ombrix\\Ombrix for Unity\\2.0.1.SSZZZ\n"
           "    Language    REG_SZ    zh_cn\n"
           "    ThirdPart    REG_SZ    KDRender\n"
           "    info    REG_SZ    {\"exe\":\"OmbrixKD.exe\",\"lang\":\"zh_cn\",\"mark\":\"\",\"name\":\"Ombrix Unity版\",\"nameEN\":\"Ombrix for Unity\",\"third\":\"KDRender\"}"
        << QStringList { "OmbrixKD.exe\t" };

    QTest::newRow("start menu and auto-start unchecked")
        << QStringList {} << true << "OmbrixVPL"
        << "[program files]\n" + tree("Ombrix", "OmbrixVPL", "OmbrixVPL.exe") + "\n" + appData
               + "[start menu]\n\n[desktop]\nlink Ombrix云渲染.lnk -> SB/programfiles/Ombrix/OmbrixVPL/2.0.1.SSZZZ/OmbrixVPL.exe"
        << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL\n"
           "    DisplayIcon    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\OmbrixVPL.exe\n"
           "    DisplayName    REG_SZ    Ombrix云渲染\n"
           "    DisplayVersion    REG_SZ    2.0.1\n"
           "    Publisher    REG_SZ    Morvelcorp\n"
           "    URLInfoAbout    REG_SZ    http://www.ombrix.example\n"
           "    UninstallString    REG_SZ    \"SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\\uninstall.exe\"\n"
           "    installDir    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\n\n"
           "ERROR: The system was unable to find the specified registry key or value.\n\n"
           "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings\n"
           "    InstallDir    REG_SZ    SB/programfiles\\Ombrix\\OmbrixVPL\\2.0.1.SSZZZ\n"
           "    Language    REG_SZ    zh_cn\n"
           "    ThirdPart    REG_SZ    \n"
           "    info    REG_SZ    {\"exe\":\"OmbrixVPL.exe\",\"lang\":\"zh_cn\",\"mark\":\"\",\"name\":\"Ombrix云渲染\",\"nameEN\":\"Ombrix Cloud Render\",\"third\":\"\"}"
        << QStringList { "OmbrixVPL.exe\t", "FBsetup.exe\t/sp-\t/silent" };
}

void TestInstaller::firstInstallation()
{
    QFETCH(QStringList, identity);
    QFETCH(bool, uncheckOptions);
    QFETCH(QString, productKey);
    makeDelivery(identity);
    // The sibling client's plug-in files go; its other files stay.
    const QString sibling = sandbox->path(QStringLiteral("pavlet"));
    QVERIFY(QDir().mkpath(sibling));
    for (const char *file : { "o_render_fn.mse", "ombrix_2.mse", "Cirrolet.dll", "3dsMax.dll", "keep.dll" }) {
        QFile f(sibling + QLatin1Char('/') + QLatin1String(file));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QString siblingKeyForm = sibling;
    siblingKeyForm.replace(QLatin1Char('/'), QLatin1Char('\\'));
    setRegistry(QStringLiteral("HKCU\\Software\\Norvane\\PavletClient\\Settings"), QStringLiteral("InstallDir"), siblingKeyForm);

    QProcess *process = startInstaller();
    const QString window = waitForWindow(QStringLiteral("Widget"));
    QVERIFY2(!window.isEmpty(), process->readAll().constData());
    shoot(window, QStringLiteral("folded"));
    click(window, ParaButton);
    shoot(window, QStringLiteral("unfolded"));
    if (uncheckOptions) {
        click(window, StartMenuBox);
        click(window, AutoRunBox);
        shoot(window, QStringLiteral("unchecked"));
    }
    click(window, InstallButton);
    QVERIFY(waitForReport());
    QThread::msleep(300);
    shoot(window, QStringLiteral("finished"));

    click(window, InstallButton);
    finishAndExit(process);
    QFETCH(QStringList, starts);
    QVERIFY2(waitUntil([&] { return sandbox->standinStarts().size() >= starts.size(); }, 30000),
             qPrintable(sandbox->standinStarts().join(QLatin1Char('\n'))));
    QStringList seen = sandbox->standinStarts();
    seen.sort();
    starts.sort();
    QCOMPARE(seen, starts);

    QTEST(placed(productKey), "placed");
    QTEST(registry(productKey), "registry");
    QCOMPARE(QDir(sibling).entryList(QDir::Files), QStringList { "keep.dll" });

    const QJsonArray reports = server->requestsTo(QLatin1String(ChannelPath));
    QCOMPARE(reports.size(), 1);
    const QJsonObject report = reports.at(0).toObject();
    QCOMPARE(report.value(QLatin1String("method")).toString(), QStringLiteral("POST"));
    QCOMPARE(report.value(QLatin1String("body")).toString(), QString());
    QStringList keys;
    for (const QJsonValue &item : report.value(QLatin1String("query_items")).toArray())
        keys.append(item.toArray().at(0).toString());
    QCOMPARE(keys, QStringList({ "mark", "macAddr", "cpu" }));
}

// A previous installation as the registry tells it, and its client running.
void TestInstaller::reinstallation_data()
{
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QPoint>("answer");
    QTest::addColumn<QString>("installDir");
    QTest::addColumn<QString>("folders");
    QTest::addColumn<bool>("clientEnded");
    QTest::newRow("OK installs beside the previous version at once")
        << "programfiles/Old/OmbrixVPL/1.0.0.11111" << QuestionOk << "SB\\programfiles\\Old\\OmbrixVPL\\2.0.1.SSZZZ"
        << "dir Old\ndir Old/OmbrixVPL\ndir Old/OmbrixVPL/1.0.0.SSZZZ\ndir Old/OmbrixVPL/2.0.1.SSZZZ\ndir Old/OmbrixVPL/2.0.1.SSZZZ/plugins\n"
           "file Old/OmbrixVPL/1.0.0.SSZZZ/old.txt 666"
        << true;
    QTest::newRow("OK with the previous folder gone")
        << "gone/Apps/OmbrixVPL/1.0.0.11111" << QuestionOk << "SB\\gone\\Apps\\OmbrixVPL\\2.0.1.SSZZZ" << "" << true;
    QTest::newRow("Cancel changes nothing")
        << "programfiles/Old/OmbrixVPL/1.0.0.11111" << QuestionCancel << "SB/programfiles\\Old\\OmbrixVPL\\1.0.0.SSZZZ"
        << "dir Old\ndir Old/OmbrixVPL\ndir Old/OmbrixVPL/1.0.0.SSZZZ\nfile Old/OmbrixVPL/1.0.0.SSZZZ/old.txt 644" << false;
    QTest::newRow("closing the question changes nothing")
        << "programfiles/Old/OmbrixVPL/1.0.0.11111" << BoxClose << "SB/programfiles\\Old\\OmbrixVPL\\1.0.0.SSZZZ"
        << "dir Old\ndir Old/OmbrixVPL\ndir Old/OmbrixVPL/1.0.0.SSZZZ\nfile Old/OmbrixVPL/1.0.0.SSZZZ/old.txt 644" << false;
}

void TestInstaller::reinstallation()
{
    QFETCH(QString, previous);
    QFETCH(QPoint, answer);
    QFETCH(bool, clientEnded);
    // A client name of this test's own: other tests end clients by name too.
    const QString exe = QStringLiteral("OmbrixReinstall.exe");
    makeDelivery({ QStringLiteral("--exe"), exe });
    if (previous.startsWith(QLatin1String("programfiles"))) {
        QVERIFY(QDir().mkpath(sandbox->path(previous)));
        QFile old(sandbox->path(previous + QStringLiteral("/old.txt")));
        QVERIFY(old.open(QIODevice::WriteOnly));
    }
    const QString first = previous.section(QLatin1Char('/'), 0, 0);
    QString registryForm = sandbox->path(first) + QLatin1Char('\\') + previous.section(QLatin1Char('/'), 1);
    registryForm.replace(QStringLiteral("/Old/"), QStringLiteral("\\Old\\")).replace(QStringLiteral("/OmbrixVPL/"), QStringLiteral("\\OmbrixVPL\\"));
    const QString settings = QString::fromLatin1(ProductKey).arg(QStringLiteral("OmbrixVPL"));
    setRegistry(settings, QStringLiteral("InstallDir"), registryForm);
    setRegistry(settings, QStringLiteral("ThirdPart"), QString());

    const QString running = sandbox->path(QStringLiteral("running/") + exe);
    QVERIFY(QDir().mkpath(QFileInfo(running).path()));
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("standin")), running));
    QProcess *client = sandbox->start(running);
    QVERIFY(waitUntil([&] { return !sandbox->standinStarts().isEmpty(); }, 10000));

    QProcess *process = startInstaller();
    const QString box = waitForWindow(QStringLiteral("Form"));
    QVERIFY(!box.isEmpty());
    shoot(box, QStringLiteral("question"));
    click(box, answer);
    if (answer == QuestionOk) {
        const QString window = waitForWindow(QStringLiteral("Widget"));
        QVERIFY(!window.isEmpty());
        QVERIFY(waitForReport());
        QThread::msleep(300);
        shoot(window, QStringLiteral("finished"));
        click(window, QPoint(567, 17)); // the close button: nothing is started
    }
    finishAndExit(process);
    QVERIFY2(client->waitForFinished(clientEnded ? 10000 : 500) == clientEnded, output.constData());
    QCOMPARE(sandbox->standinStarts().size(), 1);
    QTEST(normalized(sandbox->regValue(settings, QStringLiteral("InstallDir"))), "installDir");
    QString folders = listing(sandbox->programFiles(), sandbox->root());
    folders = folders.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^dir|old.txt"))).join(QLatin1Char('\n'));
    QTEST(folders, "folders");
    if (!previous.startsWith(QLatin1String("programfiles")) && clientEnded)
        QVERIFY(QFileInfo::exists(sandbox->path(QStringLiteral("gone/Apps/OmbrixVPL"))));
}

void TestInstaller::refusals_data()
{
    QTest::addColumn<QStringList>("identity");
    QTest::addColumn<bool>("maxRunning");
    QTest::addColumn<QString>("installedThird");
    QTest::addColumn<bool>("refused");
    QTest::newRow("3ds Max running") << QStringList {} << true << "-" << true;
    QTest::newRow("general edition installed, channel build started")
        << QStringList { "--third", "MRARender", "--name", "渠道", "--exe", "MRA.exe" } << false << "" << true;
    QTest::newRow("channel over channel is allowed")
        << QStringList { "--third", "MRARender", "--name", "渠道", "--exe", "MRA.exe" } << false << "MRARender" << false;
    QTest::newRow("Unity edition ignores 3ds Max")
        << QStringList { "--third", "KDRender", "--name", "Unity版", "--exe", "OmbrixKD.exe" } << true << "-" << false;
}

void TestInstaller::refusals()
{
    QFETCH(QStringList, identity);
    QFETCH(bool, maxRunning);
    QFETCH(QString, installedThird);
    QFETCH(bool, refused);
    makeDelivery(identity);
    if (maxRunning) {
        // Any program will do, as long as its image name is 3dsmax.exe.
        const QString max = sandbox->path(QStringLiteral("max/3dsmax.exe"));
        QVERIFY(QDir().mkpath(QFileInfo(max).path()));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), max));
        QVERIFY(sandbox->start(max, { QStringLiteral("600") })->state() == QProcess::Running);
    }
    const QString settings = QString::fromLatin1(ProductKey).arg(QStringLiteral("OmbrixVPL"));
    if (installedThird != QLatin1String("-")) {
        setRegistry(settings, QStringLiteral("InstallDir"), sandbox->path(QStringLiteral("programfiles\\Ombrix\\OmbrixVPL\\1.0.0.11111")));
        setRegistry(settings, QStringLiteral("ThirdPart"), installedThird);
    }
    const QString before = registry(QStringLiteral("OmbrixVPL"));

    QProcess *process = startInstaller();
    if (!refused) {
        if (installedThird != QLatin1String("-"))
            click(waitForWindow(QStringLiteral("Form")), QuestionOk);
        QVERIFY(!waitForWindow(QStringLiteral("Widget")).isEmpty());
        process->kill();
        return;
    }
    const QString box = waitForWindow(QStringLiteral("Form"));
    QVERIFY(!box.isEmpty());
    shoot(box, QStringLiteral("message"));
    // Where a question has its OK button, an information box has none.
    click(box, QuestionOk);
    QVERIFY(!process->waitForFinished(1500));
    click(box, InformationOk);
    finishAndExit(process);
    QCOMPARE(listing(sandbox->programFiles(), sandbox->root()), QString());
    QCOMPARE(registry(QStringLiteral("OmbrixVPL")), before);
}

void TestInstaller::renameRefused()
{
    // A client file already bears the branded name: the rename must fail.
    QVERIFY(QDir().mkpath(sandbox->path(QStringLiteral("client"))));
    QFile taken(sandbox->path(QStringLiteral("client/Taken.exe")));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    makeDelivery({ QStringLiteral("--exe"), QStringLiteral("Taken.exe") });

    QProcess *process = startInstaller();
    const QString window = waitForWindow(QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    click(window, InstallButton);
    const QString box = waitForWindow(QStringLiteral("Form"));
    QVERIFY(!box.isEmpty());
    shoot(box, QStringLiteral("message"));
    click(box, InformationOk);
    finishAndExit(process);
    QCOMPARE(registry(QStringLiteral("OmbrixVPL")),
             QStringLiteral("ERROR: The system was unable to find the specified registry key or value.\n"
                            "ERROR: The system was unable to find the specified registry key or value.\n"
                            "ERROR: The system was unable to find the specified registry key or value."));
    QCOMPARE(listing(sandbox->startMenu(), sandbox->root()) + listing(sandbox->desktop(), sandbox->root()), QString());
    QVERIFY(server->requestsTo(QLatin1String(ChannelPath)).isEmpty());
    // What was placed before the rename stays.
    const QString placedFiles = listing(sandbox->programFiles(), sandbox->root());
    QVERIFY2(placedFiles.contains(QLatin1String("2.0.1.SSZZZ/OmbrixVPL.exe 7")) && placedFiles.contains(QLatin1String("2.0.1.SSZZZ/Taken.exe 6")),
             qPrintable(placedFiles));
}
namespace {

enum class Outcome { Installed, Exits, RenameRefused };

bool damage(const QString &delivery, const QString &how, const QString &sandboxRoot)
{
    const QString archive = delivery + QStringLiteral("/files.zip");
    QFile file(archive);
    if (how == QLatin1String("remove archive"))
        return file.remove();
    if (how == QLatin1String("truncate archive"))
        return file.resize(file.size() / 2);
    if (how == QLatin1String("replace archive")) {
        return file.open(QIODevice::WriteOnly) && file.write("not an archive at all\n") > 0;
    }
    if (how == QLatin1String("corrupt entry")) {
        // The uninstaller's data, well after the first entries.
        if (!file.open(QIODevice::ReadWrite))
            return false;
        QByteArray bytes = file.readAll();
        const int name = bytes.indexOf("uninstall.exe");
        const int header = name - 30;
        if (header < 0 || !bytes.mid(header, 4).startsWith("PK\x03\x04"))
            return false;
        const int extra = quint8(bytes.at(header + 28)) | quint8(bytes.at(header + 29)) << 8;
        const int data = name + 13 + extra;
        for (int i = 0; i < 64; ++i)
            bytes[data + 200 + i] = char(bytes.at(data + 200 + i) ^ 0x5a);
        file.seek(0);
        return file.write(bytes) == bytes.size();
    }
    if (how == QLatin1String("escaping entries")) {
        QuaZip zip(archive);
        if (!zip.open(QuaZip::mdAdd))
            return false;
        const QList<QPair<QString, quint32>> entries { { "../../escaped.txt", 0100644 }, { "..\\..\\escaped-backslash.txt", 0100644 },
                                                        { sandboxRoot + "/escaped-absolute.txt", 0100644 }, { "up", 0120777 } };
        for (const auto &entry : entries) {
            QuaZipNewInfo info(entry.first);
            info.externalAttr = entry.second << 16;
            QuaZipFile out(&zip);
            if (!out.open(QIODevice::WriteOnly, info))
                return false;
            out.write(entry.second == 0120777 ? "../../.." : "escaped\n");
        }
        zip.close();
        return zip.getZipError() == 0;
    }
    if (how == QLatin1String("remove version"))
        return QFile::remove(delivery + QStringLiteral("/version"));
    if (how == QLatin1String("empty version")) {
        QFile version(delivery + QStringLiteral("/version"));
        return version.open(QIODevice::WriteOnly) && version.write("\"\" \n") > 0;
    }
    if (how == QLatin1String("OB.ini without exe")) {
        QFile ini(delivery + QStringLiteral("/OB.ini"));
        return ini.open(QIODevice::WriteOnly) && ini.write("[info]\r\nname=Ombrix\r\nnameEN=Ombrix\r\n") > 0;
    }
    return false;
}

}

Q_DECLARE_METATYPE(Outcome)

void TestInstaller::badDelivery_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("files");
    // Without an archive the versioned folder is never made, so the loose
    // files have nowhere to go; the steps still run and report.
    QTest::newRow("files.zip missing") << "remove archive" << Outcome::Installed << "";
    QTest::newRow("files.zip truncated") << "truncate archive" << Outcome::Installed << "";
    QTest::newRow("files.zip not a ZIP") << "replace archive" << Outcome::Installed << "";
    QTest::newRow("entry failing mid-way") << "corrupt entry" << Outcome::Installed
                                           << QStringLiteral("dir Ombrix\ndir Ombrix/OmbrixVPL\ndir %1\nfile %1/OB.ico 666\n"
                                                             "file %1/Qt5Core.dll 666\nfile %1/Qt5Gui.dll 666\nfile %1/Qt5Widgets.dll 666\n"
                                                             "file %1/icudt52.dll 666\nfile %1/icuin52.dll 666\nfile %1/icuuc52.dll 666\n"
                                                             "file %1/msvcp100.dll 666\nfile %1/msvcr100.dll 666")
                                                  .arg(QStringLiteral("Ombrix/OmbrixVPL/2.0.1.SSZZZ"));
    QTest::newRow("entries escaping the folder") << "escaping entries" << Outcome::Installed << "complete";
    QTest::newRow("version missing") << "remove version" << Outcome::Exits << "";
    QTest::newRow("version empty") << "empty version" << Outcome::Exits << "";
    QTest::newRow("OB.ini without exe") << "OB.ini without exe" << Outcome::RenameRefused << "";
}

void TestInstaller::badDelivery()
{
    QFETCH(QString, damage);
    QFETCH(Outcome, outcome);
    QFETCH(QString, files);
    makeDelivery({});
    QVERIFY(::damage(delivery, damage, sandbox->root()));

    QProcess *process = startInstaller();
    if (outcome == Outcome::Exits) {
        finishAndExit(process);
        QCOMPARE(listing(sandbox->root() , sandbox->root()).contains(QLatin1String("programfiles/")), false);
        return;
    }
    const QString window = waitForWindow(QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    click(window, InstallButton);
    if (outcome == Outcome::RenameRefused) {
        const QString box = waitForWindow(QStringLiteral("Form"));
        QVERIFY(!box.isEmpty());
        click(box, InformationOk);
        finishAndExit(process);
        QVERIFY(!sandbox->reg({ QStringLiteral("query"), QString::fromLatin1(UninstallKey) + QStringLiteral("\\OmbrixVPL") })
                     .contains(QLatin1String("REG_SZ")));
        return;
    }
    QVERIFY(waitForReport());
    click(window, InstallButton);
    finishAndExit(process);
    const QString placedFiles = listing(sandbox->programFiles(), sandbox->root());
    if (files == QLatin1String("complete")) {
        // Everything of the archive that stays inside is there, and nothing else anywhere.
        QVERIFY(placedFiles.contains(QLatin1String("/uninstall.exe 777")));
        QVERIFY2(!listing(sandbox->root(), sandbox->root()).contains(QLatin1String("escaped")), qPrintable(placedFiles));
        QVERIFY2(!placedFiles.contains(QLatin1String(" up")), qPrintable(placedFiles));
    } else {
        QVERIFY2(placedFiles == files, qPrintable(placedFiles));
    }
}

QTEST_GUILESS_MAIN(TestInstaller)
#include "tst_installer.moc"
