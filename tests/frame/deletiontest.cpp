// Tree deletion as the programs use it (veryDel and the quiet delPath) on
// real folder trees in a sandbox.
#include "basewidget.h"
#include "platform/filesystem.h"
#include "sandbox.h"
#include "xfunc.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

// Fixture lines: "a/b.txt" a file, "a/c/" an empty folder, "a/l>target" a
// link to a path relative to the work folder.
void build(const QString &work, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const int arrow = entry.indexOf(QLatin1Char('>'));
        const QString path = work + QLatin1Char('/') + (arrow < 0 ? entry : entry.left(arrow));
        if (entry.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(path);
            continue;
        }
        QDir().mkpath(QFileInfo(path).path());
        if (arrow >= 0) {
            QFile::link(work + QLatin1Char('/') + entry.mid(arrow + 1), path);
            continue;
        }
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x");
    }
}

QStringList logged;

void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    logged.append(message);
}

}

class DeletionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void removes_data();
    void removes();
    void logs_data();
    void logs();
    void leavesLinkTargetsAlone_data();
    void leavesLinkTargetsAlone();
    void leavesRunningExecutable();

private:
    Sandbox sandbox;
};

void DeletionTest::initTestCase()
{
    sandbox.enter();
    // A BaseWidget outside an installation would end the test; both editions' entries exist.
    for (const char *key : { "OmbrixVPL", "OmbrixKD" }) {
        bool ok = false;
        sandbox.reg({ "add", QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key, "/v",
                      "installDir", "/d", "C:\\x", "/f" },
                    &ok);
        QVERIFY(ok);
    }
}

void DeletionTest::removes_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QStringList>("fixture");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("after");

    struct Row {
        const char *name;
        QStringList fixture;
        QString path;
        QString after;
    };
    const QStringList nested { "keep.txt", "A/a.txt", "A/B/b.txt", "A/B/C/c.txt", "A/B/C/D/", "A/E/" };
    const Row rows[] = {
        { "nested folders go, upwards while empty", { "keep.txt", "V/A/a.txt", "V/A/B/C/c.txt", "V/A/B/D/" }, "V/A",
          "file keep.txt 1" },
        { "the enclosing folder stays when it holds more", nested, "A/B",
          "dir A\nfile A/a.txt 1\ndir A/E\nfile keep.txt 1" },
        { "C:/A/B with nothing else in A takes A", { "keep.txt", "A/B/b.txt" }, "A/B", "file keep.txt 1" },
        { "a Windows-style path", nested, "\\A", "file keep.txt 1" },
        { "a hidden file keeps its folder chain",
          { "keep.txt", "A/a.txt", "A/B/C/.hidden", "A/B/b.txt", "A/E/e.txt" }, "A",
          "dir A\ndir A/B\ndir A/B/C\nfile A/B/C/.hidden 1\nfile keep.txt 1" },
        { "a visible file in a hidden folder stays", { "keep.txt", "A/.cache/file.txt", "A/b.txt" }, "A",
          "dir A\ndir A/.cache\nfile A/.cache/file.txt 1\nfile keep.txt 1" },
        { "a single file", { "keep.txt", "A/a.txt", "A/b.txt" }, "A/a.txt", "dir A\nfile A/b.txt 1\nfile keep.txt 1" },
        { "a link to a file goes, its target stays", { "keep.txt", "A/l>keep.txt" }, "A", "file keep.txt 1" },
        { "a link to a folder as the path goes alone", { "keep.txt", "T/t.txt", "L>T" }, "L",
          "dir T\nfile T/t.txt 1\nfile keep.txt 1" },
        { "a link to an outside folder leaves it whole", { "keep.txt", "T/t.txt", "A/a.txt", "A/l>T" }, "A",
          "dir A\nlink A/l -> %1/T\ndir T\nfile T/t.txt 1\nfile keep.txt 1" },
        { "a missing path", nested, "A/missing", "" },
        { "an empty path", nested, QString(), "" },
    };
    for (bool quiet : { false, true }) {
        for (const Row &row : rows) {
            QString after = row.after;
            if (after.isEmpty()) {
                const QString reference = QStringLiteral("dir A\nfile A/a.txt 1\ndir A/B\nfile A/B/b.txt 1\ndir A/B/C\nfile A/B/C/c.txt 1\n"
                                                         "dir A/B/C/D\ndir A/E\nfile keep.txt 1");
                after = reference;
            }
            QTest::addRow("%s: %s", quiet ? "delPath" : "veryDel", row.name) << quiet << row.fixture << row.path << after;
        }
    }
}

void DeletionTest::removes()
{
    QFETCH(bool, quiet);
    QFETCH(QStringList, fixture);
    QFETCH(QString, path);
    QFETCH(QString, after);

    static int runs = 0;
    const QString work = sandbox.path(QStringLiteral("work%1").arg(++runs));
    build(work, fixture);
    QString target;
    if (!path.isEmpty())
        target = path.startsWith(QLatin1Char('\\')) ? QString(work + path).replace(QLatin1Char('/'), QLatin1Char('\\'))
                                                     : work + QLatin1Char('/') + path;
    BaseWidget widget;
    if (quiet)
        XFunc::delPath(target);
    else
        widget.veryDel(target);

    QStringList lines = (after.contains(QLatin1String("%1")) ? after.arg(work) : after).split(QLatin1Char('\n'));
    lines.sort();
    QCOMPARE(Sandbox::tree(work), lines.join(QLatin1Char('\n')));
}

void DeletionTest::logs_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("expected");
    const QString missing = QStringLiteral("/nonexistent/ombrix/x");
    QTest::newRow("veryDel: empty path logs nothing") << false << QString() << QStringList();
    QTest::newRow("veryDel: missing path") << false << missing << QStringList { "\"" + missing + "\"", "dir: false" };
    QTest::newRow("delPath: empty path") << true << QString() << QStringList();
    QTest::newRow("delPath: missing path") << true << missing << QStringList();
    QTest::newRow("delPath: a tree") << true << "tree" << QStringList();
}

void DeletionTest::logs()
{
    QFETCH(bool, quiet);
    QFETCH(QString, path);
    QFETCH(QStringList, expected);
    if (path == QLatin1String("tree")) {
        path = sandbox.path(path);
        build(path, { "a/b.txt", "a/.c", "d/" });
    }
    BaseWidget widget;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    if (quiet)
        XFunc::delPath(path);
    else
        widget.veryDel(path);
    qInstallMessageHandler(previous);
    QCOMPARE(logged, expected);
}

void DeletionTest::leavesLinkTargetsAlone_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("after");
    const QString target = QStringLiteral("dir T\nfile T/readonly.txt 1");
    QTest::newRow("veryDel: a link in the tree") << false << "A" << target;
    QTest::newRow("veryDel: the link itself") << false << "A/l" << "dir A\n" + target;
    QTest::newRow("delPath: a link in the tree") << true << "A" << target;
    QTest::newRow("delPath: the link itself") << true << "A/l" << "dir A\n" + target;
}

// Clearing read-only applies to what the product placed, not to a link's target.
void DeletionTest::leavesLinkTargetsAlone()
{
    QFETCH(bool, quiet);
    QFETCH(QString, path);
    QFETCH(QString, after);
    static int runs = 0;
    const QString work = sandbox.path(QStringLiteral("links%1").arg(++runs));
    build(work, { "T/readonly.txt", "A/l>T/readonly.txt" });
    const QString target = work + QStringLiteral("/T/readonly.txt");
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(target, readOnly));
    BaseWidget widget;
    if (quiet)
        XFunc::delPath(work + QLatin1Char('/') + path);
    else
        widget.veryDel(work + QLatin1Char('/') + path);
    QCOMPARE(Sandbox::tree(work), after);
    // The "User" bits tell what this process may do, not the file's mode.
    const QFile::Permissions mode = QFile::permissions(target) & ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    QCOMPARE(mode, readOnly);
}

void DeletionTest::leavesRunningExecutable()
{
    const QString work = sandbox.path(QStringLiteral("running"));
    build(work, { "keep.txt", "A/data/x.txt", "A/bin/readme.txt" });
    const QString image = work + QStringLiteral("/A/bin/run.exe");
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), image));
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), work + QStringLiteral("/A/bin/idle.exe")));
    QProcess running;
    running.start(image, { QStringLiteral("600") });
    QVERIFY(running.waitForStarted(10000));

    QVERIFY(!FileSystem::removeFile(image));
    BaseWidget widget;
    widget.veryDel(work + QStringLiteral("/A"));
    QCOMPARE(Sandbox::tree(work), QStringLiteral("dir A\ndir A/bin\nfile A/bin/run.exe %1\nfile keep.txt 1").arg(QFileInfo(image).size()));

    running.kill();
    QVERIFY(running.waitForFinished(5000));
    QVERIFY(FileSystem::removeFile(image));
    QVERIFY(!QFileInfo::exists(image));
}

QTEST_MAIN(DeletionTest)
#include "deletiontest.moc"
