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
    void whileInstallerRuns_data();
    void whileInstallerRuns();
    void firstKilledThenNewStartRuns();
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
    if (!QFileInfo::exists(path))
        QSKIP("this program is not built yet");

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

void SingleAppTest::whileInstallerRuns_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("install again") << "install" << QStringList();
    QTest::newRow("uninstall") << "uninstall" << QStringList();
    QTest::newRow("update") << "update" << QStringList { "2.0.2.01011" };
}

// The real installer from a delivery folder stays up with its window (the
// Unity edition skips the 3ds Max check, which other tests' stand-ins could sway).
void SingleAppTest::whileInstallerRuns()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    for (const QString &needed : { QStringLiteral("install"), program }) {
        if (!QFileInfo::exists(TestPaths::bin(needed)))
            QSKIP("a program is not built yet");
    }
    Sandbox sandbox;
    const QString delivery = sandbox.path(QStringLiteral("delivery"));
    QVERIFY(QDir().mkpath(delivery));
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("install")), delivery + QStringLiteral("/install")));
    for (const auto &[file, content] : { std::pair { "OB.ini", QByteArray("[info]\nthird=KDRender\nexe=OmbrixVPL.exe\n") },
                                         std::pair { "version", QByteArray("2.0.1.07042") } }) {
        QFile out(delivery + QLatin1Char('/') + QLatin1String(file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    // Started from its delivery folder, where it finds its version file.
    QProcess installer;
    installer.setProcessEnvironment(sandbox.environment());
    installer.setWorkingDirectory(delivery);
    installer.start(delivery + QStringLiteral("/install"), QStringList());
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
    QCOMPARE(installer.state(), QProcess::Running);
    stop(installer);
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
