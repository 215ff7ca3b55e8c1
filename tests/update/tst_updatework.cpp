// The update worker in its own thread against the loopback update server:
// manifest, check, verified downloads, swap, leftovers and every failure.
#include "releasefiles.h"
#include "sandbox.h"
#include "updatework.h"
#include "workerrun.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <unistd.h>

namespace {

const char Version[] = "5.2.0.1";
const char Note[] = "修复若干问题";

QString success()
{
    return QStringLiteral("pro 10|content %1|pro 20|pro 30|pro 40|pro 70|pro 100").arg(QString::fromUtf8(Note));
}

QStringList streamedFiles(const TestServer &server)
{
    QStringList paths;
    for (const QJsonValue &request : server.requestsTo(QStringLiteral("/getVersionStream.htm"))) {
        for (const QJsonValue &item : request.toObject().value(QLatin1String("query_items")).toArray()) {
            if (item.toArray().at(0).toString() == QLatin1String("path"))
                paths.append(item.toArray().at(1).toString());
        }
    }
    paths.sort();
    return paths;
}

}

class UpdateWorkTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void updatesChangedFiles();
    void everyFileCurrent();
    void failures_data();
    void failures();
    void unsafeEntries_data();
    void unsafeEntries();
    void manifestForms_data();
    void manifestForms();
    void chosenServer_data();
    void chosenServer();
    void setsAsideFileInUse();
    void finishesInterruptedSwap();
    void writesBodyAsItArrives();
    void stopEndsStalledManifest();

private:
    QString server(const QString &relative) const { return dir->filePath(QStringLiteral("release/OmbrixVPL/") + relative); }
    QString installed(const QString &relative) const { return dir->filePath(QStringLiteral("install/") + relative); }
    void writeRelease(const QMap<QString, QByteArray> &files);
    void writeInstallation(const QMap<QString, QByteArray> &files);
    QString expected(const QMap<QString, QByteArray> &files);
    QString writeManifest(const QString &xml);
    QStringList releaseArgs() const;

    QScopedPointer<QTemporaryDir> dir;
    QMap<QString, QByteArray> release;
    QMap<QString, QByteArray> current;
};

void UpdateWorkTest::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    QDir().mkpath(installed(QString()));
    updateVersion = QLatin1String(Version);
    updateRoot = dir->filePath(QStringLiteral("install"));
    // The release as the server holds it, and the installation it leads to.
    release = {
        { "OB-X.exe", ReleaseFiles::content("client 2", 300000) },
        { "core.dll", ReleaseFiles::content("core", 100000) },
        { "data/readme.txt", ReleaseFiles::content("readme 2", 5000) },
    };
    current = {
        { "OmbrixVPL.exe", release.value("OB-X.exe") },
        { "core.dll", release.value("core.dll") },
        { "data/readme.txt", release.value("data/readme.txt") },
    };
}

void UpdateWorkTest::writeRelease(const QMap<QString, QByteArray> &files)
{
    QVERIFY(ReleaseFiles::write(dir->filePath(QStringLiteral("release/OmbrixVPL")), files));
}

void UpdateWorkTest::writeInstallation(const QMap<QString, QByteArray> &files)
{
    QVERIFY(ReleaseFiles::write(installed(QString()), files));
}

QString UpdateWorkTest::expected(const QMap<QString, QByteArray> &files)
{
    QTemporaryDir tree;
    ReleaseFiles::write(tree.path(), files);
    return ReleaseFiles::digests(tree.path());
}

QString UpdateWorkTest::writeManifest(const QString &xml)
{
    const QString path = dir->filePath(QStringLiteral("manifest.xml"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(xml.toUtf8());
    return path;
}

QStringList UpdateWorkTest::releaseArgs() const
{
    return { QStringLiteral("--release"), dir->filePath(QStringLiteral("release/OmbrixVPL")), QStringLiteral("--note"), QString::fromUtf8(Note) };
}

void UpdateWorkTest::updatesChangedFiles()
{
    release.insert("OB-MRA.exe", ReleaseFiles::content("other channel", 1000));
    release.insert("plugins/max/new.dlu", ReleaseFiles::content("new plug-in", 70000));
    writeRelease(release);
    writeInstallation({
        { "OmbrixVPL.exe", ReleaseFiles::content("client 1", 200000) },
        { "core.dll", release.value("core.dll") },
        { "data/readme.txt", ReleaseFiles::content("readme 1", 4000) },
        { "keep.ini", "user settings" },
        { "data/readme.txt_DOWN_OB_DELETE", "stale download" },
        { "data/deep/OmbrixVPL.exe1700000000000_OB_DELETE", "stale set-aside" },
    });
    const QDateTime untouched = QFileInfo(installed("core.dll")).lastModified();
    TestServer server(releaseArgs());
    QVERIFY(server.isValid());

    WorkerRun run(server.host(), QString(), 60000);
    run.start();
    QVERIFY(run.finish());
    QCOMPARE(run.record(), success());
    QCOMPARE(streamedFiles(server), QStringList({ "files/OmbrixVPL//OB-X.exe", "files/OmbrixVPL/data/readme.txt",
                                                  "files/OmbrixVPL/plugins/max/new.dlu" }));
    current.insert("plugins/max/new.dlu", release.value("plugins/max/new.dlu"));
    current.insert("keep.ini", "user settings");
    QCOMPARE(ReleaseFiles::digests(installed(QString()), true), expected(current));
    QCOMPARE(QFileInfo(installed("core.dll")).lastModified(), untouched);
}

void UpdateWorkTest::everyFileCurrent()
{
    writeRelease(release);
    writeInstallation(current);
    TestServer server(releaseArgs());
    WorkerRun run(server.host(), QString(), 60000);
    run.start();
    QVERIFY(run.finish());
    QCOMPARE(run.record(), success());
    QCOMPARE(streamedFiles(server), QStringList());
    QCOMPARE(ReleaseFiles::digests(installed(QString()), true), expected(current));
}

void UpdateWorkTest::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("leftovers");
    const QString listed = QStringLiteral("pro 10|content %1|pro 20|pro 30|pro 40|").arg(QString::fromUtf8(Note));
    const QString firstDownload = QStringLiteral("OmbrixVPL.exe_DOWN_OB_DELETE");
    QTest::newRow("manifest 404") << "manifest=404" << "error -1" << "";
    QTest::newRow("manifest 500") << "manifest=500" << "error -1" << "";
    QTest::newRow("manifest not XML") << "manifest=notxml" << "pro 10|error -1" << "";
    QTest::newRow("manifest truncated") << "manifest=truncate" << "error -1" << "";
    QTest::newRow("manifest never answers") << "manifest=stall" << "error -1" << "";
    QTest::newRow("manifest stalls halfway") << "manifest=stallbody" << "error -1" << "";
    QTest::newRow("manifest connection dropped") << "manifest=noanswer" << "error -1" << "";
    QTest::newRow("manifest without prefix") << "manifest=noprefix" << listed + "error -2" << firstDownload;
    QTest::newRow("manifest with a wrong digest") << "manifest=wrongdigest" << listed + "error -2" << firstDownload;
    QTest::newRow("download 404") << "stream=404" << listed + "error -2" << firstDownload;
    QTest::newRow("download 500") << "stream=500" << listed + "error -2" << firstDownload;
    QTest::newRow("download truncated") << "stream=truncate" << listed + "error -2" << firstDownload;
    QTest::newRow("download of other content") << "stream=wrongdigest" << listed + "error -2" << firstDownload;
    QTest::newRow("download never answers") << "stream=stall" << listed + "error -2" << firstDownload;
    QTest::newRow("download stalls halfway") << "stream=stallbody" << listed + "error -2" << firstDownload;
    QTest::newRow("second of three downloads fails")
        << "stream=500@2" << listed + "error -2" << firstDownload + QStringLiteral("\ncore.dll_DOWN_OB_DELETE");
}

// A failure leaves every installed file as it was, and the next run completes.
void UpdateWorkTest::failures()
{
    QFETCH(QString, fault);
    QFETCH(QString, events);
    QFETCH(QString, leftovers);
    writeRelease(release);
    const QMap<QString, QByteArray> old = {
        { "OmbrixVPL.exe", ReleaseFiles::content("client 1", 200000) },
        { "core.dll", ReleaseFiles::content("core 1", 90000) },
        { "data/readme.txt", ReleaseFiles::content("readme 1", 4000) },
    };
    writeInstallation(old);
    TestServer server(releaseArgs() + QStringList { QStringLiteral("--fault"), fault });
    QVERIFY(server.isValid());
    {
        WorkerRun run(server.host(), QString(), 1500);
        run.start();
        QVERIFY(run.finish());
        QCOMPARE(run.record(), events);
    }
    QCOMPARE(ReleaseFiles::digests(installed(QString())), expected(old));
    QCOMPARE(ReleaseFiles::leftovers(installed(QString())), leftovers);

    QVERIFY(server.setFault(fault.section(QLatin1Char('='), 0, 0), QStringLiteral("none")));
    WorkerRun retry(server.host(), QString(), 1500);
    retry.start();
    QVERIFY(retry.finish());
    QCOMPARE(retry.record(), success());
    QCOMPARE(ReleaseFiles::digests(installed(QString()), true), expected(current));
}

void UpdateWorkTest::unsafeEntries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("parent segments") << "OmbrixVPL/../../outside" << "evil.dll";
    QTest::newRow("parent without slash") << ".." << "evil.dll";
    QTest::newRow("name climbs") << "OmbrixVPL/" << "../evil.dll";
    QTest::newRow("absolute path") << "/tmp" << "evil.dll";
    QTest::newRow("drive letter") << "C:/Windows" << "evil.dll";
    QTest::newRow("backslashes") << "OmbrixVPL\\..\\.." << "evil.dll";
    QTest::newRow("no file name") << "OmbrixVPL/" << "";
}

// Nothing is fetched, nothing outside or inside the installation changes.
void UpdateWorkTest::unsafeEntries()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    writeRelease(release);
    writeInstallation({ { "core.dll", ReleaseFiles::content("core 1", 1000) } });
    const QString manifest = writeManifest(
        QStringLiteral("<root><files><file name=\"core.dll\" path=\"OmbrixVPL/\" hashCode=\"%1\"/>"
                       "<file name=\"%2\" path=\"%3\" hashCode=\"%1\"/></files><prefix>http://127.0.0.1:{PORT}/</prefix></root>")
            .arg(QString::fromLatin1(QCryptographicHash::hash(release.value("core.dll"), QCryptographicHash::Sha1).toHex()), name.toHtmlEscaped(),
                 path.toHtmlEscaped()));
    const QString before = ReleaseFiles::digests(dir->path(), true);
    TestServer server({ QStringLiteral("--release"), dir->filePath(QStringLiteral("release/OmbrixVPL")), QStringLiteral("--manifest"), manifest });
    WorkerRun run(server.host(), QString(), 60000);
    run.start();
    QVERIFY(run.finish());
    QCOMPARE(run.record(), QStringLiteral("pro 10|error -1"));
    QCOMPARE(streamedFiles(server), QStringList());
    QCOMPARE(ReleaseFiles::digests(dir->path(), true), before);
}

void UpdateWorkTest::manifestForms_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("events");
    const QString core = QString::fromLatin1(QCryptographicHash::hash(ReleaseFiles::content("core", 100000), QCryptographicHash::Sha1).toHex());
    QTest::newRow("note after the files comes first, the later prefix holds")
        << QStringLiteral("<any><prefix>http://127.0.0.1:9/</prefix><files><f name=\"core.dll\" path=\"OmbrixVPL/\" hashCode=\"%1\"/></files>"
                          "<note>late</note><prefix>http://127.0.0.1:{PORT}/</prefix></any>")
               .arg(core)
        << "pro 10|content late|pro 20|pro 30|pro 40|pro 70|pro 100";
    QTest::newRow("no files element") << "<root><note>n</note></root>" << "pro 10|content n|pro 20|error -1";
    QTest::newRow("only other channels' executables")
        << "<root><files><f name=\"OB-MRA.exe\" path=\"OmbrixVPL/\" hashCode=\"aa\"/></files></root>" << "pro 10|pro 20|error -1";
    QTest::newRow("no digest for a file to fetch")
        << "<root><files><f name=\"core.dll\" path=\"OmbrixVPL/\"/></files><prefix>http://127.0.0.1:{PORT}/</prefix></root>"
        << "pro 10|pro 20|pro 30|pro 40|error -2";
    QTest::newRow("upper-case digest")
        << QStringLiteral("<root><files><f name=\"core.dll\" path=\"OmbrixVPL/\" hashCode=\"%1\"/></files><prefix>http://127.0.0.1:{PORT}/</prefix></root>")
               .arg(core.toUpper())
        << "pro 10|pro 20|pro 30|pro 40|error -2";
}

void UpdateWorkTest::manifestForms()
{
    QFETCH(QString, xml);
    QFETCH(QString, events);
    writeRelease(release);
    TestServer server({ QStringLiteral("--release"), dir->filePath(QStringLiteral("release/OmbrixVPL")), QStringLiteral("--manifest"), writeManifest(xml) });
    WorkerRun run(server.host(), QString(), 60000);
    run.start();
    QVERIFY(run.finish());
    QCOMPARE(run.record(), events);
}

void UpdateWorkTest::chosenServer_data()
{
    QTest::addColumn<bool>("isEn");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("query");
    QTest::newRow("Chinese, general") << false << "" << "version=5.2.0.1";
    QTest::newRow("English, MRA channel") << true << "MRARender" << "version=5.2.0.1&client=mra";
    QTest::newRow("Chinese, Unity edition") << false << "KDRender" << "version=5.2.0.1&client=u3d";
}

void UpdateWorkTest::chosenServer()
{
    QFETCH(bool, isEn);
    QFETCH(QString, third);
    QFETCH(QString, query);
    writeRelease(release);
    TestServer primary(releaseArgs());
    TestServer secondary(releaseArgs());
    WorkerRun run(primary.host(), secondary.host(), 60000);
    run.start(isEn, third);
    QVERIFY(run.finish());
    const TestServer &asked = isEn ? secondary : primary;
    const TestServer &other = isEn ? primary : secondary;
    QCOMPARE(asked.requestsTo(QStringLiteral("/getVersionFile.htm")).size(), 1);
    QCOMPARE(asked.requestsTo(QStringLiteral("/getVersionFile.htm")).at(0).toObject().value(QLatin1String("query")).toString(), query);
    QCOMPARE(other.requests().size(), 0);
}

void UpdateWorkTest::setsAsideFileInUse()
{
    QFile standin(TestPaths::bin(QStringLiteral("standin")));
    QVERIFY(standin.open(QIODevice::ReadOnly));
    const QByteArray client = standin.readAll();
    release.insert("OB-X.exe", client + "release 2");
    writeRelease(release);
    current.insert("OmbrixVPL.exe", release.value("OB-X.exe"));
    writeInstallation({ { "OmbrixVPL.exe", client }, { "core.dll", release.value("core.dll") }, { "data/readme.txt", release.value("data/readme.txt") } });
    QFile::setPermissions(installed("OmbrixVPL.exe"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcess running;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OMBRIX_STANDIN_LOG"), dir->filePath(QStringLiteral("standin.log")));
    running.setProcessEnvironment(env);
    // Started through a second name of the same file: other suites end every
    // process named OmbrixVPL.exe on the machine, this one must keep running.
    const QString alias = dir->filePath(QStringLiteral("running-client"));
    QCOMPARE(::link(QFile::encodeName(installed("OmbrixVPL.exe")).constData(), QFile::encodeName(alias).constData()), 0);
    running.start(alias, QStringList());
    QVERIFY(running.waitForStarted());
    QTRY_VERIFY(QFile::exists(dir->filePath(QStringLiteral("standin.log"))));

    TestServer server(releaseArgs());
    {
        WorkerRun run(server.host(), QString(), 60000);
        run.start();
        QVERIFY(run.finish());
        QCOMPARE(run.record(), success());
    }
    QCOMPARE(ReleaseFiles::digests(installed(QString())), expected(current));
    QCOMPARE(ReleaseFiles::leftovers(installed(QString())), QStringLiteral("OmbrixVPL.exe<ms>_OB_DELETE"));
    QCOMPARE(running.state(), QProcess::Running);

    running.kill();
    QVERIFY(running.waitForFinished());
    WorkerRun later(server.host(), QString(), 60000);
    later.start();
    QVERIFY(later.finish());
    QCOMPARE(later.record(), success());
    QCOMPARE(ReleaseFiles::leftovers(installed(QString())), QString());
    QCOMPARE(streamedFiles(server), QStringList({ "files/OmbrixVPL//OB-X.exe" }));
}

// A run killed between taking an installed file away and moving its
// verified download in: the next run puts that download in place as it is.
void UpdateWorkTest::finishesInterruptedSwap()
{
    writeRelease(release);
    writeInstallation({ { "OmbrixVPL.exe_DOWN_OB_DELETE", release.value("OB-X.exe") },
                        { "core.dll", release.value("core.dll") },
                        { "data/readme.txt", ReleaseFiles::content("readme 1", 4000) },
                        { "data/readme.txt_DOWN_OB_DELETE", ReleaseFiles::content("half a readme", 2000) } });
    TestServer server(releaseArgs());
    WorkerRun run(server.host(), QString(), 60000);
    run.start();
    QVERIFY(run.finish());
    QCOMPARE(run.record(), success());
    QCOMPARE(streamedFiles(server), QStringList({ "files/OmbrixVPL/data/readme.txt" }));
    QCOMPARE(ReleaseFiles::digests(installed(QString()), true), expected(current));
}

// Half a body that then stalls is on disk already: nothing waits in memory.
void UpdateWorkTest::writesBodyAsItArrives()
{
    release.insert("OB-X.exe", ReleaseFiles::content("big client", 8 * 1024 * 1024));
    writeRelease(release);
    writeInstallation({ { "core.dll", release.value("core.dll") }, { "data/readme.txt", release.value("data/readme.txt") } });
    TestServer server(releaseArgs() + QStringList { QStringLiteral("--fault"), QStringLiteral("stream=stallbody") });
    WorkerRun run(server.host(), QString(), 60000);
    run.start();
    const QString temporary = installed("OmbrixVPL.exe_DOWN_OB_DELETE");
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(temporary).size(), qint64(4 * 1024 * 1024), 20000);
    QElapsedTimer clock;
    clock.start();
    run.work->stop();
    QVERIFY(run.finish(5000));
    QVERIFY(clock.elapsed() < 3000);
    QVERIFY(run.record().endsWith(QLatin1String("pro 40|error -2")));
    QVERIFY(!QFile::exists(installed("OmbrixVPL.exe")));
}

void UpdateWorkTest::stopEndsStalledManifest()
{
    TestServer server({ QStringLiteral("--fault"), QStringLiteral("manifest=stall") });
    QElapsedTimer clock;
    {
        WorkerRun run(server.host(), QString(), 60000);
        run.start();
        QTRY_COMPARE(server.requestsTo(QStringLiteral("/getVersionFile.htm")).size(), 1);
        clock.start();
    }
    QVERIFY(clock.elapsed() < 3000);
}

QTEST_GUILESS_MAIN(UpdateWorkTest)
#include "tst_updatework.moc"
