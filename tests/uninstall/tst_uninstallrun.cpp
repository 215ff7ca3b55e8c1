#include "uninstallmachine.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>
#include <QTextCodec>

// The real uninstaller on a sandbox machine with the product installed,
// driven with real clicks on a virtual display: what it removes, what it
// leaves, and when it refuses.
class TestUninstallRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void chineseGeneral();
    void englishMode();
    void partnerBuild();
    void unityEdition();
    void leaveBeforeRemoval_data();
    void leaveBeforeRemoval();
    void refusedWhileMaxRuns();
    void refusedWithoutInstallation();
    void guard_data();
    void guard();

private:
    // Everything the product placed and the uninstaller removes, relative
    // to the sandbox; the product folder goes last, with the batch.
    static QStringList placed(const UninstallMachine &m, bool plugins);
    // After the finish view: close, let the batch run, compare the machine.
    void finishAndCompare(UninstallMachine &m, const QString &installedTree, const QString &hivesBefore, bool plugins);

    QScopedPointer<VirtualDisplay> display;
    QScopedPointer<TestServer> server;
};

namespace {

const char ListPath[] = "/cms/uninstallReason/getPresentByType";
const char ReportPath[] = "/cms/uninstallReason/getUserUninstallReasonByType";

QStringList lines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The lines only one side holds, so a failing comparison names them.
QString difference(const QStringList &actual, const QStringList &expected)
{
    QStringList out;
    for (const QString &line : actual)
        if (!expected.contains(line))
            out << QStringLiteral("+ ") + line;
    for (const QString &line : expected)
        if (!actual.contains(line))
            out << QStringLiteral("- ") + line;
    return out.join(QLatin1Char('\n'));
}

}

#define COMPARE_LINES(actual, expected)                                                                                \
    do {                                                                                                               \
        const QStringList a_ = (actual), e_ = (expected);                                                              \
        QVERIFY2(a_ == e_, qPrintable(QStringLiteral("\n") + difference(a_, e_)));                                     \
    } while (false)

namespace {

QString relative(const UninstallMachine &m, const QString &path)
{
    return QDir(m.box.root()).relativeFilePath(path);
}

}

void TestUninstallRun::initTestCase()
{
    display.reset(new VirtualDisplay);
    QVERIFY(display->isValid());
    server.reset(new TestServer);
    QVERIFY(server->isValid());
}

QStringList TestUninstallRun::placed(const UninstallMachine &m, bool plugins)
{
    QStringList paths = m.shortcuts();
    if (plugins)
        paths += m.removedPluginFiles();
    paths << relative(m, m.productFolder());
    return paths;
}

void TestUninstallRun::finishAndCompare(UninstallMachine &m, const QString &installedTree, const QString &hivesBefore, bool plugins)
{
    QVERIFY(m.waitForFinishView());
    // Before closing: everything is removed but the running uninstaller
    // itself and the hidden file the folder walk does not visit.
    QCOMPARE(m.hives(), hivesBefore);
    const QString product = relative(m, m.productFolder());
    const QString version = relative(m, m.installDir());
    QStringList remaining {
        QStringLiteral("dir ") + product,
        QStringLiteral("dir ") + version,
        QStringLiteral("file ") + version + QStringLiteral("/.settings 6"),
        QStringLiteral("file ") + version + QStringLiteral("/uninstall.exe ") + QString::number(QFileInfo(m.installDir() + QStringLiteral("/uninstall.exe")).size()),
    };
    QStringList finished = UninstallMachine::without(installedTree, placed(m, plugins)).split(QLatin1Char('\n')) + remaining;
    finished.sort();
    COMPARE_LINES(lines(m.tree()), finished);
    QVERIFY(!QFile::exists(m.batchFile()));

    QVERIFY(m.click(At::finish));
    QCOMPARE(m.waitForExit(), 0);
    QVERIFY(UninstallMachine::waitUntilGone(m.productFolder()));
    QVERIFY(UninstallMachine::waitUntilGone(m.batchFile()));
    COMPARE_LINES(lines(m.tree()), lines(UninstallMachine::without(installedTree, placed(m, plugins))));
    QCOMPARE(m.hives(), hivesBefore);
    QVERIFY2(!m.output().contains(QLatin1String("No matching signal")), qPrintable(m.output()));
}

void TestUninstallRun::chineseGeneral()
{
    UninstallMachine m(Edition::general(), *display, *server);
    m.placeClientPlugins();
    const QString hivesBefore = m.hives();
    const QString treeBefore = m.tree();
    QVERIFY(m.install());
    const QString installedTree = m.tree();
    const int reports = server->requestsTo(QLatin1String(ReportPath)).size();

    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    QTRY_VERIFY(!server->requestsTo(QLatin1String(ListPath)).isEmpty());
    QCOMPARE(server->requestsTo(QLatin1String(ListPath)).last().toObject().value(QLatin1String("query")).toString(), QStringLiteral("type=2"));
    QThread::msleep(300);
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("confirm-zh"))));
    QVERIFY(m.click(At::uninstall));
    QVERIFY(m.click(At::check1));
    QVERIFY(m.click(At::check4));
    QVERIFY(m.click(At::textEdit));
    QVERIFY(m.type(QStringLiteral("abc")));
    QVERIFY(m.click(At::phone));
    QVERIFY(m.type(QStringLiteral("123")));
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("reasons-zh"))));
    QVERIFY(m.click(At::commit));

    QTRY_COMPARE(server->requestsTo(QLatin1String(ReportPath)).size(), reports + 1);
    const QJsonObject report = server->requestsTo(QLatin1String(ReportPath)).last().toObject();
    QCOMPARE(report.value(QLatin1String("body")).toString(),
             QStringLiteral(R"({"rows":[{"id":11},{"id":14},{"contact":"123","id":0,"other":"abc"}],"type":2})"));
    QCOMPARE(report.value(QLatin1String("headers")).toObject().value(QLatin1String("Content-Type")).toString(),
             QStringLiteral("application/json"));
    QVERIFY(m.waitForFinishView());
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("finish-zh"))));
    QVERIFY(!m.clientRunning());
    QCOMPARE(m.box.standinStarts(), QStringList { QStringLiteral("OmbrixVPL.exe\t") });

    finishAndCompare(m, installedTree, hivesBefore, true);
    // What stays of the installation: the folder the user chose, the
    // Start-menu folder and the per-user data folder.
    COMPARE_LINES(lines(UninstallMachine::without(m.tree(), { QStringLiteral("programfiles/Ombrix"), QStringLiteral("home/.local/share/applications/Ombrix"),
                                                         QStringLiteral("appdata/OmbrixVPL") })),
             lines(UninstallMachine::without(treeBefore, m.removedPluginFiles())));
    QVERIFY(QFile::exists(m.box.appData() + QStringLiteral("/OmbrixVPL/AllUser/SPCache")));
}

void TestUninstallRun::englishMode()
{
    UninstallMachine m(Edition::general(QStringLiteral("en_us")), *display, *server);
    m.placeClientPlugins();
    const QString hivesBefore = m.hives();
    QVERIFY(m.install());
    const QString installedTree = m.tree();
    const int reports = server->requestsTo(QLatin1String(ReportPath)).size();

    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("confirm-en"))));
    QVERIFY(m.click(At::uninstall));
    QTRY_COMPARE(server->requestsTo(QLatin1String(ReportPath)).size(), reports + 1);
    QCOMPARE(server->requestsTo(QLatin1String(ReportPath)).last().toObject().value(QLatin1String("body")).toString(),
             QStringLiteral(R"({"rows":[],"type":2})"));
    QVERIFY(m.waitForFinishView());
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("finish-en"))));
    finishAndCompare(m, installedTree, hivesBefore, true);
}

void TestUninstallRun::partnerBuild()
{
    UninstallMachine m(Edition::partner(), *display, *server);
    m.placeClientPlugins();
    const QString hivesBefore = m.hives();
    QVERIFY(m.install());
    const QString installedTree = m.tree();
    const int lists = server->requestsTo(QLatin1String(ListPath)).size();
    const int reports = server->requestsTo(QLatin1String(ReportPath)).size();

    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    QTRY_COMPARE(server->requestsTo(QLatin1String(ListPath)).size(), lists + 1);
    QCOMPARE(server->requestsTo(QLatin1String(ListPath)).last().toObject().value(QLatin1String("query")).toString(), QStringLiteral("type="));
    QThread::msleep(300);
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("confirm-partner"))));
    QVERIFY(m.click(At::uninstall));
    QVERIFY(m.waitForFinishView());
    QVERIFY(!m.clientRunning());
    finishAndCompare(m, installedTree, hivesBefore, true);
    QCOMPARE(server->requestsTo(QLatin1String(ReportPath)).size(), reports);
    QCOMPARE(m.box.standinStarts(), QStringList { QStringLiteral("MraRender.exe\t") });
}

void TestUninstallRun::unityEdition()
{
    UninstallMachine m(Edition::unity(), *display, *server);
    m.placeClientPlugins();
    const QString hivesBefore = m.hives();
    QVERIFY(m.install());
    // The Unity edition does not wait for 3ds Max.
    m.startMax();
    const QString installedTree = m.tree();
    const int reports = server->requestsTo(QLatin1String(ReportPath)).size();

    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    QTRY_VERIFY(!server->requestsTo(QLatin1String(ListPath)).isEmpty());
    QCOMPARE(server->requestsTo(QLatin1String(ListPath)).last().toObject().value(QLatin1String("query")).toString(), QStringLiteral("type=1"));
    QThread::msleep(300);
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("confirm-unity"))));
    QVERIFY(m.click(At::uninstall));
    QVERIFY(m.click(At::check2));
    QVERIFY(m.click(At::commit));
    QTRY_COMPARE(server->requestsTo(QLatin1String(ReportPath)).size(), reports + 1);
    QCOMPARE(server->requestsTo(QLatin1String(ReportPath)).last().toObject().value(QLatin1String("body")).toString(),
             QStringLiteral(R"({"rows":[{"id":12}],"type":1})"));
    QCOMPARE(m.box.standinStarts(), (QStringList { QStringLiteral("OmbrixKD.exe\t"), QStringLiteral("OmbrixKD.exe\tunitydel") }));
    // The 3ds Max scripts and the SketchUp plug-in stay.
    finishAndCompare(m, installedTree, hivesBefore, false);
}

void TestUninstallRun::leaveBeforeRemoval_data()
{
    QTest::addColumn<QList<QPoint>>("clicks");

    QTest::newRow("cancel") << QList<QPoint> { At::cancel };
    QTest::newRow("close on the confirmation page") << QList<QPoint> { At::closeBtn };
    QTest::newRow("close on the reason page") << QList<QPoint> { At::uninstall, At::check1, At::closeBtn };
}

void TestUninstallRun::leaveBeforeRemoval()
{
    QFETCH(QList<QPoint>, clicks);
    UninstallMachine m(Edition::general(), *display, *server);
    m.placeClientPlugins();
    QVERIFY(m.install());
    const QString tree = m.tree();
    const QString hives = m.hives();

    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    for (const QPoint &at : clicks)
        QVERIFY(m.click(at));
    QCOMPARE(m.waitForExit(), 0);
    QThread::msleep(1500);
    COMPARE_LINES(lines(m.tree()), lines(tree));
    QCOMPARE(m.hives(), hives);
    QVERIFY(m.clientRunning());
}

void TestUninstallRun::refusedWhileMaxRuns()
{
    UninstallMachine m(Edition::general(), *display, *server);
    QVERIFY(m.install());
    m.startMax();
    const QString tree = m.tree();
    const QString hives = m.hives();

    QVERIFY2(m.startUninstaller(QStringLiteral("Form")), qPrintable(m.output()));
    QVERIFY(m.screenshot(UninstallMachine::shot(QStringLiteral("refused-max"))));
    QVERIFY(display->windows(QStringLiteral("Widget")).isEmpty());
    // The message box's confirm button, bottom right of its body.
    QVERIFY(m.click(QPoint(335, 170)));
    QCOMPARE(m.waitForExit(), 0);
    COMPARE_LINES(lines(m.tree()), lines(tree));
    QCOMPARE(m.hives(), hives);
}

void TestUninstallRun::refusedWithoutInstallation()
{
    Sandbox box;
    box.useDisplay(display->name());
    const QString folder = box.programFiles() + QStringLiteral("/Ombrix/OmbrixVPL/2.0.1.07042");
    QDir().mkpath(folder);
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("uninstall")), folder + QStringLiteral("/uninstall.exe")));
    const QString tree = Sandbox::tree(box.root());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(box.run(folder + QStringLiteral("/uninstall.exe"), QStringList(), 10000), 0);
    QVERIFY(clock.elapsed() < 5000);
    QVERIFY(display->windows(QStringLiteral("Widget")).isEmpty());
    const QStringList programs { QStringLiteral("registry"), QStringLiteral("tmp"), QStringLiteral("runtime") };
    COMPARE_LINES(lines(UninstallMachine::without(Sandbox::tree(box.root()), programs)), lines(UninstallMachine::without(tree, programs)));
}

void TestUninstallRun::guard_data()
{
    QTest::addColumn<QString>("registered");
    QTest::addColumn<bool>("obIni");
    QTest::addColumn<QString>("removed");

    // Paths relative to the sandbox; "%I" is the real installation folder.
    QTest::newRow("OB.ini beside the uninstaller, no folder") << QString() << true << QString();
    QTest::newRow("drive root") << "sysdrive" << false << QString();
    QTest::newRow("program files") << "programfiles" << false << QString();
    QTest::newRow("user's home") << "home" << false << QString();
    QTest::newRow("parent is not a product folder") << "programfiles/Other/2.0.1.07042" << false << QString();
    QTest::newRow("dot-dot segments") << "%I/../../.." << false << QString();
    QTest::newRow("product folder itself") << "%I/.." << false << QString();
    // The folder has the installer's shape and goes; the batch could not
    // quote its parent, so none is written and the product folder stays.
    QTest::newRow("percent in the product folder's path") << "programfiles/100%/OmbrixVPL/2.0.1.07042" << false
                                                           << "programfiles/100%/OmbrixVPL/2.0.1.07042";
}

void TestUninstallRun::guard()
{
    QFETCH(QString, registered);
    QFETCH(bool, obIni);
    QFETCH(QString, removed);
    UninstallMachine m(Edition::general(QStringLiteral("en_us")), *display, *server);
    m.placeClientPlugins();
    const QString hivesBefore = m.hives();
    QVERIFY(m.install());
    QDir().mkpath(m.box.path(QStringLiteral("programfiles/Other/2.0.1.07042")));
    QFile::copy(TestPaths::bin(QStringLiteral("standin")), m.box.path(QStringLiteral("programfiles/Other/2.0.1.07042/Other.exe")));
    QDir().mkpath(m.box.path(QStringLiteral("programfiles/100%/OmbrixVPL/2.0.1.07042/plugins")));
    QFile::copy(TestPaths::bin(QStringLiteral("standin")), m.box.path(QStringLiteral("programfiles/100%/OmbrixVPL/2.0.1.07042/plugins/x.dll")));
    QDir().mkpath(m.box.path(QStringLiteral("programfiles/100%/OmbrixVPL/1.0.0.00000")));
    if (obIni) {
        QSettings ini(m.installDir() + QStringLiteral("/OB.ini"), QSettings::IniFormat);
        ini.setIniCodec(QTextCodec::codecForName("GB2312"));
        ini.setValue(QStringLiteral("info/exe"), m.edition.exe);
        ini.setValue(QStringLiteral("info/name"), m.edition.name);
        ini.setValue(QStringLiteral("info/nameEN"), m.edition.nameEN);
        ini.setValue(QStringLiteral("info/third"), m.edition.third);
        ini.setValue(QStringLiteral("info/lang"), m.edition.lang);
    } else {
        QString path = registered.startsWith(QLatin1String("%I")) ? m.installDir() + registered.mid(2) : m.box.path(registered);
        bool ok = false;
        m.box.reg({ QStringLiteral("add"), QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL"),
                    QStringLiteral("/v"), QStringLiteral("installDir"), QStringLiteral("/d"), m.windowsPath(path), QStringLiteral("/f") },
                  &ok);
        QVERIFY(ok);
    }
    const QString installedTree = m.tree();

    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    QVERIFY(m.click(At::uninstall));
    QVERIFY(m.waitForFinishView());
    QVERIFY(m.click(At::finish));
    QCOMPARE(m.waitForExit(), 0);
    QVERIFY(!QFile::exists(m.batchFile()));
    QThread::msleep(1500);
    // Only the shortcuts and the plug-ins, which lie where the product puts
    // them, are gone, and a folder of the installer's shape; no batch.
    QStringList gone = m.shortcuts() + m.removedPluginFiles();
    if (!removed.isEmpty())
        gone << removed;
    COMPARE_LINES(lines(m.tree()), lines(UninstallMachine::without(installedTree, gone)));
    QCOMPARE(m.hives(), hivesBefore);
}

QTEST_GUILESS_MAIN(TestUninstallRun)
#include "tst_uninstallrun.moc"
