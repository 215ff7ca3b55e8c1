// The updater killed (SIGKILL) at random moments of a run: no installed
// file is ever seen truncated or half-written, and a later run completes.
#include "installation.h"
#include "releasefiles.h"
#include "sandbox.h"
#include "updaterrun.h"

#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <csignal>

namespace {

const char Version[] = "5.2.0.1";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString sha1(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

}

class UpdateCrashTest : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMoments();

private:
    // Each installed file holds its old or its new content whole; a file
    // may be missing only while its verified download waits beside it.
    void checkWhole(const Installation &installation);

    QMap<QString, QByteArray> before;
    QMap<QString, QByteArray> after;
};

void UpdateCrashTest::checkWhole(const Installation &installation)
{
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const QString path = installation.path(it.key());
        const QString now = QFile::exists(path) ? sha1(readAll(path)) : QStringLiteral("absent");
        const QString old = before.contains(it.key()) ? sha1(before.value(it.key())) : QStringLiteral("absent");
        const QString fresh = sha1(it.value());
        if (now == QLatin1String("absent") && old != now)
            QCOMPARE(sha1(readAll(path + QStringLiteral("_DOWN_OB_DELETE"))), fresh);
        else
            QVERIFY2(now == old || now == fresh, qPrintable(it.key() + QStringLiteral(" is neither old nor new")));
    }
}

void UpdateCrashTest::killedAtRandomMoments()
{
    Sandbox sandbox;
    const QByteArray client = readAll(TestPaths::bin(QStringLiteral("standin")));
    QMap<QString, QByteArray> release { { "OB-X.exe", client + ReleaseFiles::content("client 2", 4 << 20) },
                                        { "core.dll", ReleaseFiles::content("core 2", 8 << 20) },
                                        { "plugins/max/new.dlu", ReleaseFiles::content("plug-in", 3 << 20) } };
    before = { { "OmbrixVPL.exe", client }, { "uninstall.exe", "the uninstaller" }, { "core.dll", ReleaseFiles::content("core 1", 7 << 20) } };
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("data/part%1.bin").arg(i);
        release.insert(name, ReleaseFiles::content(name + QStringLiteral(" 2"), 6 << 20));
        before.insert(name, ReleaseFiles::content(name + QStringLiteral(" 1"), 5 << 20));
    }
    after = release;
    after.insert("OmbrixVPL.exe", after.take("OB-X.exe"));
    QVERIFY(ReleaseFiles::write(sandbox.path(QStringLiteral("release/OmbrixVPL")), release));
    TestServer server({ QStringLiteral("--release"), sandbox.path(QStringLiteral("release/OmbrixVPL")) });
    QVERIFY(server.isValid());
    Installation installation(sandbox, { QString(), QStringLiteral("欧布渲染"), QStringLiteral("Ombrix Render"), QStringLiteral("OmbrixVPL.exe"), QString() });
    QVERIFY(installation.seed(before, server.host(), server.host()));

    const quint32 seed = QRandomGenerator::global()->generate();
    qDebug() << "seed" << seed;
    QRandomGenerator random(seed);
    // A kill at a random moment after a random point of the run: anywhere,
    // during the downloads, amid the swaps, or during the registration.
    const QStringList points { QString(), QStringLiteral("pro 40"), QStringLiteral("in place"), QStringLiteral("pro 100") };
    QStringList outcomes;
    for (int kill = 0; kill < 12; ++kill) {
        if (ReleaseFiles::digests(installation.folder()).contains(sha1(after.value("core.dll"))))
            QVERIFY(ReleaseFiles::write(installation.folder(), before));
        const QString point = points.at(int(random.bounded(points.size())));
        UpdaterRun run(sandbox, installation.updater(), { Version });
        if (!point.isEmpty())
            run.waitFor(point, 30000);
        QThread::msleep(point.isEmpty() ? int(random.bounded(40, 1500)) : point == QLatin1String("in place") ? int(random.bounded(3)) : int(random.bounded(200)));
        ::kill(pid_t(run.pid()), SIGKILL);
        QCOMPARE(run.waitForExit(10000), -1);
        const QStringList milestones = run.milestones();
        outcomes.append(QStringLiteral("%1 -> %2, %3 swapped")
                            .arg(point.isEmpty() ? QStringLiteral("start") : point, milestones.isEmpty() ? QStringLiteral("-") : milestones.last())
                            .arg(run.output().count(QLatin1String("in place"))));
        checkWhole(installation);
    }
    qDebug() << "kills:" << outcomes;

    UpdaterRun last(sandbox, installation.updater(), { Version });
    QVERIFY2(last.waitFor(QStringLiteral("shows \"完成\""), 60000), qPrintable(last.output()));
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        QCOMPARE(sha1(readAll(installation.path(it.key()))), sha1(it.value()));
    QCOMPARE(ReleaseFiles::leftovers(installation.folder()), QString());
    QCOMPARE(sandbox.regValue(QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL"),
                              QStringLiteral("DisplayVersion")),
             QStringLiteral("5.2.0.1"));
}

QTEST_MAIN(UpdateCrashTest)
#include "tst_updatecrash.moc"
