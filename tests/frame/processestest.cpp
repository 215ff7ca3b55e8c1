// Process test and kill by image name, against copies of a system binary
// running under the names the programs look for. The names carry this
// test's pid so that tests running at the same time never see each other's.
#include "basewidget.h"
#include "platform/processes.h"
#include "sandbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

// The name with this test's pid before its first dot: "3dsmax.exe" becomes
// "3dsmax<pid>.exe", so case and suffix stay as the row gives them.
QString image(QString name)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    return name.insert(dot < 0 ? name.size() : dot, QString::number(QCoreApplication::applicationPid()));
}

// Runs a copy of /bin/sleep under each image name until destroyed.
class Running
{
public:
    Running(const Sandbox &sandbox, const QStringList &images)
    {
        for (const QString &name : images) {
            const QString path = sandbox.path(QStringLiteral("bin%1/").arg(processes.size()) + image(name));
            QDir().mkpath(QFileInfo(path).path());
            QFile::copy(QStringLiteral("/bin/sleep"), path);
            auto *process = new QProcess;
            process->start(path, { QStringLiteral("600") });
            process->waitForStarted(10000);
            processes.append(process);
        }
    }
    ~Running()
    {
        for (QProcess *process : qAsConst(processes)) {
            process->kill();
            process->waitForFinished(5000);
            delete process;
        }
    }
    bool allStarted() const
    {
        return std::all_of(processes.begin(), processes.end(), [](QProcess *p) { return p->state() == QProcess::Running; });
    }
    // Image names of the copies still running, in start order.
    QStringList alive(const QStringList &images) const
    {
        QStringList names;
        for (int i = 0; i < processes.size(); ++i) {
            if (!processes.at(i)->waitForFinished(200) && processes.at(i)->state() == QProcess::Running)
                names.append(images.at(i));
        }
        return names;
    }

private:
    QList<QProcess *> processes;
};

}

class ProcessesTest : public QObject
{
    Q_OBJECT

private slots:
    void existProcess_data();
    void existProcess();
    void taskListShowsRealCase();
    void killProcess_data();
    void killProcess();
    void runWaitsWithinItsBound_data();
    void runWaitsWithinItsBound();
    void startsDetachedFromAWindowsPath_data();
    void startsDetachedFromAWindowsPath();
};

void ProcessesTest::existProcess_data()
{
    QTest::addColumn<QStringList>("running");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("expected");
    QTest::newRow("name without .exe") << QStringList { "3dsmax.exe" } << "3dsmax" << true;
    QTest::newRow("name with .exe") << QStringList { "3dsmax.exe" } << "3dsmax.exe" << true;
    QTest::newRow("other case running does not answer") << QStringList { "3dsMax.exe" } << "3dsmax.exe" << false;
    QTest::newRow("other case asked does not answer") << QStringList { "3dsmax.exe" } << "3dsMax.exe" << false;
    QTest::newRow("both spellings running") << QStringList { "3dsMax.exe", "3dsmax.exe" } << "3dsmax" << true;
    QTest::newRow(".EXE gets .exe appended") << QStringList { "3dsmax.exe" } << "3dsmax.EXE" << false;
    QTest::newRow(".EXE running, asked with .EXE") << QStringList { "3dsmax.EXE" } << "3dsmax.EXE" << false;
    QTest::newRow("nothing running") << QStringList() << "3dsmax.exe" << false;
}

void ProcessesTest::existProcess()
{
    QFETCH(QStringList, running);
    QFETCH(QString, query);
    QFETCH(bool, expected);
    Sandbox sandbox;
    Running copies(sandbox, running);
    QVERIFY(copies.allStarted());
    QCOMPARE(BaseWidget::existProcess(image(query)), expected);
}

void ProcessesTest::taskListShowsRealCase()
{
    Sandbox sandbox;
    bool finished = false;
    QCOMPARE(Processes::taskList(image("3dsmax.exe"), &finished),
             QByteArray("INFO: No tasks are running which match the specified criteria.\r\n"));
    QVERIFY(finished);

    Running copies(sandbox, { "3dsMax.exe" });
    QVERIFY(copies.allStarted());
    const QList<QByteArray> lines = Processes::taskList(image("3dsmax.exe"), &finished).split('\n');
    QVERIFY(finished);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(3).split(' ').first(), image("3dsMax.exe").toUtf8());
}

void ProcessesTest::killProcess_data()
{
    QTest::addColumn<QStringList>("running");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("survivors");
    const QStringList mixed { "3dsmax.exe", "other.exe", "3dsmax.exe", "3dsMax.exe" };
    QTest::newRow("every match, in any case") << mixed << "3dsmax.exe" << QStringList { "other.exe" };
    QTest::newRow("no .exe appended") << mixed << "3dsmax" << mixed;
    QTest::newRow("no match") << QStringList { "other.exe" } << "3dsmax.exe" << QStringList { "other.exe" };
}

void ProcessesTest::killProcess()
{
    QFETCH(QStringList, running);
    QFETCH(QString, name);
    QFETCH(QStringList, survivors);
    Sandbox sandbox;
    Running copies(sandbox, running);
    QVERIFY(copies.allStarted());
    BaseWidget::killProcess(image(name));
    QCOMPARE(copies.alive(running), survivors);
}

void ProcessesTest::runWaitsWithinItsBound_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("finished");
    QTest::newRow("finishes in time") << "/bin/true" << QStringList() << true;
    QTest::newRow("a failing program still finished") << "/bin/false" << QStringList() << true;
    QTest::newRow("cannot start") << "/nonexistent/tool.exe" << QStringList() << false;
    QTest::newRow("runs past the bound") << "3dsmax.exe" << QStringList { "30" } << false;
}

void ProcessesTest::runWaitsWithinItsBound()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, finished);
    Sandbox sandbox;
    if (!program.startsWith(QLatin1Char('/'))) {
        const QString copy = sandbox.path(image(program));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), copy));
        program = copy;
    }
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Processes::run(program, arguments, 500), finished);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    // What ran past its bound was ended.
    QVERIFY(!BaseWidget::existProcess(image(QStringLiteral("3dsmax.exe"))));
}

void ProcessesTest::startsDetachedFromAWindowsPath_data()
{
    QTest::addColumn<bool>("shell");
    QTest::newRow("startDetached") << false;
    QTest::newRow("explorer") << true;
}

// The client is started by a path with backslashes, as the registry holds it.
void ProcessesTest::startsDetachedFromAWindowsPath()
{
    QFETCH(bool, shell);
    Sandbox sandbox;
    sandbox.enter();
    const QString folder = sandbox.path(QStringLiteral("Ombrix/OmbrixVPL/2.0.1.07042"));
    QVERIFY(QDir().mkpath(folder));
    const QString client = image(QStringLiteral("OmbrixVPL.exe"));
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("standin")), folder + QLatin1Char('/') + client));
    const QString windowsPath = QString(folder + QLatin1Char('/') + client).replace(QLatin1Char('/'), QLatin1Char('\\'));
    QVERIFY(shell ? Processes::openWithShell(windowsPath) : Processes::startDetached(windowsPath, { QStringLiteral("RegAutoRun") }));
    QTRY_COMPARE(sandbox.standinStarts(), QStringList { client + (shell ? QStringLiteral("\t") : QStringLiteral("\tRegAutoRun")) });
    QVERIFY(BaseWidget::existProcess(client));
    BaseWidget::killProcess(client);
    QVERIFY(!BaseWidget::existProcess(client));
}

QTEST_GUILESS_MAIN(ProcessesTest)
#include "processestest.moc"
