// The emulated registry between processes, and tools/reg as people and
// tests use it to seed and inspect.
#include "platform/registry.h"
#include "sandbox.h"

#include <QProcess>
#include <QScopedPointer>
#include <QtTest>

class RegistryTest : public QObject
{
    Q_OBJECT

private slots:
    void valuesCrossProcesses_data();
    void valuesCrossProcesses();
    void concurrentWritersKeepAll_data();
    void concurrentWritersKeepAll();
    void regCommand_data();
    void regCommand();
    void handleRemovesGroups();
};

void RegistryTest::valuesCrossProcesses_data()
{
    QTest::addColumn<QString>("data");
    QTest::newRow("Windows path") << "C:\\Program Files\\Ombrix\\OmbrixVPL\\2.0.1.07042\\";
    QTest::newRow("commas") << "a, b,c";
    QTest::newRow("quotes") << "\"C:\\x\\OmbrixVPL.exe\" RegAutoRun";
    QTest::newRow("outer blanks") << "  padded  ";
    QTest::newRow("INI syntax") << "[info]\nk=v; #c";
    QTest::newRow("variant look-alike") << "@Variant(\\0\\0\\0\\x7f)";
    QTest::newRow("JSON") << R"({"third":"","name":"欧布里克斯","lang":"zh_cn"})";
    QTest::newRow("empty") << "";
}

// What reg writes a handle reads, and what a handle writes reg shows.
void RegistryTest::valuesCrossProcesses()
{
    QFETCH(QString, data);
    Sandbox sandbox;
    sandbox.enter();
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixVPL\\Settings");
    bool ok = false;
    sandbox.reg({ "add", key, "/v", "fromReg", "/d", data, "/f" }, &ok);
    QVERIFY(ok);
    QScopedPointer<QSettings> handle(Registry::openKey(key));
    QCOMPARE(handle->value(QStringLiteral("fromReg")).toString(), data);
    handle->setValue(QStringLiteral("fromHandle"), data);
    handle->sync();
    if (!data.contains(QLatin1Char('\n')))
        QCOMPARE(sandbox.regValue(key, QStringLiteral("fromHandle")), data);
    QScopedPointer<QSettings> other(Registry::openKey(QStringLiteral("HKEY_CURRENT_USER\\Software\\Norvane")));
    QCOMPARE(other->value(QStringLiteral("OmbrixVPL/Settings/fromHandle")).toString(), data);
}

void RegistryTest::concurrentWritersKeepAll_data()
{
    QTest::addColumn<QString>("firstKey");
    QTest::addColumn<QString>("secondKey");
    const QString uninstall = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixVPL");
    QTest::newRow("one key") << uninstall << uninstall;
    QTest::newRow("two keys of one hive") << uninstall << "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}

void RegistryTest::concurrentWritersKeepAll()
{
    QFETCH(QString, firstKey);
    QFETCH(QString, secondKey);
    Sandbox sandbox;
    sandbox.enter();
    const int count = 150;
    QProcess first;
    QProcess second;
    for (QProcess *writer : { &first, &second }) {
        writer->setProcessEnvironment(sandbox.environment());
        writer->setProcessChannelMode(QProcess::ForwardedChannels);
    }
    first.start(TestPaths::bin(QStringLiteral("regwriter")), { firstKey, QStringLiteral("a"), QString::number(count) });
    second.start(TestPaths::bin(QStringLiteral("regwriter")), { secondKey, QStringLiteral("b"), QString::number(count) });
    QVERIFY(first.waitForFinished(60000));
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    QStringList lost;
    for (const auto &[key, prefix] : { std::pair { firstKey, QStringLiteral("a") }, std::pair { secondKey, QStringLiteral("b") } }) {
        QScopedPointer<QSettings> handle(Registry::openKey(key));
        for (int i = 0; i < count; ++i) {
            if (handle->value(prefix + QString::number(i)).toString() != QString::number(i))
                lost.append(prefix + QString::number(i));
        }
    }
    QCOMPARE(lost, QStringList());
}

void RegistryTest::regCommand_data()
{
    QTest::addColumn<QList<QStringList>>("seeds");
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("status");

    const QString missing = QStringLiteral("ERROR: The system was unable to find the specified registry key or value.\n");
    const QString done = QStringLiteral("The operation completed successfully.\n");
    const QStringList base { "add", "HKLM\\Software\\Norvane\\Test", "/v", "Path", "/d", "C:\\Ombrix\\", "/f" };
    const QStringList second { "add", "HKLM\\Software\\Norvane\\Test", "/v", "Name", "/d", "欧布", "/f" };
    const QStringList sub { "add", "HKLM\\Software\\Norvane\\Test\\Sub", "/v", "x", "/d", "1", "/f" };
    const QList<QStringList> seeded { base, second, sub };

    QTest::newRow("add") << QList<QStringList>() << base << done << 0;
    QTest::newRow("query a key") << seeded << QStringList { "query", "HKLM\\Software\\Norvane\\Test" }
                                 << "\nHKEY_LOCAL_MACHINE\\Software\\Norvane\\Test\n"
                                    "    Name    REG_SZ    欧布\n"
                                    "    Path    REG_SZ    C:\\Ombrix\\\n"
                                    "\nHKEY_LOCAL_MACHINE\\Software\\Norvane\\Test\\Sub\n"
                                 << 0;
    QTest::newRow("query a value, full root name")
        << seeded << QStringList { "query", "HKEY_LOCAL_MACHINE\\Software\\Norvane\\Test", "/v", "Path" }
        << "\nHKEY_LOCAL_MACHINE\\Software\\Norvane\\Test\n    Path    REG_SZ    C:\\Ombrix\\\n\n" << 0;
    QTest::newRow("query an absent key") << seeded << QStringList { "query", "HKLM\\Software\\Norvane\\None" } << missing << 1;
    QTest::newRow("query an absent value") << seeded << QStringList { "query", "HKLM\\Software\\Norvane\\Test", "/v", "None" }
                                           << missing << 1;
    QTest::newRow("HKCU is another hive") << seeded << QStringList { "query", "HKCU\\Software\\Norvane\\Test" } << missing << 1;
    QTest::newRow("HKCU abbreviation")
        << QList<QStringList> { { "add", "HKEY_CURRENT_USER\\Software\\Norvane", "/v", "v", "/d", "d", "/f" } }
        << QStringList { "query", "HKCU\\Software\\Norvane" } << "\nHKEY_CURRENT_USER\\Software\\Norvane\n    v    REG_SZ    d\n\n" << 0;
    QTest::newRow("the 64-bit view is apart") << seeded << QStringList { "query", "HKLM\\Software\\Norvane\\Test", "/reg:64" }
                                              << missing << 1;
    QTest::newRow("the 64-bit view")
        << QList<QStringList> { { "add", "HKLM\\SOFTWARE\\Autodesk\\3dsMax\\16.0", "/v", "Installdir", "/d", "C:\\M\\", "/reg:64", "/f" } }
        << QStringList { "query", "HKLM\\SOFTWARE\\Autodesk\\3dsMax\\16.0", "/reg:64" }
        << "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\3dsMax\\16.0\n    Installdir    REG_SZ    C:\\M\\\n\n" << 0;
    QTest::newRow("delete a value")
        << QList<QStringList> { base, second, sub, { "delete", "HKLM\\Software\\Norvane\\Test", "/v", "Path", "/f" } }
        << QStringList { "query", "HKLM\\Software\\Norvane\\Test" }
        << "\nHKEY_LOCAL_MACHINE\\Software\\Norvane\\Test\n    Name    REG_SZ    欧布\n\nHKEY_LOCAL_MACHINE\\Software\\Norvane\\Test\\Sub\n"
        << 0;
    QTest::newRow("delete a key with its subkeys")
        << QList<QStringList> { base, second, sub, { "delete", "HKLM\\Software\\Norvane\\Test", "/f" } }
        << QStringList { "query", "HKLM\\Software\\Norvane\\Test\\Sub" } << missing << 1;
    QTest::newRow("delete says done") << seeded << QStringList { "delete", "HKLM\\Software\\Norvane\\Test\\Sub", "/f" } << done << 0;
    QTest::newRow("delete an absent key") << seeded << QStringList { "delete", "HKLM\\Software\\Norvane\\None", "/f" } << missing << 1;
    QTest::newRow("delete an absent value")
        << seeded << QStringList { "delete", "HKLM\\Software\\Norvane\\Test", "/v", "None", "/f" } << missing << 1;
    QTest::newRow("unknown root") << seeded << QStringList { "query", "HKCR\\Software" } << "" << 1;
    QTest::newRow("unknown verb") << seeded << QStringList { "copy", "HKLM\\Software\\Norvane\\Test" } << "" << 1;
}

void RegistryTest::regCommand()
{
    QFETCH(QList<QStringList>, seeds);
    QFETCH(QStringList, command);
    QFETCH(QString, output);
    QFETCH(int, status);
    Sandbox sandbox;
    for (const QStringList &seed : seeds) {
        bool ok = false;
        sandbox.reg(seed, &ok);
        QVERIFY2(ok, qPrintable(seed.join(QLatin1Char(' '))));
    }
    QProcess reg;
    reg.setProcessEnvironment(sandbox.environment());
    reg.start(TestPaths::bin(QStringLiteral("reg")), command);
    QVERIFY(reg.waitForFinished(20000));
    QCOMPARE(QString::fromUtf8(reg.readAllStandardOutput()), output);
    QCOMPARE(reg.exitCode(), status);
    if (output.isEmpty())
        QVERIFY(reg.readAllStandardError().startsWith("ERROR: Invalid syntax."));
}

// The way the programs drop their entries: remove(group) on a positioned handle.
void RegistryTest::handleRemovesGroups()
{
    Sandbox sandbox;
    sandbox.enter();
    const QString uninstall = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    for (const char *product : { "OmbrixVPL", "OmbrixKD" }) {
        bool ok = false;
        sandbox.reg({ "add", uninstall + QLatin1Char('\\') + product, "/v", "installDir", "/d", "C:\\x", "/f" }, &ok);
        QVERIFY(ok);
    }
    QScopedPointer<QSettings> handle(Registry::openKey(uninstall));
    QCOMPARE(handle->childGroups(), QStringList({ "OmbrixKD", "OmbrixVPL" }));
    handle->remove(QStringLiteral("OmbrixVPL"));
    handle->sync();
    QCOMPARE(sandbox.reg({ "query", uninstall }), QStringLiteral("\n%1\n\n%1\\OmbrixKD\n").arg(uninstall));
}

QTEST_GUILESS_MAIN(RegistryTest)
#include "registrytest.moc"
