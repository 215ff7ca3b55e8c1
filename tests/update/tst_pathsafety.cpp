// Manifest entries that would leave the installation folder.
#include "pathsafety.h"

#include <QtTest>

class PathSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void staysInside_data();
    void staysInside();
};

void PathSafetyTest::staysInside_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("inside");
    QTest::newRow("top-level file") << "OmbrixVPL/" << "core.dll" << true;
    QTest::newRow("sub-folder") << "OmbrixVPL/plugins/max" << "a.dll" << true;
    QTest::newRow("folder without slash") << "plugins" << "a.dll" << true;
    QTest::newRow("dots inside a name") << "OmbrixVPL/v..2" << "a..b.dll" << true;
    QTest::newRow("dot segment") << "OmbrixVPL/./x" << "a.dll" << true;
    QTest::newRow("parent segment") << "OmbrixVPL/../x" << "a.dll" << false;
    QTest::newRow("parent at the end") << "OmbrixVPL/x/.." << "a.dll" << false;
    QTest::newRow("whole path is parent") << ".." << "a.dll" << false;
    QTest::newRow("absolute path") << "/etc" << "a.dll" << false;
    QTest::newRow("drive letter") << "C:/Windows" << "a.dll" << false;
    QTest::newRow("drive in a segment") << "OmbrixVPL/C:" << "a.dll" << false;
    QTest::newRow("backslash parent") << "OmbrixVPL\\..\\.." << "a.dll" << false;
    QTest::newRow("backslash in the folder") << "OmbrixVPL/x\\y" << "a.dll" << false;
    QTest::newRow("backslash in the name") << "OmbrixVPL/" << "..\\a.dll" << false;
    QTest::newRow("name is parent") << "OmbrixVPL/x" << ".." << false;
    QTest::newRow("name is dot") << "OmbrixVPL/" << "." << false;
    QTest::newRow("empty name") << "OmbrixVPL/" << "" << false;
    QTest::newRow("name with a folder") << "OmbrixVPL/" << "../a.dll" << false;
    QTest::newRow("name with a stream") << "OmbrixVPL/" << "a.dll:x" << false;
}

void PathSafetyTest::staysInside()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(bool, inside);
    QCOMPARE(PathSafety::staysInside(path, name), inside);
}

QTEST_GUILESS_MAIN(PathSafetyTest)
#include "tst_pathsafety.moc"
