#include "platform/cleanup.h"
#include "sandbox.h"

#include <QtTest>

// The clean-up script removes a folder after its caller has gone, with real
// child processes: nothing but that folder and the script itself goes.
class TestCleanup : public QObject
{
    Q_OBJECT

private slots:
    void removesFolderAndItself_data();
    void removesFolderAndItself();
    void unwritableScript();

private:
    static bool waitUntilGone(const QString &path, int timeoutMs = 8000);
};

bool TestCleanup::waitUntilGone(const QString &path, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

void TestCleanup::removesFolderAndItself_data()
{
    QTest::addColumn<QString>("folderName");

    QTest::newRow("program files") << "Ombrix/OmbrixVPL";
    QTest::newRow("blanks and quotes") << "it's \"my\" folder/Ombrix for Unity";
    QTest::newRow("shell syntax") << "$(touch pwned) `touch pwned2`;x/OmbrixVPL";
}

void TestCleanup::removesFolderAndItself()
{
    QFETCH(QString, folderName);
    Sandbox box;
    const QString product = box.programFiles() + QLatin1Char('/') + folderName;
    QDir().mkpath(product + QStringLiteral("/2.0.1.07042/sub"));
    QDir().mkpath(product + QStringLiteral("/1.9.0.12345"));
    QFile::copy(TestPaths::bin(QStringLiteral("standin")), product + QStringLiteral("/2.0.1.07042/uninstall.exe"));
    for (const char *name : { "/2.0.1.07042/sub/a.dll", "/2.0.1.07042/.hidden", "/1.9.0.12345/old.dll" }) {
        QFile file(product + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    QFile::setPermissions(product + QStringLiteral("/1.9.0.12345/old.dll"), QFile::ReadOwner);
    // A sibling whose name begins like the folder's must stay.
    QDir().mkpath(product + QStringLiteral(" keep"));

    // The uninstaller itself still runs from the folder when the script starts.
    QProcess running;
    running.setProcessEnvironment(box.environment());
    running.start(product + QStringLiteral("/2.0.1.07042/uninstall.exe"), QStringList());
    QVERIFY(running.waitForStarted());
    QTRY_VERIFY(!box.standinStarts().isEmpty());
    const QString before = Sandbox::tree(box.root());

    const QString script = box.systemDrive() + QStringLiteral("/\\ClearVPL.bat");
    QString windowsFolder = product;
    windowsFolder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QVERIFY(Cleanup::removeAfterExit(script, windowsFolder, QByteArray("not used here")));
    QVERIFY(QFile::exists(box.systemDrive() + QStringLiteral("/ClearVPL.bat")));
    QVERIFY2(QDir(product).exists(), "the script waits before it removes anything");

    running.kill();
    running.waitForFinished();
    QVERIFY(waitUntilGone(product));
    QVERIFY(waitUntilGone(box.systemDrive() + QStringLiteral("/ClearVPL.bat")));

    const QString removed = QStringLiteral("programfiles/") + folderName;
    QStringList expected;
    for (const QString &line : before.split(QLatin1Char('\n'))) {
        const QString path = line.section(QLatin1Char(' '), 1);
        if (path != removed && !path.startsWith(removed + QLatin1Char('/')))
            expected.append(line);
    }
    const QString after = Sandbox::tree(box.root());
    QCOMPARE(after, expected.join(QLatin1Char('\n')));
    // The script runs in "/"; a name it executed would have left files there.
    QVERIFY(!QFile::exists(QStringLiteral("/pwned")) && !QFile::exists(QStringLiteral("/pwned2")));
}

void TestCleanup::unwritableScript()
{
    Sandbox box;
    const QString product = box.programFiles() + QStringLiteral("/Ombrix/OmbrixVPL");
    QDir().mkpath(product + QStringLiteral("/2.0.1.07042"));
    const QString before = Sandbox::tree(box.root());
    QVERIFY(!Cleanup::removeAfterExit(box.path(QStringLiteral("no-such-drive")) + QStringLiteral("/\\ClearVPL.bat"), product, QByteArray()));
    QThread::msleep(1500);
    QCOMPARE(Sandbox::tree(box.root()), before);
}

QTEST_GUILESS_MAIN(TestCleanup)
#include "tst_cleanup.moc"
