// The file-system boundary of the POSIX layer: Windows-style paths, shell
// links and the permissions grant.
#include "platform/filesystem.h"
#include "sandbox.h"

#include <QDirIterator>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Every entry below `folder` as "path mode" with the mode in octal, links unfollowed.
QString modes(const QString &folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        ::lstat(QFile::encodeName(path).constData(), &st);
        lines << QDir(folder).relativeFilePath(path) + QLatin1Char(' ')
                + (S_ISLNK(st.st_mode) ? QStringLiteral("link") : QString::number(st.st_mode & 07777, 8));
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

void make(const QString &path, bool folder, QFile::Permissions permissions)
{
    if (folder) {
        QDir().mkpath(path);
    } else {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
    }
    QFile::setPermissions(path, permissions);
}

}

class FileSystemTest : public QObject
{
    Q_OBJECT

private slots:
    void nativePath_data();
    void nativePath();
    void linkOpensTarget();
    void grantOpensTreeToEveryone();
};

void FileSystemTest::nativePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Windows path") << "C:\\Ombrix\\OmbrixVPL\\2.0.1.07042" << "C:/Ombrix/OmbrixVPL/2.0.1.07042";
    QTest::newRow("mixed separators") << "/srv/pf\\Ombrix/x\\" << "/srv/pf/Ombrix/x/";
    QTest::newRow("POSIX path") << "/srv/pf/Ombrix" << "/srv/pf/Ombrix";
    QTest::newRow("empty") << "" << "";
}

void FileSystemTest::nativePath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(FileSystem::nativePath(path), expected);
}

void FileSystemTest::linkOpensTarget()
{
    Sandbox sandbox;
    const QString root = QString(sandbox.root()).replace(QLatin1Char('/'), QLatin1Char('\\'));
    QVERIFY(QDir().mkpath(sandbox.path(QStringLiteral("Ombrix/2.0"))));
    QFile target(sandbox.path(QStringLiteral("Ombrix/2.0/OmbrixVPL.exe")));
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.write("client");
    target.close();
    QVERIFY(FileSystem::createLink(root + QStringLiteral("\\Ombrix\\2.0\\OmbrixVPL.exe"), root + QStringLiteral("\\Desktop.lnk")));
    QCOMPARE(Sandbox::tree(sandbox.root()).split(QLatin1Char('\n')).filter(QStringLiteral("Desktop.lnk")),
             QStringList { QStringLiteral("link Desktop.lnk -> ") + sandbox.path(QStringLiteral("Ombrix/2.0/OmbrixVPL.exe")) });
    QFile link(sandbox.path(QStringLiteral("Desktop.lnk")));
    QVERIFY(link.open(QIODevice::ReadOnly));
    QCOMPARE(link.readAll(), QByteArray("client"));
    // An existing link is replaced only after the caller deleted it.
    QVERIFY(!FileSystem::createLink(root + QStringLiteral("\\Ombrix\\2.0\\OmbrixVPL.exe"), root + QStringLiteral("\\Desktop.lnk")));
}

void FileSystemTest::grantOpensTreeToEveryone()
{
    Sandbox sandbox;
    const QString tree = sandbox.path(QStringLiteral("Ombrix"));
    const QString outside = sandbox.path(QStringLiteral("outside"));
    make(tree, true, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    make(tree + QStringLiteral("/2.0"), true, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    make(tree + QStringLiteral("/2.0/OmbrixVPL.exe"), false, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    make(tree + QStringLiteral("/2.0/.hidden"), false, QFile::ReadOwner);
    make(outside, true, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    make(outside + QStringLiteral("/private.txt"), false, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(QFile::link(outside, tree + QStringLiteral("/2.0/elsewhere")));
    QVERIFY(QFile::link(outside + QStringLiteral("/private.txt"), tree + QStringLiteral("/file-link")));

    FileSystem::grantEveryone(QString(tree).replace(QLatin1Char('/'), QLatin1Char('\\')));
    QCOMPARE(modes(tree), QStringLiteral("2.0 777\n2.0/.hidden 666\n2.0/OmbrixVPL.exe 766\n2.0/elsewhere link\nfile-link link"));
    QCOMPARE(QFile::permissions(tree) & 0x7077, QFile::Permissions(0x7077));
    QCOMPARE(modes(outside), QStringLiteral("private.txt 600"));
    QCOMPARE(QFile::permissions(outside) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(FileSystemTest)
#include "filesystemtest.moc"
