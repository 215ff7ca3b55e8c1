// The static helpers: URL escaping, JSON text, the adapter choice, the
// processor text and the per-user registry read.
#include "sandbox.h"
#include "xfunc.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QtTest>

using Adapters = QList<QPair<QString, QString>>;

class XFuncTest : public QObject
{
    Q_OBJECT

private slots:
    void escapeUrl_data();
    void escapeUrl();
    void jsonRoundTrip();
    void toJsonObject_data();
    void toJsonObject();
    void chooseAddress_data();
    void chooseAddress();
    void macAddressIsOneOfTheMachines();
    void processorText();
    void readUserReg_data();
    void readUserReg();
};

void XFuncTest::escapeUrl_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hardware address") << "AA:BB:CC:DD:EE:FF" << "AA%3ABB%3ACC%3ADD%3AEE%3AFF";
    QTest::newRow("query characters") << "a=b&c" << "a%3Db%26c";
    QTest::newRow("all five") << "http://h/p?x=1&y" << "http%3A%2F%2Fh%2Fp%3Fx%3D1%26y";
    QTest::newRow("processor text untouched") << "[4]Intel(R) Core(TM) i5-7500 CPU @ 3.40GHz "
                                              << "[4]Intel(R) Core(TM) i5-7500 CPU @ 3.40GHz ";
    QTest::newRow("percent and blanks stay") << "100% a b" << "100% a b";
    QTest::newRow("empty") << "" << "";
}

void XFuncTest::escapeUrl()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(XFunc::escapeUrl(text), expected);
}

void XFuncTest::jsonRoundTrip()
{
    const QJsonObject identity { { "third", "" }, { "name", QStringLiteral("欧布里克斯") }, { "nameEN", "Ombrix" },
                                 { "exe", "OmbrixVPL.exe" }, { "mark", "m \"1\"" }, { "lang", "zh_cn" } };
    const QString text = XFunc::toJsonString(identity);
    QCOMPARE(text, QStringLiteral("{\"exe\":\"OmbrixVPL.exe\",\"lang\":\"zh_cn\",\"mark\":\"m \\\"1\\\"\",\"name\":\"欧布里克斯\",\"nameEN\":\"Ombrix\",\"third\":\"\"}"));
    QCOMPARE(XFunc::toJsonObject(text), identity);
}

void XFuncTest::toJsonObject_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty text") << "" << "{}";
    QTest::newRow("an array") << "[1,2]" << "{}";
    QTest::newRow("not JSON") << "third=KDRender" << "{}";
    QTest::newRow("cut short") << "{\"third\":\"KDRender\"" << "{}";
    QTest::newRow("a string") << "\"x\"" << "{}";
    QTest::newRow("an object with blanks") << " { \"a\" : \"1\" } " << "{\"a\":\"1\"}";
}

void XFuncTest::toJsonObject()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromUtf8(QJsonDocument(XFunc::toJsonObject(text)).toJson(QJsonDocument::Compact)), expected);
}

void XFuncTest::chooseAddress_data()
{
    QTest::addColumn<Adapters>("adapters");
    QTest::addColumn<QString>("expected");
    const QPair<QString, QString> ethernet { "Local Area Connection", "00:1a:2b:3c:4d:5e" };
    QTest::newRow("Ethernet beside VMware")
        << Adapters { ethernet, { "VMware Network Adapter VMnet8", "00:50:56:C0:00:08" } } << "00:1A:2B:3C:4D:5E";
    QTest::newRow("the last of two physical adapters")
        << Adapters { ethernet, { "Wi-Fi", "a0:b1:c2:d3:e4:f5" } } << "A0:B1:C2:D3:E4:F5";
    QTest::newRow("only loopback and tunnel")
        << Adapters { { "Loopback Pseudo-Interface 1", "" }, { "Teredo Tunneling Pseudo-Interface", "00:00:00:00:00:00:00:E0" } } << "";
    QTest::newRow("skip words ignore case")
        << Adapters { ethernet, { "vmware bridge", "11:22:33:44:55:66" }, { "ISATAP.lan", "11:22:33:44:55:67" },
                      { "my tunnel", "11:22:33:44:55:68" }, { "LOOPBACK", "11:22:33:44:55:69" }, { "pseudo", "11:22:33:44:55:6A" } }
        << "00:1A:2B:3C:4D:5E";
    QTest::newRow("an 8-byte address after a good one")
        << Adapters { ethernet, { "Ethernet 2", "00:00:00:00:00:00:00:E0" } } << "00:1A:2B:3C:4D:5E";
    QTest::newRow("no address") << Adapters { { "eth0", "" } } << "";
    QTest::newRow("nothing") << Adapters() << "";
}

void XFuncTest::chooseAddress()
{
    QFETCH(Adapters, adapters);
    QFETCH(QString, expected);
    QCOMPARE(XFunc::chooseAddress(adapters), expected);
}

// This machine's own adapters: the answer is empty or an upper-case address of one of them.
void XFuncTest::macAddressIsOneOfTheMachines()
{
    const QString address = XFunc::macAddress();
    if (address.isEmpty())
        QSKIP("this machine has no adapter with a hardware address");
    QVERIFY2(QRegularExpression(QStringLiteral("^([0-9A-F]{2}:){5}[0-9A-F]{2}$")).match(address).hasMatch(), qPrintable(address));
    bool found = false;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces())
        found = found || interface.hardwareAddress().toUpper() == address;
    QVERIFY(found);
}

// "[cores]name", the name as the system gives it, blanks and all.
void XFuncTest::processorText()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    QVERIFY(cpuinfo.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(cpuinfo.readAll());
    const QString name = QRegularExpression(QStringLiteral("^model name\\t*: ?(.*)$"), QRegularExpression::MultilineOption)
                             .match(text).captured(1);
    const QString cores = QRegularExpression(QStringLiteral("^cpu cores\\t*: ?(\\d+)"), QRegularExpression::MultilineOption)
                              .match(text).captured(1);
    QVERIFY(!cores.isEmpty());
    MachineInfo info;
    QVERIFY(XFunc::hardwareInfo(&info));
    QCOMPARE(info.cpu, QLatin1Char('[') + cores + QLatin1Char(']') + name);
}

void XFuncTest::readUserReg_data()
{
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("seeded");
    QTest::addColumn<QString>("expected");
    const QString shell = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    QTest::newRow("AppData from the hive") << shell << "AppData" << "C:\\Users\\u\\AppData\\Roaming" << "C:\\Users\\u\\AppData\\Roaming";
    QTest::newRow("AppData from the environment") << shell << "AppData" << "" << "APPDATA";
    QTest::newRow("another value") << "Software\\Norvane" << "x" << "1" << "1";
    QTest::newRow("absent value") << "Software\\Norvane" << "x" << "" << "null";
}

void XFuncTest::readUserReg()
{
    QFETCH(QString, subKey);
    QFETCH(QString, valueName);
    QFETCH(QString, seeded);
    QFETCH(QString, expected);
    Sandbox sandbox;
    sandbox.enter();
    if (!seeded.isEmpty()) {
        bool ok = false;
        sandbox.reg({ "add", QStringLiteral("HKCU\\") + subKey, "/v", valueName, "/d", seeded, "/f" }, &ok);
        QVERIFY(ok);
    }
    const QVariant value = XFunc::readUserReg(subKey, valueName);
    if (expected == QLatin1String("null"))
        QVERIFY(value.isNull());
    else
        QCOMPARE(value.toString(), expected == QLatin1String("APPDATA") ? sandbox.appData() : expected);
}

QTEST_GUILESS_MAIN(XFuncTest)
#include "xfunctest.moc"
