// Reads of the 64-bit machine view: readReg and the 3ds Max start-up
// folders found through it, seeded with tools/reg.
#include "basewidget.h"
#include "sandbox.h"

#include <QtTest>

namespace {

const QString AutodeskKey = QStringLiteral("HKLM\\SOFTWARE\\Autodesk\\");

// A seed "3dsMax|16.0|ROOT\\Autodesk\\3ds Max 2014\\" (ROOT: the sandbox in
// Windows form); a trailing "|32" writes it to the 32-bit view instead.
bool seedMax(Sandbox &sandbox, const QString &seed)
{
    const QStringList parts = seed.split(QLatin1Char('|'));
    QString root = sandbox.root();
    const QString dir = QString(parts.at(2)).replace(QLatin1String("ROOT"), root.replace(QLatin1Char('/'), QLatin1Char('\\')));
    QStringList arguments { "add", AutodeskKey + parts.at(0) + QLatin1Char('\\') + parts.at(1), "/v", "Installdir", "/d", dir, "/f" };
    if (parts.size() < 4)
        arguments << "/reg:64";
    bool ok = false;
    sandbox.reg(arguments, &ok);
    return ok;
}

}

class RegistryReadTest : public QObject
{
    Q_OBJECT

private slots:
    void readReg_data();
    void readReg();
    void allMaxPath_data();
    void allMaxPath();
};

void RegistryReadTest::readReg_data()
{
    QTest::addColumn<QStringList>("seed");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const QString key = QStringLiteral("SOFTWARE\\Autodesk\\3dsMax\\16.0");
    const QString full = QStringLiteral("HKLM\\") + key;
    const QString longest(511, QLatin1Char('a'));
    QTest::newRow("a path") << QStringList { full, "C:\\Program Files\\Autodesk\\3ds Max 2014\\", "/reg:64" } << key << "Installdir"
                            << "C:\\Program Files\\Autodesk\\3ds Max 2014\\";
    QTest::newRow("511 units") << QStringList { full, longest, "/reg:64" } << key << "Installdir" << longest;
    QTest::newRow("512 units is too long") << QStringList { full, longest + "b", "/reg:64" } << key << "Installdir" << "";
    QTest::newRow("Chinese text") << QStringList { full, "D:\\软件\\3ds Max", "/reg:64" } << key << "Installdir" << "D:\\软件\\3ds Max";
    QTest::newRow("absent value") << QStringList { full, "x", "/reg:64" } << key << "Other" << "";
    QTest::newRow("absent key") << QStringList { full, "x", "/reg:64" } << "SOFTWARE\\Autodesk\\3dsMax\\17.0" << "Installdir" << "";
    QTest::newRow("32-bit view only") << QStringList { full, "x", "/reg:32" } << key << "Installdir" << "";
}

void RegistryReadTest::readReg()
{
    QFETCH(QStringList, seed);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.enter();
    bool ok = false;
    sandbox.reg({ "add", seed.at(0), "/v", "Installdir", "/d", seed.at(1), seed.at(2), "/f" }, &ok);
    QVERIFY(ok);
    QCOMPARE(BaseWidget::readReg(key, value), expected);
}

void RegistryReadTest::allMaxPath_data()
{
    QTest::addColumn<QStringList>("seeds");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expected");
    const QString startup = QStringLiteral("Autodesk/3ds Max 2014/scripts/Startup");
    QTest::newRow("one version") << QStringList { "3dsMax|16.0|ROOT\\Autodesk\\3ds Max 2014\\" } << QStringList { startup }
                                 << QStringList { startup };
    QTest::newRow("start-up folder missing") << QStringList { "3dsMax|16.0|ROOT\\Autodesk\\3ds Max 2014\\" } << QStringList()
                                             << QStringList();
    QTest::newRow("no trailing backslash") << QStringList { "3dsMax|16.0|ROOT\\Autodesk\\3ds Max 2014" } << QStringList { startup }
                                           << QStringList();
    QTest::newRow("32-bit view only") << QStringList { "3dsMax|16.0|ROOT\\Autodesk\\3ds Max 2014\\|32" } << QStringList { startup }
                                      << QStringList();
    QTest::newRow("a version not in the table") << QStringList { "3dsMax|22.0|ROOT\\Autodesk\\3ds Max 2014\\" }
                                                << QStringList { startup } << QStringList();
    QTest::newRow("table order, Max before Design, duplicates kept")
        << QStringList { "3dsMax|21.0|ROOT\\A\\", "3dsMaxDesign|12.0\\MAX-1:409|ROOT\\B\\", "3dsMax|12.0\\MAX-1:409|ROOT\\C\\",
                         "3dsMax|15.0|ROOT\\A\\", "3dsMaxDesign|14.0\\MAX-1:804|ROOT\\B\\", "3dsMax|14.0\\MAX-1:409|ROOT\\D\\" }
        << QStringList { "A/scripts/Startup", "B/scripts/Startup", "C/scripts/Startup" }
        << QStringList { "C/scripts/Startup", "B/scripts/Startup", "B/scripts/Startup", "A/scripts/Startup", "A/scripts/Startup" };
}

void RegistryReadTest::allMaxPath()
{
    QFETCH(QStringList, seeds);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expected);
    Sandbox sandbox;
    sandbox.enter();
    for (const QString &seed : seeds)
        QVERIFY2(seedMax(sandbox, seed), qPrintable(seed));
    for (const QString &folder : folders)
        QVERIFY(QDir().mkpath(sandbox.path(folder)));
    QStringList paths;
    for (const QString &folder : expected)
        paths.append(sandbox.path(folder));
    QCOMPARE(BaseWidget::allMaxPath(), paths);
}

QTEST_GUILESS_MAIN(RegistryReadTest)
#include "registryreadtest.moc"
