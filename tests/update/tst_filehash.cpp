// The digest of installed and downloaded files, against sha1sum.
#include "filehash.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class FileHashTest : public QObject
{
    Q_OBJECT

private slots:
    void matchesSha1sum_data();
    void matchesSha1sum();
    void unreadable();

private:
    QTemporaryDir dir;
};

void FileHashTest::matchesSha1sum_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty") << 0;
    QTest::newRow("one byte") << 1;
    QTest::newRow("one piece") << 4096;
    QTest::newRow("one piece and a byte") << 4097;
    QTest::newRow("several pieces") << 3 * 1024 * 1024 + 17;
}

void FileHashTest::matchesSha1sum()
{
    QFETCH(int, size);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    const QString path = dir.filePath(QStringLiteral("f%1").arg(size));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QProcess sha1sum;
    sha1sum.start(QStringLiteral("sha1sum"), { path });
    QVERIFY(sha1sum.waitForFinished());
    const QString expected = QString::fromLatin1(sha1sum.readAllStandardOutput().left(40));
    QCOMPARE(fileHash(path), expected);
}

void FileHashTest::unreadable()
{
    QCOMPARE(fileHash(dir.filePath(QStringLiteral("absent"))), QString());
    QCOMPARE(fileHash(dir.path()), QString());
}

QTEST_GUILESS_MAIN(FileHashTest)
#include "tst_filehash.moc"
