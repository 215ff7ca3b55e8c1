#include "registryplan.h"

#include <QUrlQuery>
#include <QtTest>

using RegistryPlan::Identity;

Q_DECLARE_METATYPE(Identity)

namespace {
QString lines(const RegistryPlan::Values &values)
{
    QStringList out;
    for (const auto &value : values)
        out.append(value.first + QLatin1Char('=') + value.second);
    return out.join(QLatin1Char('\n'));
}

const QString Dir = QStringLiteral("C:\\Program Files\\Ombrix\\OmbrixVPL\\2.0.1.07042");
}

class TestRegistryPlan : public QObject
{
    Q_OBJECT

private slots:
    void autoRunCommandQuotesThePath();
    void uninstallEntry_data();
    void uninstallEntry();
    void productValues_data();
    void productValues();
    void channelReportUrl_data();
    void channelReportUrl();
};

void TestRegistryPlan::autoRunCommandQuotesThePath()
{
    QCOMPARE(RegistryPlan::autoRunCommand(Dir, QStringLiteral("Cloud.exe")),
             QStringLiteral("\"C:\\Program Files\\Ombrix\\OmbrixVPL\\2.0.1.07042\\Cloud.exe\" RegAutoRun"));
}

void TestRegistryPlan::uninstallEntry_data()
{
    QTest::addColumn<Identity>("identity");
    QTest::addColumn<bool>("zh");
    QTest::addColumn<QString>("values");
    const QString common = QStringLiteral("UninstallString=\"%1\\uninstall.exe\"\ninstallDir=%1\nDisplayVersion=2.0.1\n").arg(Dir);
    const QString icon = QStringLiteral("DisplayIcon=%1\\C.exe").arg(Dir);
    QTest::newRow("general Chinese") << Identity { "", "奥云", "Cloud", "C.exe", "m", "zh_cn" } << true
                                     << "DisplayName=奥云\n" + common + "URLInfoAbout=http://about\nPublisher=Morvelcorp\n" + icon;
    QTest::newRow("general English") << Identity { "", "Cloud", "Cloud", "C.exe", "m", "en_us" } << false
                                     << "DisplayName=Cloud\n" + common + "URLInfoAbout=http://about\nPublisher=Trellisan\n" + icon;
    QTest::newRow("unity Chinese") << Identity { "KDRender", "奥云", "Cloud", "C.exe", "m", "" } << true
                                   << "DisplayName=奥云\n" + common + "Publisher=Morvelcorp\n" + icon;
    QTest::newRow("channel") << Identity { "MRARender", "渠道", "Channel", "C.exe", "m", "" } << true
                             << "DisplayName=渠道\n" + common + icon;
}

void TestRegistryPlan::uninstallEntry()
{
    QFETCH(Identity, identity);
    QFETCH(bool, zh);
    QTEST(lines(RegistryPlan::uninstallEntry(identity, zh, Dir, QStringLiteral("2.0.1"), QStringLiteral("http://about"))), "values");
}

void TestRegistryPlan::productValues_data()
{
    QTest::addColumn<Identity>("identity");
    QTest::addColumn<bool>("zh");
    QTest::addColumn<QString>("values");
    QTest::newRow("general Chinese")
        << Identity { "", "奥云", "Cloud", "OmbrixVPL.exe", "M01", "zh_cn" } << true
        << "ThirdPart=\nLanguage=zh_cn\nInstallDir=" + Dir
               + "\ninfo={\"exe\":\"OmbrixVPL.exe\",\"lang\":\"zh_cn\",\"mark\":\"M01\",\"name\":\"奥云\",\"nameEN\":\"Cloud\",\"third\":\"\"}";
    QTest::newRow("channel English, quote in a name")
        << Identity { "MRARender", "M \"R\"", "M \"R\"", "MR.exe", "", "en_us" } << false
        << "ThirdPart=MRARender\nLanguage=en_us\nInstallDir=" + Dir
               + "\ninfo={\"exe\":\"MR.exe\",\"lang\":\"en_us\",\"mark\":\"\",\"name\":\"M \\\"R\\\"\",\"nameEN\":\"M \\\"R\\\"\",\"third\":\"MRARender\"}";
}

void TestRegistryPlan::productValues()
{
    QFETCH(Identity, identity);
    QFETCH(bool, zh);
    QTEST(lines(RegistryPlan::productValues(identity, zh, Dir)), "values");
}

void TestRegistryPlan::channelReportUrl_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("cpu");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("decodedMac");
    QTest::addColumn<QString>("decodedCpu");
    QTest::newRow("colons")
        << "00:1A:2B:3C:4D:5E" << "[4]Intel(R) Core(TM) i5"
        << "http://ops.test:8080/clientChannel/clientChannelInfo?mark=M01&macAddr=00%3A1A%3A2B%3A3C%3A4D%3A5E&cpu=[4]Intel(R)%20Core(TM)%20i5"
        << "00:1A:2B:3C:4D:5E" << "[4]Intel(R) Core(TM) i5";
    QTest::newRow("separators in the processor text")
        << "" << "[2]a=b&c/d?e"
        << "http://ops.test:8080/clientChannel/clientChannelInfo?mark=M01&macAddr=&cpu=[2]a%3Db%26c%2Fd%3Fe"
        << "" << "[2]a=b&c/d?e";
}

void TestRegistryPlan::channelReportUrl()
{
    QFETCH(QString, mac);
    QFETCH(QString, cpu);
    const QUrl url = RegistryPlan::channelReportUrl(QStringLiteral("ops.test:8080"), QStringLiteral("M01"), mac, cpu);
    QTEST(QString::fromLatin1(url.toEncoded()), "url");
    const QUrlQuery query(url);
    QTEST(query.queryItemValue(QStringLiteral("macAddr"), QUrl::FullyDecoded), "decodedMac");
    QTEST(query.queryItemValue(QStringLiteral("cpu"), QUrl::FullyDecoded), "decodedCpu");
}

QTEST_APPLESS_MAIN(TestRegistryPlan)
#include "tst_registryplan.moc"
