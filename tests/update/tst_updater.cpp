// The real update program in a sandbox installation, under Xvfb with real
// clicks, against the loopback update server.
#include "installation.h"
#include "releasefiles.h"
#include "sandbox.h"
#include "updaterrun.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

const char Version[] = "5.2.0.1";
// The update button and the close button, in window coordinates.
const QPoint UpdateButton(293, 333);
const QPoint CloseButton(567, 17);

QByteArray standin()
{
    QFile file(TestPaths::bin(QStringLiteral("standin")));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

Installation::Identity general(const QString &lang)
{
    return { QString(), QStringLiteral("欧布渲染"), QStringLiteral("Ombrix Render"), QStringLiteral("OmbrixVPL.exe"), lang };
}

Installation::Identity channel(const QString &lang)
{
    return { QStringLiteral("MRARender"), QStringLiteral("欧布MRA"), QStringLiteral("Ombrix MRA"), QStringLiteral("OmbrixMRA.exe"), lang };
}

QString sha1(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QString fileHashOf(const QString &path)
{
    return QFile::exists(path) ? sha1(contentOf(path)) : QString();
}

}

class UpdaterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void refusals_data();
    void refusals();
    void secondInstanceEnds();
    void updatesAndStartsClient();
    void everyFileCurrent();
    void branding_data();
    void branding();
    void failures_data();
    void failures();
    void systemClose_data();
    void systemClose();

private:
    void writeRelease();
    QMap<QString, QByteArray> oldClient() const;
    QMap<QString, QByteArray> currentClient(const QString &exe) const;
    QString regValue(const QString &key, const QString &name) { return sandbox->regValue(key, name); }
    void screenshot(const QString &window, const QString &name);
    void endStartedClients();
    // Program files, registry and the home folder with Start menu and desktop.
    QString machineState() const;

    VirtualDisplay display;
    QScopedPointer<Sandbox> sandbox;
    QScopedPointer<TestServer> server;
    QMap<QString, QByteArray> release;
};

void UpdaterTest::initTestCase()
{
    failOnUnboundSlots();
    QVERIFY(display.isValid());
    const QByteArray client = standin();
    QVERIFY(!client.isEmpty());
    release = {
        { "OB-X.exe", client + "release 2 general" },
        { "OB-MRA.exe", client + "release 2 MRA" },
        { "core.dll", ReleaseFiles::content("core", 150000) },
        { "data/readme.txt", ReleaseFiles::content("readme 2", 6000) },
        { "plugins/max/new.dlu", ReleaseFiles::content("new plug-in", 90000) },
    };
}

void UpdaterTest::init()
{
    sandbox.reset(new Sandbox);
    QVERIFY(sandbox->isValid());
    sandbox->useDisplay(display.name());
    writeRelease();
}

void UpdaterTest::cleanup()
{
    endStartedClients();
    server.reset();
    sandbox.reset();
}

void UpdaterTest::writeRelease()
{
    QVERIFY(ReleaseFiles::write(sandbox->path(QStringLiteral("release/OmbrixVPL")), release));
}

QMap<QString, QByteArray> UpdaterTest::oldClient() const
{
    return {
        { "OmbrixVPL.exe", standin() },
        { "uninstall.exe", "the uninstaller" },
        { "core.dll", release.value("core.dll") },
        { "data/readme.txt", ReleaseFiles::content("readme 1", 5000) },
        { "data/deep/OmbrixVPL.exe1700000000000_OB_DELETE", "left by an earlier run" },
    };
}

QMap<QString, QByteArray> UpdaterTest::currentClient(const QString &exe) const
{
    return {
        { exe, release.value("OB-X.exe") },
        { "uninstall.exe", "the uninstaller" },
        { "core.dll", release.value("core.dll") },
        { "data/readme.txt", release.value("data/readme.txt") },
        { "plugins/max/new.dlu", release.value("plugins/max/new.dlu") },
    };
}

void UpdaterTest::screenshot(const QString &window, const QString &name)
{
    const QString folder = qEnvironmentVariable("OMBRIX_SCREENSHOT_DIR", sandbox->path(QStringLiteral("screens")));
    QDir().mkpath(folder);
    QVERIFY(display.screenshot(window, folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

QString UpdaterTest::machineState() const
{
    return ReleaseFiles::digests(sandbox->programFiles(), true) + ReleaseFiles::digests(sandbox->registry(), true)
        + Sandbox::tree(sandbox->home());
}

void UpdaterTest::endStartedClients()
{
    QFile log(sandbox->standinLog());
    if (!log.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() >= 2 && fields.at(1).toInt() > 0)
            ::kill(fields.at(1).toInt(), SIGKILL);
    }
}

void UpdaterTest::refusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("no version argument") << "no argument";
    QTest::newRow("OB.ini beside the updater") << "OB.ini";
    QTest::newRow("product not installed") << "not installed";
}

// Each ends with status 0 before any request or file work.
void UpdaterTest::refusals()
{
    QFETCH(QString, situation);
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")) }));
    Installation installation(*sandbox, general(QString()));
    QVERIFY(installation.seed(oldClient(), server->host(), server->host()));
    if (situation == QLatin1String("OB.ini")) {
        QFile ini(installation.path(QStringLiteral("OB.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[info]\nexe=OmbrixVPL.exe\nname=x\nthird=\n");
    }
    if (situation == QLatin1String("not installed"))
        sandbox->reg({ QStringLiteral("delete"), installation.uninstallKey(), QStringLiteral("/f") });
    const QString before = machineState();
    UpdaterRun run(*sandbox, installation.updater(), situation == QLatin1String("no argument") ? QStringList() : QStringList { Version });
    QCOMPARE(run.waitForExit(), 0);
    QCOMPARE(display.windows(QStringLiteral("Widget")), QStringList());
    QCOMPARE(server->requests().size(), 0);
    QCOMPARE(machineState(), before);
}

void UpdaterTest::secondInstanceEnds()
{
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")), QStringLiteral("--fault"),
                                  QStringLiteral("manifest=stall") }));
    Installation installation(*sandbox, general(QString()));
    QVERIFY(installation.seed(oldClient(), server->host(), server->host()));
    UpdaterRun first(*sandbox, installation.updater(), { Version });
    QTRY_COMPARE(server->requestsTo(QStringLiteral("/getVersionFile.htm")).size(), 1);
    UpdaterRun second(*sandbox, installation.updater(), { Version });
    QCOMPARE(second.waitForExit(), 0);
    QCOMPARE(server->requestsTo(QStringLiteral("/getVersionFile.htm")).size(), 1);
}

// General edition in Chinese: changed and new files fetched, the running
// client set aside, the registration renewed, and Finish starts the client.
void UpdaterTest::updatesAndStartsClient()
{
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")) }));
    Installation installation(*sandbox, general(QString()));
    QVERIFY(installation.seed(oldClient(), server->host(), server->host()));
    // Shortcuts of an older installer, in a folder named after the product.
    const QString oldMenu = sandbox->startMenu() + QStringLiteral("/欧布渲染");
    QDir().mkpath(oldMenu);
    QFile::link(installation.path(QStringLiteral("OmbrixVPL.exe")), oldMenu + QStringLiteral("/启动欧布渲染.lnk"));
    QFile::link(installation.path(QStringLiteral("uninstall.exe")), oldMenu + QStringLiteral("/卸载欧布渲染.lnk"));
    // The client runs from the installed file, started through a second name
    // of it: other suites end every process named OmbrixVPL.exe on the machine.
    const QString alias = sandbox->path(QStringLiteral("running-client"));
    QCOMPARE(::link(QFile::encodeName(installation.path(QStringLiteral("OmbrixVPL.exe"))).constData(), QFile::encodeName(alias).constData()), 0);
    QProcess *client = sandbox->start(alias);
    QTRY_COMPARE(sandbox->standinStarts(), QStringList({ "running-client\t" }));

    UpdaterRun run(*sandbox, installation.updater(), { Version });
    const QString window = display.waitForWindow(run.pid(), QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    QVERIFY2(run.waitFor(QStringLiteral("shows \"完成\"")), qPrintable(run.output()));
    screenshot(window, QStringLiteral("finished-zh"));

    QCOMPARE(run.states(), QStringList({ "\"更新中\" false \"\" false", "\"完成\" true \"\" true" }));
    QStringList fetched;
    for (const QJsonValue &request : server->requestsTo(QStringLiteral("/getVersionStream.htm")))
        fetched.append(request.toObject().value(QLatin1String("query")).toString());
    fetched.sort();
    QCOMPARE(fetched, QStringList({ "path=files/OmbrixVPL//OB-X.exe&version=5.2.0.1", "path=files/OmbrixVPL/data/readme.txt&version=5.2.0.1",
                                    "path=files/OmbrixVPL/plugins/max/new.dlu&version=5.2.0.1" }));
    QMap<QString, QByteArray> expected = currentClient(QStringLiteral("OmbrixVPL.exe"));
    for (const char *seeded : { "OB.ico", "service.ini", "update.exe" })
        expected.insert(QLatin1String(seeded), contentOf(installation.path(QLatin1String(seeded))));
    QTemporaryDir tree;
    ReleaseFiles::write(tree.path(), expected);
    QCOMPARE(ReleaseFiles::digests(installation.folder()), ReleaseFiles::digests(tree.path()));
    // The client still runs from its old image; the stale leftover is gone.
    QCOMPARE(ReleaseFiles::leftovers(installation.folder()), QStringLiteral("OmbrixVPL.exe<ms>_OB_DELETE"));
    QCOMPARE(client->state(), QProcess::Running);

    const QString root = installation.folder();
    QCOMPARE(regValue(installation.uninstallKey(), "DisplayVersion"), QStringLiteral("5.2.0.1"));
    QCOMPARE(regValue(installation.uninstallKey(), "installDir"), root);
    QCOMPARE(regValue(installation.uninstallKey(), "UninstallString"), QLatin1Char('"') + root + QStringLiteral("\\uninstall.exe\""));
    QCOMPARE(regValue(installation.uninstallKey(), "DisplayIcon"), root + QStringLiteral("\\OmbrixVPL.exe"));
    QCOMPARE(regValue(installation.uninstallKey(), "DisplayName"), QStringLiteral("欧布渲染"));
    QCOMPARE(regValue(installation.settingsKey(), "InstallDir"), root);
    QCOMPARE(Sandbox::tree(sandbox->startMenu()), QStringLiteral("dir Ombrix\n"
                                                                 "link Ombrix/卸载欧布渲染.lnk -> %1/uninstall.exe\n"
                                                                 "link Ombrix/启动欧布渲染.lnk -> %1/OmbrixVPL.exe")
                                                      .arg(root));
    QCOMPARE(Sandbox::tree(sandbox->desktop()), QStringLiteral("link 欧布渲染.lnk -> %1/OmbrixVPL.exe").arg(root));

    QVERIFY(display.click(window, UpdateButton.x(), UpdateButton.y()));
    QCOMPARE(run.waitForExit(), 0);
    QTRY_COMPARE(sandbox->standinStarts(), QStringList({ "running-client\t", "OmbrixVPL.exe\t" }));
    QVERIFY(!run.output().contains(QLatin1String("No matching signal")));
}

void UpdaterTest::everyFileCurrent()
{
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")) }));
    Installation installation(*sandbox, general(QStringLiteral("en_us")));
    QVERIFY(installation.seed(currentClient(QStringLiteral("OmbrixVPL.exe")), server->host(), server->host()));
    const QString before = ReleaseFiles::digests(installation.folder(), true);
    UpdaterRun run(*sandbox, installation.updater(), { Version });
    const QString window = display.waitForWindow(run.pid(), QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    QVERIFY2(run.waitFor(QStringLiteral("shows \"Finish\"")), qPrintable(run.output()));
    screenshot(window, QStringLiteral("finished-en"));
    QCOMPARE(run.milestones(), QStringList({ "10", "20", "30", "40", "70", "100" }));
    QCOMPARE(server->requestsTo(QStringLiteral("/getVersionStream.htm")).size(), 0);
    QCOMPARE(ReleaseFiles::digests(installation.folder(), true), before);
    QVERIFY(display.click(window, CloseButton.x(), CloseButton.y()));
    QCOMPARE(run.waitForExit(), 0);
    QCOMPARE(sandbox->standinStarts(), QStringList());
}

void UpdaterTest::branding_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("brandedExists");
    QTest::addColumn<QString>("finalState");
    QTest::newRow("English, branded executable absent") << "en_us" << false << "\"Finish\" true \"\" true";
    QTest::newRow("English, branded executable exists") << "en_us" << true << "\"Update\" true \"Rename file error!Please retry!\" true";
    QTest::newRow("Chinese, branded executable exists") << "" << true << "\"更新\" true \"重命名文件失败！请重试！\" true";
}

// A channel build renames the fetched client to its own name; the rename
// never replaces an existing file.
void UpdaterTest::branding()
{
    QFETCH(QString, lang);
    QFETCH(bool, brandedExists);
    QFETCH(QString, finalState);
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")) }));
    Installation installation(*sandbox, channel(lang));
    QMap<QString, QByteArray> files = oldClient();
    files.remove("OmbrixVPL.exe");
    if (brandedExists)
        files.insert("OmbrixMRA.exe", standin());
    QVERIFY(installation.seed(files, server->host(), server->host()));
    const QString menuBefore = Sandbox::tree(sandbox->startMenu());
    UpdaterRun run(*sandbox, installation.updater(), { Version });
    const QString window = display.waitForWindow(run.pid(), QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    QVERIFY2(run.waitFor(QStringLiteral("shows ") + finalState), qPrintable(run.output()));
    const QString root = installation.folder();
    if (!brandedExists) {
        QCOMPARE(fileHashOf(installation.path(QStringLiteral("OmbrixMRA.exe"))), sha1(release.value("OB-MRA.exe")));
        QVERIFY(!QFile::exists(installation.path(QStringLiteral("OmbrixVPL.exe"))));
        QCOMPARE(regValue(installation.uninstallKey(), "DisplayVersion"), QStringLiteral("5.2.0.1"));
        QCOMPARE(regValue(installation.uninstallKey(), "DisplayIcon"), root + QStringLiteral("\\OmbrixMRA.exe"));
        QCOMPARE(Sandbox::tree(sandbox->startMenu()), QStringLiteral("dir Ombrix MRA\n"
                                                                     "link Ombrix MRA/start Ombrix MRA.lnk -> %1/OmbrixMRA.exe\n"
                                                                     "link Ombrix MRA/uninstall Ombrix MRA.lnk -> %1/uninstall.exe")
                                                          .arg(root));
        QCOMPARE(Sandbox::tree(sandbox->desktop()), QStringLiteral("link Ombrix MRA.lnk -> %1/OmbrixMRA.exe").arg(root));
        return;
    }
    screenshot(window, lang.isEmpty() ? QStringLiteral("rename-error-zh") : QStringLiteral("rename-error-en"));
    // The fetched files stay in place; the registration is not touched.
    QCOMPARE(fileHashOf(installation.path(QStringLiteral("OmbrixVPL.exe"))), sha1(release.value("OB-MRA.exe")));
    QCOMPARE(fileHashOf(installation.path(QStringLiteral("OmbrixMRA.exe"))), sha1(standin()));
    QCOMPARE(regValue(installation.uninstallKey(), "DisplayVersion"), QStringLiteral("5.1.0.0"));
    QCOMPARE(Sandbox::tree(sandbox->startMenu()), menuBefore);
    QVERIFY(display.click(window, UpdateButton.x(), UpdateButton.y()));
    QVERIFY(run.waitFor(QStringLiteral("shows ") + finalState, 30000, 2));
    QCOMPARE(server->requestsTo(QStringLiteral("/getVersionFile.htm")).size(), 2);
    QCOMPARE(server->requestsTo(QStringLiteral("/getVersionStream.htm")).size(), 3);
}

void UpdaterTest::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("failedState");
    const QString listZh = QStringLiteral("\"更新\" true \"获取更新文件列表失败！请重试！\" true");
    const QString listEn = QStringLiteral("\"Update\" true \"File list error!Please retry!\" true");
    const QString downloadZh = QStringLiteral("\"更新\" true \"下载文件失败！请重试！\" true");
    const QString downloadEn = QStringLiteral("\"Update\" true \"File download error!Please retry!\" true");
    QTest::newRow("manifest 404") << "manifest=404" << "" << listZh;
    QTest::newRow("manifest 500") << "manifest=500" << "en_us" << listEn;
    QTest::newRow("manifest not XML") << "manifest=notxml" << "" << listZh;
    QTest::newRow("manifest without prefix") << "manifest=noprefix" << "en_us" << downloadEn;
    QTest::newRow("download of other content") << "stream=wrongdigest" << "" << downloadZh;
    QTest::newRow("download truncated") << "stream=truncate" << "en_us" << downloadEn;
    QTest::newRow("manifest stalls for a minute") << "manifest=stall" << "" << listZh;
}

// The failure is shown, nothing installed changes, and a retry click sends
// a new manifest request, clears the red line and completes.
void UpdaterTest::failures()
{
    QFETCH(QString, fault);
    QFETCH(QString, lang);
    QFETCH(QString, failedState);
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")), QStringLiteral("--fault"), fault }));
    Installation installation(*sandbox, general(lang));
    QVERIFY(installation.seed(oldClient(), server->host(), server->host()));
    const QString before = ReleaseFiles::digests(installation.folder());
    UpdaterRun run(*sandbox, installation.updater(), { Version });
    const QString window = display.waitForWindow(run.pid(), QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    QVERIFY2(run.waitFor(QStringLiteral("shows ") + failedState, 90000), qPrintable(run.output()));
    if (QTest::currentDataTag() == QLatin1String("manifest 404") || QTest::currentDataTag() == QLatin1String("manifest without prefix"))
        screenshot(window, QStringLiteral("failed-") + (lang.isEmpty() ? QStringLiteral("zh") : QStringLiteral("en")));
    QCOMPARE(ReleaseFiles::digests(installation.folder()), before);
    QCOMPARE(regValue(installation.uninstallKey(), "DisplayVersion"), QStringLiteral("5.1.0.0"));

    QVERIFY(server->setFault(fault.section(QLatin1Char('='), 0, 0), QStringLiteral("none")));
    QVERIFY(display.click(window, UpdateButton.x(), UpdateButton.y()));
    const QString done = lang.isEmpty() ? QStringLiteral("\"完成\" true \"\" true") : QStringLiteral("\"Finish\" true \"\" true");
    QVERIFY2(run.waitFor(QStringLiteral("shows ") + done), qPrintable(run.output()));
    const QString running = lang.isEmpty() ? QStringLiteral("\"更新中\" false \"\" false") : QStringLiteral("\"Updating\" false \"\" false");
    QCOMPARE(run.states(), QStringList({ running, failedState, running, done }));
    QCOMPARE(server->requestsTo(QStringLiteral("/getVersionFile.htm")).size(), 2);
    QCOMPARE(regValue(installation.uninstallKey(), "DisplayVersion"), QStringLiteral("5.2.0.1"));
    QCOMPARE(fileHashOf(installation.path(QStringLiteral("data/readme.txt"))), sha1(release.value("data/readme.txt")));
}

void UpdaterTest::systemClose_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("waitFor");
    QTest::addColumn<QString>("lang");
    QTest::newRow("while the manifest stalls") << "manifest=stall" << "/getVersionFile.htm" << "";
    QTest::newRow("while a download stalls") << "stream=stallbody" << "/getVersionStream.htm" << "en_us";
}

// Closing the window from outside ends the run and the program cleanly.
void UpdaterTest::systemClose()
{
    QFETCH(QString, fault);
    QFETCH(QString, waitFor);
    QFETCH(QString, lang);
    server.reset(new TestServer({ QStringLiteral("--release"), sandbox->path(QStringLiteral("release/OmbrixVPL")), QStringLiteral("--fault"), fault,
                                  QStringLiteral("--note"), QStringLiteral("<b>5.2</b><br>Faster uploads") }));
    Installation installation(*sandbox, general(lang));
    QVERIFY(installation.seed(oldClient(), server->host(), server->host()));
    const QString before = ReleaseFiles::digests(installation.folder());
    UpdaterRun run(*sandbox, installation.updater(), { Version });
    const QString window = display.waitForWindow(run.pid(), QStringLiteral("Widget"));
    QVERIFY(!window.isEmpty());
    QTRY_COMPARE(server->requestsTo(waitFor).size(), 1);
    screenshot(window, lang.isEmpty() ? QStringLiteral("running-zh") : QStringLiteral("running-en"));
    QProcess close;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display.name());
    close.setProcessEnvironment(env);
    close.start(QStringLiteral("/usr/bin/python3"), { TestPaths::source(QStringLiteral("tests/update/closewindow.py")), window });
    QVERIFY(close.waitForFinished() && close.exitCode() == 0);
    QElapsedTimer clock;
    clock.start();
    const int status = run.waitForExit(10000);
    QVERIFY2(status == 0, qPrintable(run.output()));
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(!run.output().contains(QLatin1String("QThread")));
    QCOMPARE(ReleaseFiles::digests(installation.folder()), before);
}

QTEST_MAIN(UpdaterTest)
#include "tst_updater.moc"
