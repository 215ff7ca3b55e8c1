// Where a release file goes below the installation folder.
#include "entrypaths.h"

#include <QtTest>

class EntryPathsTest : public QObject
{
    Q_OBJECT

private slots:
    void subDirAndLocalPath_data();
    void subDirAndLocalPath();
    void leftoverNames();
};

void EntryPathsTest::subDirAndLocalPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("subDir");
    QTest::addColumn<QString>("localPath");
    QTest::newRow("a/b/c") << "a/b/c" << "/b/c" << "C:/P/OmbrixVPL/5.1//b/c/f.dll";
    QTest::newRow("a/") << "a/" << "/" << "C:/P/OmbrixVPL/5.1///f.dll";
    QTest::newRow("a") << "a" << "a" << "C:/P/OmbrixVPL/5.1/a/f.dll";
    QTest::newRow("empty") << "" << "" << "C:/P/OmbrixVPL/5.1//f.dll";
    QTest::newRow("leading slash") << "/x" << "/x" << "C:/P/OmbrixVPL/5.1//x/f.dll";
    QTest::newRow("trailing slash kept") << "a/b/" << "/b/" << "C:/P/OmbrixVPL/5.1//b//f.dll";
}

void EntryPathsTest::subDirAndLocalPath()
{
    QFETCH(QString, path);
    QFETCH(QString, subDir);
    QFETCH(QString, localPath);
    QCOMPARE(EntryPaths::subDir(path), subDir);
    QCOMPARE(EntryPaths::localPath(QStringLiteral("C:/P/OmbrixVPL/5.1"), subDir, QStringLiteral("f.dll")), localPath);
}

void EntryPathsTest::leftoverNames()
{
    const QString local = QStringLiteral("C:/P/OmbrixVPL/5.1///OmbrixVPL.exe");
    QCOMPARE(EntryPaths::downloadPath(local), QStringLiteral("C:/P/OmbrixVPL/5.1///OmbrixVPL.exe_DOWN_OB_DELETE"));
    QCOMPARE(EntryPaths::setAsidePath(local, 1700000000123), QStringLiteral("C:/P/OmbrixVPL/5.1///OmbrixVPL.exe1700000000123_OB_DELETE"));
    const QRegularExpression pattern(QRegularExpression::wildcardToRegularExpression(EntryPaths::leftoverPattern()));
    QVERIFY(pattern.match(QStringLiteral("OmbrixVPL.exe_DOWN_OB_DELETE")).hasMatch());
    QVERIFY(pattern.match(QStringLiteral("OmbrixVPL.exe1700000000123_OB_DELETE")).hasMatch());
    QVERIFY(!pattern.match(QStringLiteral("OmbrixVPL.exe")).hasMatch());
}

QTEST_GUILESS_MAIN(EntryPathsTest)
#include "tst_entrypaths.moc"
