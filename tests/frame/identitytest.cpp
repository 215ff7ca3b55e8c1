// Identity loading, as each program sees it from its own folder: a probe
// program is copied into sandbox folders beside (or without) an OB.ini.
#include "sandbox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextCodec>
#include <QtTest>

namespace {

const char UninstallKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char SettingsKey[] = "HKCU\\Software\\Norvane\\%1\\Settings";

QByteArray gb2312(const QString &text)
{
    return QTextCodec::codecForName("GB2312")->fromUnicode(text);
}

QByteArray obIni(const QString &lines)
{
    return gb2312(QStringLiteral("[info]\n") + lines);
}

// One registry value to seed: key, name, data.
QString seed(const QString &key, const QString &name, const QString &data)
{
    return key + QLatin1Char('\t') + name + QLatin1Char('\t') + data;
}

QString uninstallEntry(const QString &productKey, const QString &dir)
{
    return seed(QLatin1String(UninstallKey) + productKey, QStringLiteral("installDir"), dir);
}

QString storedInfo(const QString &productKey, const QString &json)
{
    return seed(QString::fromLatin1(SettingsKey).arg(productKey), QStringLiteral("info"), json);
}

const QStringList fieldOrder { "name", "nameEN", "mark", "lang", "third", "exe", "productKey", "iniThird", "appDir",
                               "installDir", "serverBase", "channelHost", "updateHost", "updateHostEn", "startMenu",
                               "desktop", "zh" };

// The probe's whole output: every field empty or at its default unless the
// row names it ("field=value" lines).
QString identity(const QString &folder, const QString &home, const QStringList &changed)
{
    QMap<QString, QString> fields {
        { "productKey", "OmbrixVPL" },
        { "appDir", folder },
        { "channelHost", OMBRIX_CHANNEL_HOST },
        { "updateHost", OMBRIX_UPDATE_HOST },
        { "updateHostEn", OMBRIX_UPDATE_HOST_EN },
        { "startMenu", home + "/.local/share/applications" },
        { "desktop", home + "/Desktop" },
        { "zh", "true" },
    };
    for (const QString &line : changed) {
        const int equals = line.indexOf(QLatin1Char('='));
        fields.insert(line.left(equals), line.mid(equals + 1));
    }
    QString text;
    for (const QString &field : fieldOrder)
        text += field + QLatin1Char('=') + fields.value(field) + QLatin1Char('\n');
    return text;
}

}

class IdentityTest : public QObject
{
    Q_OBJECT

private slots:
    void loads_data();
    void loads();
};

void IdentityTest::loads_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("obIni");
    QTest::addColumn<QByteArray>("serviceIni");
    QTest::addColumn<QStringList>("seeds");
    // Changed fields of the probe's output; "exits" for a silent end.
    QTest::addColumn<QStringList>("expected");
    // Where the product settings handle writes; empty when the probe ends first.
    QTest::addColumn<QString>("settingsKey");

    const QString chinese = QStringLiteral("欧布里克斯云渲染");
    const QByteArray none;
    const QString vplFolder = QStringLiteral("Program Files/OmbrixVPL/bin");
    const QString lowerFolder = QStringLiteral("Program Files/ombrixvpl/bin");
    const QString vplSettings = QStringLiteral("HKCU\\Software\\Norvane\\OmbrixVPL\\Settings");
    const QString kdSettings = QStringLiteral("HKCU\\Software\\Norvane\\OmbrixKD\\Settings");
    const QString fullInfo = QStringLiteral(
        R"({"third":"ChannelA","name":"欧布里克斯云渲染","nameEN":"Ombrix Cloud","exe":"Ombrix.exe","mark":"m7","lang":"en_us"})");

    QTest::newRow("OB.ini in GB2312")
        << "delivery"
        << obIni(QStringLiteral("exe=Ombrix.exe\nname=%1\nnameEN=Ombrix Cloud\nthird=ChannelA\nmark=m7\nlang=zh_cn\n").arg(chinese))
        << none << QStringList()
        << QStringList { "name=" + chinese, "nameEN=Ombrix Cloud", "mark=m7", "lang=zh_cn", "third=ChannelA",
                         "exe=Ombrix.exe", "iniThird=ChannelA" }
        << vplSettings;
    QTest::newRow("OB.ini KDRender ignores the uninstall entry")
        << "delivery" << obIni("third=KDRender\n") << none
        << QStringList { uninstallEntry("OmbrixKD", "C:\\KD"), uninstallEntry("OmbrixVPL", "C:\\VPL") }
        << QStringList { "third=KDRender", "productKey=OmbrixKD", "iniThird=KDRender" } << kdSettings;
    QTest::newRow("OB.ini kdrender in other case")
        << "delivery" << obIni("third=kdrender\n") << none << QStringList()
        << QStringList { "third=kdrender", "iniThird=kdrender" } << vplSettings;
    QTest::newRow("OB.ini keys missing")
        << "delivery" << obIni("mark=only\n") << none << QStringList() << QStringList { "mark=only" } << vplSettings;
    QTest::newRow("OB.ini in an OmbrixKD-looking folder keeps the OB.ini rule")
        << "Program Files/ombrixvpl/bin" << obIni("exe=a.exe\n") << none << QStringList() << QStringList { "exe=a.exe" }
        << vplSettings;
    QTest::newRow("service.ini server values")
        << "delivery" << obIni("third=ChannelA\n")
        << QByteArray("[server]\nbs=http://127.0.0.1:8000/api\nchannelHost=127.0.0.1:8001\nupdateHost=127.0.0.1:8002\n"
                      "updateHostEn=127.0.0.1:8003\n")
        << QStringList()
        << QStringList { "third=ChannelA", "iniThird=ChannelA", "serverBase=http://127.0.0.1:8000/api",
                         "channelHost=127.0.0.1:8001", "updateHost=127.0.0.1:8002", "updateHostEn=127.0.0.1:8003" }
        << vplSettings;
    QTest::newRow("service.ini with bs only keeps the default hosts")
        << "delivery" << obIni("") << QByteArray("[server]\nbs=http://127.0.0.1:9/x\n") << QStringList()
        << QStringList { "serverBase=http://127.0.0.1:9/x" } << vplSettings;

    for (const char *lang : { "en_us", "EN_US", "en", "", "zh_cn" }) {
        QTest::addRow("lang \"%s\"", lang)
            << "delivery" << obIni(QStringLiteral("lang=%1\n").arg(QLatin1String(lang))) << none << QStringList()
            << QStringList { QStringLiteral("lang=") + lang, QStringLiteral("zh=") + (qstrcmp(lang, "en_us") == 0 ? "false" : "true") }
            << vplSettings;
    }

    QTest::newRow("registry: OmbrixVPL in the folder path")
        << vplFolder << none << QByteArray("[server]\nbs=http://127.0.0.1:8000/api\n")
        << QStringList { uninstallEntry("OmbrixVPL", "C:\\Ombrix\\OmbrixVPL\\2.0.1.07042"), storedInfo("OmbrixVPL", fullInfo),
                         uninstallEntry("OmbrixKD", "C:\\KD") }
        << QStringList { "name=" + chinese, "nameEN=Ombrix Cloud", "mark=m7", "lang=en_us", "third=ChannelA", "exe=Ombrix.exe",
                         "installDir=C:\\Ombrix\\OmbrixVPL\\2.0.1.07042", "serverBase=http://127.0.0.1:8000/api", "zh=false" }
        << vplSettings;
    QTest::newRow("registry: other case in the folder path means OmbrixKD")
        << lowerFolder << none << none
        << QStringList { uninstallEntry("OmbrixKD", "C:\\KD\\1.0"), storedInfo("OmbrixKD", R"({"third":"KDRender","exe":"kd.exe"})"),
                         uninstallEntry("OmbrixVPL", "C:\\VPL"), storedInfo("OmbrixVPL", fullInfo) }
        << QStringList { "third=KDRender", "exe=kd.exe", "productKey=OmbrixKD", "installDir=C:\\KD\\1.0" } << kdSettings;
    QTest::newRow("registry: the folder, not third, picks the key")
        << vplFolder << none << none
        << QStringList { uninstallEntry("OmbrixVPL", "C:\\VPL"), storedInfo("OmbrixVPL", R"({"third":"KDRender"})") }
        << QStringList { "third=KDRender", "productKey=OmbrixKD", "installDir=C:\\VPL" } << vplSettings;
    QTest::newRow("registry: info with third, name and exe only")
        << vplFolder << none << none
        << QStringList { uninstallEntry("OmbrixVPL", "C:\\VPL"),
                         storedInfo("OmbrixVPL", R"({"third":"ChannelB","name":"名字","exe":"b.exe"})") }
        << QStringList { "third=ChannelB", "name=名字", "exe=b.exe", "installDir=C:\\VPL" } << vplSettings;
    QTest::newRow("registry: members that are not strings")
        << vplFolder << none << none
        << QStringList { uninstallEntry("OmbrixVPL", "C:\\VPL"),
                         storedInfo("OmbrixVPL", R"({"third":7,"name":null,"lang":["en_us"],"mark":"ok"})") }
        << QStringList { "mark=ok", "installDir=C:\\VPL" } << vplSettings;
    QTest::newRow("registry: info not JSON")
        << vplFolder << none << none
        << QStringList { uninstallEntry("OmbrixVPL", "C:\\VPL"), storedInfo("OmbrixVPL", "third=ChannelA") }
        << QStringList { "installDir=C:\\VPL" } << vplSettings;
    QTest::newRow("registry: no info value")
        << vplFolder << none << none << QStringList { uninstallEntry("OmbrixVPL", "C:\\VPL") }
        << QStringList { "installDir=C:\\VPL" } << vplSettings;
    QTest::newRow("registry: no uninstall entry ends silently")
        << vplFolder << none << none << QStringList { storedInfo("OmbrixVPL", fullInfo) } << QStringList { "exits" } << QString();
    QTest::newRow("registry: only the other edition installed ends silently")
        << lowerFolder << none << none << QStringList { uninstallEntry("OmbrixVPL", "C:\\VPL"), storedInfo("OmbrixVPL", fullInfo) }
        << QStringList { "exits" } << QString();
}

void IdentityTest::loads()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, obIni);
    QFETCH(QByteArray, serviceIni);
    QFETCH(QStringList, seeds);
    QFETCH(QStringList, expected);
    QFETCH(QString, settingsKey);

    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    const QString dir = QDir(sandbox.root()).canonicalPath() + QLatin1Char('/') + folder;
    QVERIFY(QDir().mkpath(dir));
    const QString probe = dir + QStringLiteral("/identityprobe");
    QVERIFY(QFile::copy(TestPaths::bin(QStringLiteral("identityprobe")), probe));
    auto write = [&](const QString &name, const QByteArray &content) {
        if (content.isNull())
            return true;
        QFile file(dir + QLatin1Char('/') + name);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
    QVERIFY(write(QStringLiteral("OB.ini"), obIni));
    QVERIFY(write(QStringLiteral("service.ini"), serviceIni));
    for (const QString &entry : seeds) {
        const QStringList parts = entry.split(QLatin1Char('\t'));
        bool ok = false;
        sandbox.reg({ "add", parts.at(0), "/v", parts.at(1), "/d", parts.at(2), "/f" }, &ok);
        QVERIFY2(ok, qPrintable(entry));
    }

    QProcess process;
    process.setProcessEnvironment(sandbox.environment());
    process.start(probe, { QStringLiteral("probe"), QStringLiteral("written") });
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (expected == QStringList { "exits" }) {
        QCOMPARE(out, QString());
        for (const char *key : { "OmbrixVPL", "OmbrixKD" })
            QCOMPARE(sandbox.regValue(QString::fromLatin1(SettingsKey).arg(QLatin1String(key)), QStringLiteral("probe")), QString());
        return;
    }
    QCOMPARE(out, identity(dir, sandbox.home(), expected));
    QCOMPARE(sandbox.regValue(settingsKey, QStringLiteral("probe")), QStringLiteral("written"));
}

QTEST_GUILESS_MAIN(IdentityTest)
#include "identitytest.moc"
