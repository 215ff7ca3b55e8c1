// Hostile manifests and update servers against the update worker: each run
// ends with the error the window shows or with a correct update, the
// installation is either as before or the release, no refused body stays on
// disk, and nothing beside the installation changes.
#include "releasefiles.h"
#include "sandbox.h"
#include "workerrun.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

namespace {

const char Version[] = "5.2.0.1";
// Events of a run that reaches the first download.
const char Listed[] = "pro 10|content n|pro 20|pro 30|pro 40|";

// The worker's diagnostics, which name why a run ended.
QStringList diagnostics;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    diagnostics.append(message);
    previousHandler(type, context, message);
}

QString sha1(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

}

class TestHostileUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void hostile_data();
    void hostile();

private:
    QString installed(const QString &relative) const { return dir->filePath(QStringLiteral("install/") + relative); }
    QString releaseFolder() const { return dir->filePath(QStringLiteral("release/OmbrixVPL")); }
    QString manifestFile(const QString &xml);
    QString outsideInstallation() const;

    QScopedPointer<QTemporaryDir> dir;
    QMap<QString, QByteArray> release;
    QMap<QString, QByteArray> old;
};

void TestHostileUpdate::initTestCase()
{
    previousHandler = qInstallMessageHandler(collect);
}

void TestHostileUpdate::init()
{
    diagnostics.clear();
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    updateVersion = QLatin1String(Version);
    updateRoot = dir->filePath(QStringLiteral("install"));
    release = { { "OB-X.exe", ReleaseFiles::content("client 2", 300000) }, { "core.dll", ReleaseFiles::content("core 2", 100000) } };
    old = { { "OmbrixVPL.exe", ReleaseFiles::content("client 1", 200000) }, { "core.dll", ReleaseFiles::content("core 1", 90000) },
            { "user.ini", "settings" } };
    QVERIFY(ReleaseFiles::write(releaseFolder(), release));
    QVERIFY(ReleaseFiles::write(installed(QString()), old));
    // A neighbour of the installation that nothing may touch.
    QVERIFY(ReleaseFiles::write(dir->filePath(QStringLiteral("neighbour")), { { "other.dll", "other product" } }));
}

QString TestHostileUpdate::manifestFile(const QString &xml)
{
    const QString path = dir->filePath(QStringLiteral("manifest.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(xml.toUtf8());
    return path;
}

QString TestHostileUpdate::outsideInstallation() const
{
    QStringList lines;
    for (const QString &line : Sandbox::tree(dir->path()).split(QLatin1Char('\n'))) {
        if (!line.contains(QStringLiteral(" install/")) && !line.endsWith(QLatin1String(" install")))
            lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

void TestHostileUpdate::hostile_data()
{
    QTest::addColumn<QString>("manifest"); // verbatim manifest; empty for the one made from the release
    QTest::addColumn<QString>("fault");
    QTest::addColumn<qint64>("fileLimit");
    QTest::addColumn<int>("stallMs");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("why");       // in the diagnostics
    QTest::addColumn<bool>("updated");     // the release in place, else the old files untouched
    QTest::addColumn<QString>("leftovers");
    QTest::addColumn<int>("seconds");      // the run ends within this

    const qint64 limit = TransferLimits::FileBytes;
    const QString listed = QLatin1String(Listed);
    const QString entry = QStringLiteral("<f name=\"core.dll\" path=\"OmbrixVPL/\" hashCode=\"%1\"/>");
    const QString prefix = QStringLiteral("<prefix>http://127.0.0.1:{PORT}/</prefix>");
    const QString core = sha1(ReleaseFiles::content("core 2", 100000));

    QString laughs = QStringLiteral("<!DOCTYPE r [<!ENTITY l0 \"laughter\">");
    for (int i = 1; i < 10; ++i)
        laughs += QStringLiteral("<!ENTITY l%1 \"&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;\">").arg(i).arg(i - 1);
    QTest::newRow("entity-expansion bomb")
        << laughs + QStringLiteral("]><r><note>&l9;</note><files>") + entry.arg(core) + QStringLiteral("</files>") + prefix
               + QStringLiteral("</r>")
        << "" << limit << 20000 << "pro 10|error -1" << "the manifest is not XML" << false << "" << 20;
    QTest::newRow("100 MB manifest")
        << QStringLiteral("<r><files>") + entry.arg(core) + QStringLiteral("</files>") + prefix + QStringLiteral("<note>")
               + QString(100 * 1024 * 1024, QLatin1Char('x')) + QStringLiteral("</note></r>")
        << "" << limit << 20000 << "error -1" << "manifest beyond 8388608 bytes, refused" << false << "" << 20;
    QTest::newRow("endless manifest") << "" << "manifest=endless" << limit << 20000 << "error -1" << "manifest beyond 8388608 bytes, refused" << false << "" << 20;
    QTest::newRow("manifest announced at 8 GiB") << "" << "manifest=huge" << limit << 20000 << "error -1" << "manifest beyond 8388608 bytes, refused" << false << "" << 20;
    QTest::newRow("manifest dripped a byte a second") << "" << "manifest=drip" << limit << 3000 << "error -1" << "no data for 3000 ms, giving up" << false << "" << 20;
    QTest::newRow("manifest redirected to another host") << "" << "manifest=redirect" << limit << 20000 << "pro 10|error -1" << "the manifest is not XML" << false << "" << 20;
    QTest::newRow("duplicate entries for one file, one digest")
        << QStringLiteral("<r><note>n</note><files>") + entry.arg(core) + entry.arg(core) + QStringLiteral("</files>") + prefix
               + QStringLiteral("</r>")
        << "" << limit << 20000 << listed + "pro 70|pro 100" << "in place" << true << "" << 20;
    QTest::newRow("duplicate entries for one file, two digests")
        << QStringLiteral("<r><note>n</note><files>") + entry.arg(core) + entry.arg(sha1("other")) + QStringLiteral("</files>")
               + prefix + QStringLiteral("</r>")
        << "" << limit << 20000 << listed + "error -2" << "downloaded file has another digest" << false << "core.dll_DOWN_OB_DELETE" << 20;
    QTest::newRow("file body beyond the bound, endless") << "" << "stream=endless" << qint64(4 * 1024 * 1024) << 20000 << listed + "error -2"
                                                         << "body beyond 4194304 bytes, refused" << false << "" << 30;
    QTest::newRow("file announced at 8 GiB") << "" << "stream=huge" << limit << 20000 << listed + "error -2" << "body beyond 4294967296 bytes, refused" << false << "" << 20;
    QTest::newRow("file redirected to another host")
        << "" << "stream=redirect" << limit << 20000 << listed + "error -2" << "downloaded file has another digest" << false << "OmbrixVPL.exe_DOWN_OB_DELETE" << 20;
    QTest::newRow("file dripped a byte a second")
        << "" << "stream=drip" << limit << 3000 << listed + "error -2" << "no data for 3000 ms, giving up" << false << "OmbrixVPL.exe_DOWN_OB_DELETE" << 20;
}

void TestHostileUpdate::hostile()
{
    QFETCH(QString, manifest);
    QFETCH(QString, fault);
    QFETCH(qint64, fileLimit);
    QFETCH(int, stallMs);
    QFETCH(QString, events);
    QFETCH(QString, why);
    QFETCH(bool, updated);
    QFETCH(QString, leftovers);
    QFETCH(int, seconds);
    QStringList arguments { QStringLiteral("--release"), releaseFolder(), QStringLiteral("--note"), QStringLiteral("n") };
    if (!manifest.isEmpty())
        arguments << QStringLiteral("--manifest") << manifestFile(manifest);
    if (!fault.isEmpty())
        arguments << QStringLiteral("--fault") << fault;
    QScopedPointer<TestServer> server(new TestServer(arguments));
    QVERIFY(server->isValid());
    const QString before = outsideInstallation();

    QElapsedTimer clock;
    clock.start();
    {
        WorkerRun run(server->host(), QString(), stallMs, fileLimit);
        run.start();
        QVERIFY2(run.finish(seconds * 1000), qPrintable(run.record()));
        QCOMPARE(run.record(), events);
        // A server still pouring out a refused body would keep Qt's network
        // thread busy past its shut-down wait, which then leaks it.
        server.reset();
    }
    QVERIFY2(clock.elapsed() < seconds * 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(diagnostics.filter(why).size() > 0, qPrintable(diagnostics.join(QLatin1Char('\n'))));

    QMap<QString, QByteArray> expected = old;
    if (updated)
        expected.insert("core.dll", release.value("core.dll"));
    QTemporaryDir model;
    QVERIFY(ReleaseFiles::write(model.path(), expected));
    QCOMPARE(ReleaseFiles::digests(installed(QString())), ReleaseFiles::digests(model.path()));
    QCOMPARE(ReleaseFiles::leftovers(installed(QString())), leftovers);
    QCOMPARE(outsideInstallation(), before);
}

QTEST_GUILESS_MAIN(TestHostileUpdate)
#include "tst_hostileupdate.moc"
