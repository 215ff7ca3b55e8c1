// The delivery's version file names the installation's versioned folder:
// text that could name another folder is no version at all, so the
// installer ends as it does without one.
#include "installplan.h"
#include "sandbox.h"

#include <QFile>
#include <QtTest>

class TestHostileVersion : public QObject
{
    Q_OBJECT

private slots:
    void refused_data();
    void refused();
};

void TestHostileVersion::refused_data()
{
    QTest::addColumn<QByteArray>("content");
    QFile junk(TestPaths::source(QStringLiteral("tests/hardening/data/version-binary-junk")));
    QVERIFY(junk.open(QIODevice::ReadOnly));
    QTest::newRow("binary junk") << junk.readAll();
    QTest::newRow("parent segments, backslashes") << QByteArray("..\\..\\..\\Windows");
    QTest::newRow("parent segments, slashes") << QByteArray("2.0.1/../../../../tmp/x");
    QTest::newRow("a folder inside") << QByteArray("2.0/1");
    QTest::newRow("drive letter") << QByteArray("C:\\2.0.1");
    QTest::newRow("only dots") << QByteArray("..");
    QTest::newRow("NUL inside") << QByteArray("2.0\0.1", 6);
    QTest::newRow("line break inside") << QByteArray("2.0\n2.1");
    QTest::newRow("not UTF-8") << QByteArray("2.0.\xff\xfe");
    QTest::newRow("characters Windows refuses in names") << QByteArray("2.0<1>|*?");
}

void TestHostileVersion::refused()
{
    QFETCH(QByteArray, content);
    QCOMPARE(InstallPlan::parseVersion(content), QString());
}

QTEST_GUILESS_MAIN(TestHostileVersion)
#include "tst_hostileversion.moc"
