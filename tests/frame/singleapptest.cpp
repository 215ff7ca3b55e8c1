// The single-instance guard between real processes: the probe program and
// the three programs share one instance name.
#include "sandbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

// Starts the probe and waits until it has said whether it is the first.
QString startProbe(QProcess &process, const Sandbox &sandbox)
{
    process.setProcessEnvironment(sandbox.environment());
    process.start(TestPaths::bin(QStringLiteral("singleprobe")), QStringList());
    if (!process.waitForStarted(10000))
        return QStringLiteral("not started");
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < 10000)
        process.waitForReadyRead(100);
    return QString::fromUtf8(process.readLine()).trimmed();
}

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished(5000);
}

}

class SingleAppTest : public QObject
{
    Q_OBJECT

private slots:
    void secondStartEnds_data();
    void secondStartEnds();
    void whileAProgramRuns_data();
    void whileAProgramRuns();
    void firstKilledThenNewStartRuns();

private:
    static QString layOut(Sandbox &sandbox, const QString &program);
};

void SingleAppTest::secondStartEnds_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("the probe twice") << "singleprobe" << QStringList();
    QTest::newRow("install") << "install" << QStringList();
    QTest::newRow("uninstall") << "uninstall" << QStringList();
    QTest::newRow("update with a version") << "update" << QStringList { "2.0.2.01011" };
}

void SingleAppTest::secondStartEnds()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const QString path = TestPaths::bin(program);

    Sandbox sandbox;
    QProcess first;
    QCOMPARE(startProbe(first, sandbox), QStringLiteral("first"));

    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(sandbox.run(path, arguments, 20000, &output), 0);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(output.contains(program == QLatin1String("singleprobe") ? "exist" : "server exist"), output.constData());
    QVERIFY2(!output.contains("No matching signal"), output.constData());
    // The running instance takes no notice.
    QCOMPARE(first.state(), QProcess::Running);
    stop(first);
}

void SingleAppTest::whileAProgramRuns_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    for (const char *first : { "install", "update" }) {
        QTest::addRow("%s runs, install starts", first) << first << "install" << QStringList();
        QTest::addRow("%s runs, uninstall starts", first) << first << "uninstall" << QStringList();
        QTest::addRow("%s runs, update starts", first) << first << "update" << QStringList { "2.0.2.01011" };
    }
}

// Lays out a program as a person would meet it and returns its folder: the
// installer in a delivery folder (the Unity edition, which skips the 3ds Max
// check that other tests' stand-ins could sway), the updater in an
// installation whose update server refuses at once on the loopback.
QString SingleAppTest::layOut(Sandbox &sandbox, const QString &program)
{
    const bool installer = program == QLatin1String("install");
    const QString folder = sandbox.path(installer ? QStringLiteral("delivery") : QStringLiteral("Ombrix/OmbrixVPL/2.0.1.07042"));
    QDir().mkpath(folder);
    QFile::copy(TestPaths::bin(program), folder + QLatin1Char('/') + program);
    const QList<std::pair<const char *, QByteArray>> files = installer
        ? QList<std::pair<const char *, QByteArray>> { { "OB.ini", "[info]\nthird=KDRender\nexe=OmbrixVPL.exe\n" }, { "version", "2.0.1.07042" } }
        : QList<std::pair<const char *, QByteArray>> { { "service.ini", "[server]\nupdateHost=127.0.0.1:1\nupdateHostEn=127.0.0.1:1\n" } };
    for (const auto &[file, content] : files) {
        QFile out(folder + QLatin1Char('/') + QLatin1String(file));
        out.open(QIODevice::WriteOnly);
        out.write(content);
    }
    if (!installer) {
        sandbox.reg({ "add", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL", "/v", "installDir", "/d",
                      QString(folder).replace(QLatin1Char('/'), QLatin1Char('\\')), "/f" });
        sandbox.reg({ "add", "HKCU\\Software\\Norvane\\OmbrixVPL\\Settings", "/v", "info", "/d",
                      "{\"exe\":\"OmbrixVPL.exe\",\"lang\":\"zh_cn\"}", "/f" });
    }
    return folder;
}

void SingleAppTest::whileAProgramRuns()
{
    QFETCH(QString, first);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    Sandbox sandbox;
    const QString folder = layOut(sandbox, first);
    // Started from its own folder, where the installer finds its version file.
    QProcess running;
    running.setProcessEnvironment(sandbox.environment());
    running.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    running.setWorkingDirectory(folder);
    running.start(folder + QLatin1Char('/') + first,
                  first == QLatin1String("update") ? QStringList { "2.0.2.01011" } : QStringList());
    const auto listening = [&] {
        QLocalSocket probe;
        probe.connectToServer(sandbox.path(QStringLiteral("tmp/velanor_install")));
        return probe.waitForConnected(100);
    };
    QTRY_VERIFY_WITH_TIMEOUT(listening(), 15000);

    QByteArray output;
    QCOMPARE(sandbox.run(TestPaths::bin(program), arguments, 20000, &output), 0);
    QVERIFY2(output.contains("server exist"), output.constData());
    QVERIFY2(!output.contains("No matching signal"), output.constData());
    QCOMPARE(running.state(), QProcess::Running);
    stop(running);
}

void SingleAppTest::firstKilledThenNewStartRuns()
{
    Sandbox sandbox;
    QProcess first;
    QCOMPARE(startProbe(first, sandbox), QStringLiteral("first"));
    ::kill(pid_t(first.processId()), SIGKILL);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFileInfo::exists(sandbox.path(QStringLiteral("tmp/velanor_install"))));

    QProcess next;
    QCOMPARE(startProbe(next, sandbox), QStringLiteral("first"));
    QProcess third;
    QCOMPARE(startProbe(third, sandbox), QStringLiteral("exist"));
    QVERIFY(third.waitForFinished(5000));
    QCOMPARE(third.exitCode(), 0);
    stop(next);
}

QTEST_GUILESS_MAIN(SingleAppTest)
#include "singleapptest.moc"
