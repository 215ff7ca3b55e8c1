// The real programs on a sandbox machine whose registry and files hold
// hostile values: each program ends or shows its window as a user would
// expect, and until a user acts nothing on the machine changes.
#include "platform/registry.h"
#include "sandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopedPointer>
#include <QTextCodec>
#include <QtTest>

#include <csignal>

namespace {

const char InstallFolder[] = "programfiles/Ombrix/OmbrixVPL/2.0.1.07042";
const char SettingsKey[] = "HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings";

enum class Outcome { Window, Exits };

bool copyProgram(const QString &program, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(TestPaths::bin(program), to) && QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray fixture(const QString &name)
{
    QFile file(TestPaths::source(QStringLiteral("tests/hardening/data/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The machine as sorted lines with every file's content digest, the registry
// hives included. The single-instance socket (tmp, runtime) and the font
// cache a system library may build are no part of it.
QString machine(const Sandbox &sandbox)
{
    QStringList lines;
    const QDir base(sandbox.root());
    QDirIterator it(sandbox.root(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = base.relativeFilePath(path);
        if (relative.startsWith(QLatin1String("tmp/")) || relative.startsWith(QLatin1String("runtime/"))
            || relative.startsWith(QLatin1String("home/.cache")))
            continue;
        QString line = relative;
        QFile file(path);
        if (it.fileInfo().isFile() && file.open(QIODevice::ReadOnly))
            line += QLatin1Char(' ') + QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex());
        lines.append(line);
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

}

Q_DECLARE_METATYPE(Outcome)

class TestHostileMachine : public QObject
{
    Q_OBJECT

private slots:
    void hostile_data();
    void hostile();
};

void TestHostileMachine::hostile_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("info");    // the stored identity, for the installed programs
    QTest::addColumn<QByteArray>("obIni");   // beside the installer
    QTest::addColumn<QByteArray>("version"); // beside the installer
    QTest::addColumn<Outcome>("outcome");

    const QByteArray info = QStringLiteral(R"({"third":"","name":"欧布","nameEN":"Ombrix","exe":"OmbrixHostile.exe","lang":"zh_cn"})").toUtf8();
    const QByteArray megabyte = R"({"third":"","name":")" + QByteArray(1024 * 1024, 'n') + R"(","exe":"OmbrixHostile.exe"})";
    const QByteArray megabyteJunk = QByteArray(1024 * 1024, '{');
    const QByteArray obIni = QTextCodec::codecForName("GB2312")->fromUnicode(QStringLiteral("[info]\nexe=OmbrixHostile.exe\nname=欧布\nnameEN=Ombrix\n"));
    const QByteArray version("2.0.1");

    QTest::newRow("uninstall, info not JSON") << "uninstall" << QByteArray("not json {\"third\":") << obIni << version << Outcome::Window;
    QTest::newRow("uninstall, 1 MB info") << "uninstall" << megabyte << obIni << version << Outcome::Window;
    QTest::newRow("uninstall, 1 MB of braces") << "uninstall" << megabyteJunk << obIni << version << Outcome::Window;
    QTest::newRow("update, info not JSON") << "update" << QByteArray("\xff\xfe\x00junk", 7) << obIni << version << Outcome::Window;
    QTest::newRow("update, 1 MB info") << "update" << megabyte << obIni << version << Outcome::Window;
    QTest::newRow("install, OB.ini in UTF-8, not GB2312")
        << "install" << info << QStringLiteral("[info]\nexe=OmbrixHostile.exe\nname=欧布里克斯云渲染\n").toUtf8() + "\xff\xfe\x80\n" << version
        << Outcome::Window;
    QTest::newRow("install, OB.ini of binary junk") << "install" << info << fixture("version-binary-junk") << version << Outcome::Window;
    QTest::newRow("install, version of binary junk") << "install" << info << obIni << fixture("version-binary-junk") << Outcome::Exits;
}

void TestHostileMachine::hostile()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, info);
    QFETCH(QByteArray, obIni);
    QFETCH(QByteArray, version);
    QFETCH(Outcome, outcome);

    Sandbox sandbox;
    sandbox.enter();
    // The servers refuse at once; the client's name is unique, so no
    // program ends anybody's process.
    const QByteArray service("[server]\nbs=http://127.0.0.1:9\nchannelHost=127.0.0.1:9\nupdateHost=127.0.0.1:9\nupdateHostEn=127.0.0.1:9\n");
    const QString delivery = sandbox.path(QStringLiteral("delivery"));
    const QString folder = sandbox.path(QLatin1String(InstallFolder));
    QVERIFY(copyProgram(QStringLiteral("install"), delivery + QStringLiteral("/install")));
    QVERIFY(writeFile(delivery + QStringLiteral("/OB.ini"), obIni));
    QVERIFY(writeFile(delivery + QStringLiteral("/version"), version));
    QVERIFY(writeFile(delivery + QStringLiteral("/service.ini"), service));
    QVERIFY(writeFile(delivery + QStringLiteral("/files.zip"), fixture("truncated-central-directory.zip")));
    QVERIFY(copyProgram(QStringLiteral("uninstall"), folder + QStringLiteral("/uninstall.exe")));
    QVERIFY(copyProgram(QStringLiteral("update"), folder + QStringLiteral("/update.exe")));
    QVERIFY(writeFile(folder + QStringLiteral("/service.ini"), service));
    QVERIFY(writeFile(folder + QStringLiteral("/OmbrixHostile.exe"), "client"));
    QVERIFY(writeFile(sandbox.path(QStringLiteral("programfiles/Other/keep.txt")), "not the product's"));
    {
        QScopedPointer<QSettings> entry(Registry::openKey(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL")));
        entry->setValue(QStringLiteral("installDir"), folder);
        entry->sync();
        QScopedPointer<QSettings> settings(Registry::openKey(QLatin1String(SettingsKey)));
        settings->setValue(QStringLiteral("info"), QString::fromUtf8(info));
        settings->sync();
        QScopedPointer<QSettings> run(Registry::openKey(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")));
        run->setValue(QStringLiteral("Other.exe"), QStringLiteral("C:\\Other\\Other.exe"));
        run->sync();
    }
    const QString before = machine(sandbox);

    const QString path = program == QLatin1String("install") ? delivery + QStringLiteral("/install")
                                                             : folder + QLatin1Char('/') + program + QStringLiteral(".exe");
    QProcess process;
    process.setProcessEnvironment(sandbox.environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The installer reads "version" from its current folder.
    process.setWorkingDirectory(QFileInfo(path).absolutePath());
    process.start(path, program == QLatin1String("update") ? QStringList { QStringLiteral("5.2.0.1") } : QStringList());
    QVERIFY(process.waitForStarted(10000));
    if (outcome == Outcome::Exits) {
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    } else {
        // Long enough for the window, the reason list or the manifest attempt.
        QVERIFY2(!process.waitForFinished(4000), process.readAll().constData());
        ::kill(pid_t(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished(10000));
    }
    const QByteArray output = process.readAll();
    QVERIFY2(!output.contains("No matching signal"), output.constData());
    QVERIFY2(!output.contains("ERROR: AddressSanitizer") && !output.contains("runtime error:"), output.constData());
    QCOMPARE(machine(sandbox), before);
}

QTEST_GUILESS_MAIN(TestHostileMachine)
#include "tst_hostilemachine.moc"
