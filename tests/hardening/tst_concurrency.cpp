// The three programs started together, round after round: exactly one of
// them runs each time, and killing it never keeps the next round from
// starting one.
#include "platform/registry.h"
#include "sandbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopedPointer>
#include <QTextCodec>
#include <QtTest>

#include <csignal>

namespace {

const int Rounds = 50;
const char InstallFolder[] = "programfiles/Ombrix/OmbrixVPL/2.0.1.07042";

bool copyProgram(const QString &program, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(TestPaths::bin(program), to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

}

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void exactlyOneRuns();
};

void TestConcurrency::exactlyOneRuns()
{
    Sandbox sandbox;
    sandbox.enter();
    // A delivery beside the installer, and an installation for the other two;
    // the client's name is unique, so the installer ends nobody's process,
    // and the servers answer nothing, at once.
    const QString delivery = sandbox.path(QStringLiteral("delivery"));
    const QString folder = sandbox.path(QLatin1String(InstallFolder));
    QVERIFY(copyProgram(QStringLiteral("install"), delivery + QStringLiteral("/install")));
    QVERIFY(copyProgram(QStringLiteral("uninstall"), folder + QStringLiteral("/uninstall.exe")));
    QVERIFY(copyProgram(QStringLiteral("update"), folder + QStringLiteral("/update.exe")));
    const QByteArray service("[server]\nbs=http://127.0.0.1:9\nchannelHost=127.0.0.1:9\nupdateHost=127.0.0.1:9\nupdateHostEn=127.0.0.1:9\n");
    QVERIFY(writeFile(delivery + QStringLiteral("/OB.ini"),
                      QTextCodec::codecForName("GB2312")->fromUnicode(QStringLiteral("[info]\nexe=OmbrixRace.exe\nname=欧布\nnameEN=Ombrix\n"))));
    QVERIFY(writeFile(delivery + QStringLiteral("/version"), "2.0.1"));
    QVERIFY(writeFile(delivery + QStringLiteral("/service.ini"), service));
    QVERIFY(writeFile(folder + QStringLiteral("/service.ini"), service));
    {
        QScopedPointer<QSettings> entry(Registry::openKey(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL")));
        entry->setValue(QStringLiteral("installDir"), QDir::toNativeSeparators(folder));
        entry->sync();
        QScopedPointer<QSettings> settings(Registry::openKey(QStringLiteral("HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings")));
        settings->setValue(QStringLiteral("info"), QStringLiteral(R"({"third":"","name":"欧布","nameEN":"Ombrix","exe":"OmbrixRace.exe","lang":"zh_cn"})"));
        settings->sync();
    }

    const QStringList programs { delivery + QStringLiteral("/install"), folder + QStringLiteral("/uninstall.exe"),
                                 folder + QStringLiteral("/update.exe") };
    const QList<QStringList> arguments { {}, {}, { QStringLiteral("5.2.0.1") } };
    QMap<QString, int> winners;
    for (int round = 0; round < Rounds; ++round) {
        QList<QProcess *> started;
        for (int i = 0; i < programs.size(); ++i) {
            auto *process = new QProcess(this);
            process->setProcessEnvironment(sandbox.environment());
            process->setProcessChannelMode(QProcess::MergedChannels);
            // The installer reads "version" from its current folder.
            process->setWorkingDirectory(QFileInfo(programs.at(i)).absolutePath());
            process->start(programs.at(i), arguments.at(i));
            started.append(process);
        }
        QElapsedTimer clock;
        clock.start();
        auto ended = [&started] {
            int count = 0;
            for (QProcess *process : started)
                count += process->state() == QProcess::NotRunning ? 1 : 0;
            return count;
        };
        while (ended() < 2 && clock.elapsed() < 30000)
            QTest::qWait(20);
        // The one left must still be running a while later, with its window.
        QTest::qWait(300);
        QString summary;
        QProcess *running = nullptr;
        for (int i = 0; i < started.size(); ++i) {
            QProcess *process = started.at(i);
            const QString name = QFileInfo(programs.at(i)).fileName();
            if (process->state() != QProcess::NotRunning) {
                summary += name + QStringLiteral(" runs; ");
                QVERIFY2(!running, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(summary)));
                running = process;
                winners[name] += 1;
                continue;
            }
            const QByteArray output = process->readAll();
            summary += name + QStringLiteral(" ended %1; ").arg(process->exitCode());
            QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0, output.constData());
            QVERIFY2(output.contains("server exist"), qPrintable(QStringLiteral("round %1: %2\n%3").arg(round).arg(summary, QString::fromUtf8(output))));
            QVERIFY2(!output.contains("No matching signal"), output.constData());
        }
        QVERIFY2(running, qPrintable(QStringLiteral("round %1: %2").arg(round).arg(summary)));
        // Killed outright: no clean-up of its own can run.
        ::kill(pid_t(running->processId()), SIGKILL);
        QVERIFY(running->waitForFinished(10000));
        QCOMPARE(running->exitStatus(), QProcess::CrashExit);
        qDeleteAll(started);
    }
    qDebug() << Rounds << "rounds, the one running each time:" << winners;
}

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
