#include "uninstallmachine.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>

// The reason survey over the wire: the real uninstaller asks the loopback
// server for its list and reports what a person ticked. What a box carries
// shows in the report: its reason's id, or 0 when it received none.
class TestSurveyRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reasonList_data();
    void reasonList();

private:
    QScopedPointer<VirtualDisplay> display;
    QTemporaryDir lists;
};

namespace {

const char ListPath[] = "/cms/uninstallReason/getPresentByType";
const char ReportPath[] = "/cms/uninstallReason/getUserUninstallReasonByType";

}

void TestSurveyRun::initTestCase()
{
    display.reset(new VirtualDisplay);
    QVERIFY(display->isValid());
    QVERIFY(lists.isValid());
}

void TestSurveyRun::reasonList_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("report");

    const QString withOther = QStringLiteral(R"({"contact":"c9","id":0,"other":"t"})");
    QTest::newRow("orders 5 1 3 2 4 6")
        << QByteArray(R"({"rows":[{"id":50,"order":5,"reason":"e"},{"id":10,"order":1,"reason":"a"},{"id":30,"order":3,"reason":"c"},)"
                      R"({"id":20,"order":2,"reason":"b"},{"id":40,"order":4,"reason":"d"},{"id":60,"order":6,"reason":"f"}]})")
        << "none" << QStringLiteral(R"({"rows":[{"id":10},{"id":20},{"id":30},{"id":40},%1],"type":2})").arg(withOther);
    QTest::newRow("duplicate orders")
        << QByteArray(R"({"rows":[{"id":1,"order":1,"reason":"a"},{"id":2,"order":2,"reason":"b"},{"id":3,"order":1,"reason":"c"},)"
                      R"({"id":4,"order":3,"reason":"d"},{"id":5,"order":4,"reason":"e"}]})")
        << "none" << QStringLiteral(R"({"rows":[{"id":3},{"id":2},{"id":4},{"id":5},%1],"type":2})").arg(withOther);
    QTest::newRow("row without id")
        << QByteArray(R"({"rows":[{"id":1,"order":1,"reason":"a"},{"order":2,"reason":"b"},{"id":3,"order":3,"reason":"c"},{"id":4,"order":4,"reason":"d"}]})")
        << "none" << QStringLiteral(R"({"rows":[{"id":1},{"id":0},{"id":3},{"id":4},%1],"type":2})").arg(withOther);
    QTest::newRow("fewer than four rows") << QByteArray(R"({"rows":[{"id":8,"order":2,"reason":"b"},{"id":9,"order":1,"reason":"a"}]})")
                                          << "none" << QStringLiteral(R"({"rows":[{"id":9},{"id":8},{"id":0},{"id":0},%1],"type":2})").arg(withOther);
    // A failed list leaves no box a tool-tip, the other box included.
    const QString failed = QStringLiteral(R"({"rows":[{"id":0},{"id":0},{"id":0},{"id":0},{"id":0}],"type":2})");
    QTest::newRow("404") << QByteArray() << "404" << failed;
    QTest::newRow("304") << QByteArray() << "304" << failed;
    QTest::newRow("no answer") << QByteArray() << "noanswer" << failed;
    // An answer that is no list still marks the other box.
    const QString unread = QStringLiteral(R"({"rows":[{"id":0},{"id":0},{"id":0},{"id":0},%1],"type":2})").arg(withOther);
    QTest::newRow("invalid JSON") << QByteArray() << "notjson" << unread;
    QTest::newRow("no rows") << QByteArray() << "norows" << unread;
}

void TestSurveyRun::reasonList()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, fault);
    QFETCH(QString, report);
    QStringList arguments;
    if (!list.isEmpty()) {
        QFile file(lists.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'))));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(list);
        arguments << QStringLiteral("--reasons") << file.fileName();
    }
    TestServer server(arguments);
    QVERIFY(server.isValid());
    QVERIFY(server.setFault(QStringLiteral("reasons"), fault));

    UninstallMachine m(Edition::general(), *display, server);
    QVERIFY(m.install());
    QVERIFY2(m.startUninstaller(), qPrintable(m.output()));
    QTRY_VERIFY(!server.requestsTo(QLatin1String(ListPath)).isEmpty());
    QThread::msleep(400);
    QVERIFY(m.click(At::uninstall));
    for (const QPoint &box : { At::check1, At::check2, At::check3, At::check4 })
        QVERIFY(m.click(box));
    QVERIFY(m.click(At::textEdit));
    QVERIFY(m.type(QStringLiteral("t")));
    QVERIFY(m.click(At::phone));
    QVERIFY(m.type(QStringLiteral("c9")));
    QVERIFY(m.click(At::commit));
    QTRY_COMPARE(server.requestsTo(QLatin1String(ReportPath)).size(), 1);
    QCOMPARE(server.requestsTo(QLatin1String(ReportPath)).first().toObject().value(QLatin1String("body")).toString(), report);
    QVERIFY(m.waitForFinishView());
    QVERIFY(m.click(At::finish));
    QCOMPARE(m.waitForExit(), 0);
}

QTEST_GUILESS_MAIN(TestSurveyRun)
#include "tst_surveyrun.moc"
