// The single-instance guard between real processes: the probe program and
// the three programs share one instance name.
#include "sandbox.h"

#include <QElapsedTimer>
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
