#include "survey.h"

#include <QtTest>

// The reason survey's requests, the choice of reasons shown and the report.
class TestSurvey : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void shownReasons_data();
    void shownReasons();
    void reportBody_data();
    void reportBody();
};

void TestSurvey::requests_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("listUrl");
    QTest::addColumn<bool>("reports");

    const QString list = QStringLiteral("http://127.0.0.1:8/cms/uninstallReason/getPresentByType?type=");
    QTest::newRow("general edition") << QString() << list + QStringLiteral("2") << true;
    QTest::newRow("Unity edition") << QStringLiteral("KDRender") << list + QStringLiteral("1") << true;
    QTest::newRow("partner build") << QStringLiteral("MRARender") << list << false;
    QTest::newRow("Unity name in other case is a partner") << QStringLiteral("kdrender") << list << false;
}

void TestSurvey::requests()
{
    QFETCH(QString, third);
    QFETCH(QString, listUrl);
    QFETCH(bool, reports);
    const QString base = QStringLiteral("http://127.0.0.1:8");
    QCOMPARE(Survey::reasonListUrl(base, third), listUrl);
    QCOMPARE(Survey::sendsReport(third), reports);
    QCOMPARE(Survey::reportUrl(base), QStringLiteral("http://127.0.0.1:8/cms/uninstallReason/getUserUninstallReasonByType"));
}

void TestSurvey::shownReasons_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");

    QTest::newRow("orders 5 1 3 2 4 6")
        << QByteArray(R"({"rows":[{"id":50,"order":5,"reason":"e"},{"id":10,"order":1,"reason":"a"},{"id":30,"order":3,"reason":"c"},)"
                      R"({"id":20,"order":2,"reason":"b"},{"id":40,"order":4,"reason":"d"},{"id":60,"order":6,"reason":"f"}]})")
        << "a=10 b=20 c=30 d=40";
    QTest::newRow("a later row of the same order wins")
        << QByteArray(R"({"rows":[{"id":1,"order":1,"reason":"first"},{"id":2,"order":2,"reason":"two"},{"id":3,"order":1,"reason":"later"}]})")
        << "later=3 two=2";
    QTest::newRow("row without id")
        << QByteArray(R"({"rows":[{"order":1,"reason":"no id"},{"id":7,"order":2,"reason":"x"}]})") << "no id=0 x=7";
    QTest::newRow("fewer than four rows")
        << QByteArray(R"({"rows":[{"id":8,"order":3,"reason":"太贵"},{"id":9,"order":1,"reason":"不好用"}]})") << "不好用=9 太贵=8";
    QTest::newRow("order missing or not whole counts as 0")
        << QByteArray(R"({"rows":[{"id":1,"order":2,"reason":"two"},{"id":2,"order":1.5,"reason":"half"},{"id":3,"reason":"none"}]})")
        << "none=3 two=1";
    QTest::newRow("id not whole, reason not text")
        << QByteArray(R"({"rows":[{"id":"5","order":1,"reason":5},{"id":2.5,"order":2,"reason":"y"}]})") << "=0 y=0";
    QTest::newRow("other members ignored")
        << QByteArray(R"({"total":1,"rows":[{"id":4,"order":1,"reason":"z","extra":true}],"code":0})") << "z=4";
    QTest::newRow("empty rows") << QByteArray(R"({"rows":[]})") << "";
    QTest::newRow("no rows") << QByteArray(R"({"total":0})") << "";
    QTest::newRow("rows not an array") << QByteArray(R"({"rows":{"id":1,"order":1,"reason":"a"}})") << "";
    QTest::newRow("document is an array") << QByteArray(R"([{"id":1,"order":1,"reason":"a"}])") << "";
    QTest::newRow("not JSON") << QByteArray("<html>busy</html>") << "";
    QTest::newRow("empty body") << QByteArray() << "";
}

void TestSurvey::shownReasons()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    QStringList texts;
    for (const Survey::Reason &reason : Survey::shownReasons(body))
        texts.append(reason.text + QLatin1Char('=') + Survey::reasonToolTip(reason));
    QCOMPARE(texts.join(QLatin1Char(' ')), shown);
}

void TestSurvey::reportBody_data()
{
    QTest::addColumn<QStringList>("toolTips");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QByteArray>("body");

    const QString other = Survey::otherToolTip();
    QTest::newRow("two reasons and the other box")
        << QStringList { QStringLiteral("3"), QStringLiteral("7"), other } << "abc" << "123" << QString()
        << QByteArray(R"({"rows":[{"id":3},{"id":7},{"contact":"123","id":0,"other":"abc"}],"type":2})");
    QTest::newRow("nothing checked, English mode") << QStringList() << "" << "" << QString() << QByteArray(R"({"rows":[],"type":2})");
    QTest::newRow("Unity edition") << QStringList { QStringLiteral("11") } << "" << "" << QStringLiteral("KDRender")
                                   << QByteArray(R"({"rows":[{"id":11}],"type":1})");
    QTest::newRow("list failed: boxes without tool-tips")
        << QStringList { QString(), QString() } << "typed" << "a@b.c" << QString() << QByteArray(R"({"rows":[{"id":0},{"id":0}],"type":2})");
    QTest::newRow("Chinese free text, cut at 100 characters")
        << QStringList { other } << QString(QStringLiteral("慢")).repeated(120) << "q.q@x" << QString()
        << QByteArray(R"({"rows":[{"contact":"q.q@x","id":0,"other":")") + QString(QStringLiteral("慢")).repeated(100).toUtf8()
               + QByteArray(R"("}],"type":2})");
    QTest::newRow("quotes in the free text are escaped")
        << QStringList { other } << "say \"no\"" << "" << QString() << QByteArray(R"({"rows":[{"contact":"","id":0,"other":"say \"no\""}],"type":2})");
}

void TestSurvey::reportBody()
{
    QFETCH(QStringList, toolTips);
    QFETCH(QString, other);
    QFETCH(QString, contact);
    QFETCH(QString, third);
    QFETCH(QByteArray, body);
    QCOMPARE(Survey::reportBody(toolTips, other, contact, third), body);
}

QTEST_GUILESS_MAIN(TestSurvey)
#include "tst_survey.moc"
