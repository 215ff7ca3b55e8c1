#include "zipthread.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestZipThread : public QObject
{
    Q_OBJECT

private slots:
    void reportsEveryEntryInTheWindowThreadThenFinishes_data();
    void reportsEveryEntryInTheWindowThreadThenFinishes();
};

void TestZipThread::reportsEveryEntryInTheWindowThreadThenFinishes_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("archivePresent");
    QTest::newRow("400 entries") << 400 << true;
    QTest::newRow("missing archive") << 0 << false;
}

void TestZipThread::reportsEveryEntryInTheWindowThreadThenFinishes()
{
    QFETCH(int, entries);
    QFETCH(bool, archivePresent);
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("files.zip"));
    if (archivePresent) {
        QuaZip zip(archive);
        QVERIFY(zip.open(QuaZip::mdCreate));
        for (int i = 0; i < entries; ++i) {
            QuaZipFile file(&zip);
            QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("f/%1.txt").arg(i))));
            file.write(QByteArray::number(i));
        }
        zip.close();
    }

    ZipThread worker;
    QStringList events;
    QThread *window = QThread::currentThread();
    int foreignThread = 0;
    connect(&worker, &ZipThread::oneOk, this, [&] {
        foreignThread += QThread::currentThread() != window;
        if (events.isEmpty() || events.last() != QLatin1String("oneOk"))
            events.append(QStringLiteral("oneOk"));
    });
    connect(&worker, &QThread::finished, this, [&] { events.append(QStringLiteral("finished")); });
    int reports = 0;
    connect(&worker, &ZipThread::oneOk, this, [&] { ++reports; });
    worker.setPaths(dir.filePath(QStringLiteral("dest")), archive);
    worker.start();
    QTRY_VERIFY_WITH_TIMEOUT(events.contains(QStringLiteral("finished")), 60000);
    QCOMPARE(reports, entries);
    QCOMPARE(foreignThread, 0);
    QCOMPARE(events.join(QLatin1Char(' ')), entries ? QStringLiteral("oneOk finished") : QStringLiteral("finished"));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("dest/f"))).entryList(QDir::Files).size(), entries);
}

QTEST_GUILESS_MAIN(TestZipThread)
#include "tst_zipthread.moc"
