#include "archive.h"
#include "sandbox.h"

#include <JlCompress.h>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <quazipnewinfo.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Entry {
    QString name;
    QByteArray data;
    quint32 mode; // Unix type and permission bits, as an archive made on Unix carries them
};

const quint32 File = 0100644;
const quint32 Folder = 040755;
const quint32 Link = 0120777;

bool writeZip(const QString &path, const QList<Entry> &entries)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const Entry &entry : entries) {
        QuaZipNewInfo info(entry.name);
        info.externalAttr = entry.mode << 16;
        QuaZipFile file(&zip);
        // Stored, so a test can find an entry's bytes in the archive.
        if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, 0, 0) || file.write(entry.data) != entry.data.size())
            return false;
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

QString tree(const QString &folder)
{
    return Sandbox::tree(folder);
}

}

Q_DECLARE_METATYPE(Entry)

class TestArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void extractsEntriesAndReportsEach();
    void keepsUnixPermissions();
    void badArchive_data();
    void badArchive();
    void escapingEntriesAreSkipped_data();
    void escapingEntriesAreSkipped();
    void failingEntryRemovesWhatWasWritten();
    void compressOneFile();
    void compressRefuses_data();
    void compressRefuses();

private:
    QScopedPointer<QTemporaryDir> dir;
    QString zipPath() const { return dir->filePath(QStringLiteral("files.zip")); }
    QString dest() const { return dir->filePath(QStringLiteral("outside/dest")); }
    QString outside() const { return dir->filePath(QStringLiteral("outside")); }
};

void TestArchive::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    QVERIFY(QDir().mkpath(dest()));
}

void TestArchive::extractsEntriesAndReportsEach()
{
    QVERIFY(writeZip(zipPath(), { { "bin/", "", Folder },
                                  { "bin/a.dll", "aaaa", File },
                                  { "sub\\b.txt", "bb", File },
                                  { "c.txt", "c", File },
                                  { "c.txt", "cc", File } }));
    QObject notifier;
    QSignalSpy renamed(&notifier, &QObject::objectNameChanged);
    const QStringList extracted = OmbrixArchive::VPLextractDir(zipPath(), dest(), &notifier);
    QCOMPARE(extracted, QStringList({ dest() + "/bin/", dest() + "/bin/a.dll", dest() + "/sub/b.txt", dest() + "/c.txt", dest() + "/c.txt" }));
    QCOMPARE(tree(dest()), QStringLiteral("dir bin\ndir sub\nfile bin/a.dll 4\nfile c.txt 2\nfile sub/b.txt 2"));
    // The same name twice in a row renames nothing the second time.
    QStringList names;
    for (const QList<QVariant> &call : qAsConst(renamed))
        names.append(call.at(0).toString());
    QCOMPARE(names, QStringList({ "bin/", "bin/a.dll", "sub\\b.txt", "c.txt" }));
    QCOMPARE(OmbrixArchive::entryCount(zipPath()), 5);
}

void TestArchive::keepsUnixPermissions()
{
    QVERIFY(writeZip(zipPath(), { { "uninstall.exe", "#!/bin/sh\n", 0100755 }, { "data.txt", "d", 0100600 }, { "shared.txt", "s", 0100664 } }));
    QObject notifier;
    QCOMPARE(OmbrixArchive::VPLextractDir(zipPath(), dest(), &notifier).size(), 3);
    QStringList modes;
    for (const char *name : { "uninstall.exe", "data.txt", "shared.txt" }) {
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(dest() + QLatin1Char('/') + QLatin1String(name)).constData(), &st), 0);
        modes.append(QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(st.st_mode & 07777, 0, 8));
    }
    QCOMPARE(modes, QStringList({ "uninstall.exe 755", "data.txt 600", "shared.txt 664" }));
}

void TestArchive::badArchive_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("entries");
    QTemporaryDir scratch;
    const QString good = scratch.filePath(QStringLiteral("good.zip"));
    QVERIFY(writeZip(good, { { "a.txt", QByteArray(3000, 'a'), File }, { "b.txt", QByteArray(3000, 'b'), File } }));
    QFile file(good);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const QString empty = scratch.filePath(QStringLiteral("empty.zip"));
    QVERIFY(writeZip(empty, {}));
    QFile emptyFile(empty);
    QVERIFY(emptyFile.open(QIODevice::ReadOnly));

    QTest::newRow("missing") << QByteArray() << false << 0;
    QTest::newRow("not a zip") << QByteArray("this is not an archive\n") << true << 0;
    QTest::newRow("truncated") << whole.left(whole.size() / 2) << true << 0;
    QTest::newRow("empty file") << QByteArray() << true << 0;
    QTest::newRow("no entries") << emptyFile.readAll() << true << 0;
}

void TestArchive::badArchive()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, present);
    if (present) {
        QFile file(zipPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QObject notifier;
    QSignalSpy renamed(&notifier, &QObject::objectNameChanged);
    QCOMPARE(OmbrixArchive::VPLextractDir(zipPath(), dest(), &notifier), QStringList());
    QTEST(OmbrixArchive::entryCount(zipPath()), "entries");
    QCOMPARE(renamed.count(), 0);
    QCOMPARE(tree(outside()), QStringLiteral("dir dest"));
}

void TestArchive::escapingEntriesAreSkipped_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QString>("tree");
    const Entry ok { "ok.txt", "ok", File };
    QTest::newRow("parent folder") << QList<Entry> { { "../evil", "x", File }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("parent inside a path") << QList<Entry> { { "sub/../../evil", "x", File }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("absolute") << QList<Entry> { { "/tmp/ombrix-escape-test", "x", File }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("drive letter") << QList<Entry> { { "C:/evil", "x", File }, { "C:evil", "x", File }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("backslash parent") << QList<Entry> { { "..\\evil", "x", File }, { "sub\\..\\..\\evil", "x", File }, ok }
                                      << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("the folder itself") << QList<Entry> { { "./", "", Folder }, { "sub/..", "x", File }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("link to a parent") << QList<Entry> { { "up", "../..", Link }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("absolute link") << QList<Entry> { { "etc", "/etc", Link }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("link through a link") << QList<Entry> { { "here", ".", Link }, { "up", "here/..", Link }, ok }
                                         << "dir dest\nfile dest/ok.txt 2\nlink dest/here -> " + QString("DEST");
    QTest::newRow("link inside is kept") << QList<Entry> { ok, { "sub/ok.lnk", "..\\ok.txt", Link } }
                                         << "dir dest\ndir dest/sub\nfile dest/ok.txt 2\nlink dest/sub/ok.lnk -> DEST/ok.txt";
    QTest::newRow("dangling link") << QList<Entry> { { "gone", "nothing-here", Link }, ok } << "dir dest\nfile dest/ok.txt 2";
    QTest::newRow("file under a link name") << QList<Entry> { { "lib", "sub", Link }, { "sub/", "", Folder }, { "lib/f", "x", File }, ok }
                                            << "dir dest\ndir dest/lib\ndir dest/sub\nfile dest/lib/f 1\nfile dest/ok.txt 2";
}

void TestArchive::escapingEntriesAreSkipped()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, tree);
    QVERIFY(writeZip(zipPath(), entries));
    QObject notifier;
    const QStringList extracted = OmbrixArchive::VPLextractDir(zipPath(), dest(), &notifier);
    QVERIFY(extracted.contains(dest() + QStringLiteral("/ok.txt")));
    QCOMPARE(::tree(outside()), tree.replace(QLatin1String("DEST"), QDir(dest()).canonicalPath()));
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/ombrix-escape-test")));
}

void TestArchive::failingEntryRemovesWhatWasWritten()
{
    const QByteArray second(4000, 'q');
    QVERIFY(writeZip(zipPath(), { { "first.txt", "first", File }, { "sub/", "", Folder }, { "sub/one.txt", "1", File },
                                  { "sub/second.bin", second, File }, { "third.txt", "third", File } }));
    QFile file(zipPath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const int at = bytes.indexOf(second);
    QVERIFY(at > 0);
    bytes[at + 2000] = 'X'; // the checksum no longer matches
    file.seek(0);
    file.write(bytes);
    file.close();

    QObject notifier;
    QSignalSpy renamed(&notifier, &QObject::objectNameChanged);
    QCOMPARE(OmbrixArchive::VPLextractDir(zipPath(), dest(), &notifier), QStringList());
    QCOMPARE(renamed.count(), 3);
    QCOMPARE(tree(outside()), QStringLiteral("dir dest"));
}

void TestArchive::compressOneFile()
{
    const QString source = dir->filePath(QStringLiteral("report.log"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray content = QByteArray("line of a log\n").repeated(2000);
    file.write(content);
    file.close();

    const QString archive = dir->filePath(QStringLiteral("new/folder/report.zip"));
    const bool stop = false;
    QVERIFY(OmbrixArchive::ombrixCompress(archive, source, stop));
    QuaZip zip(archive);
    QVERIFY(zip.open(QuaZip::mdUnzip));
    QCOMPARE(zip.getFileNameList(), QStringList { "report.log" });
    QVERIFY(zip.goToFirstFile());
    QuaZipFileInfo64 info;
    QVERIFY(zip.getCurrentFileInfo(&info));
    QCOMPARE(int(info.method), Z_DEFLATED);
    QVERIFY(info.compressedSize < quint64(content.size()) / 10);
    QuaZipFile entry(&zip);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QCOMPARE(entry.readAll(), content);
}

void TestArchive::compressRefuses_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("archive");
    QTest::addColumn<bool>("stop");
    QTest::newRow("missing file") << "absent.log" << "out/a.zip" << false;
    QTest::newRow("stopped") << "present.log" << "out/a.zip" << true;
    QTest::newRow("archive below a file") << "present.log" << "present.log/a.zip" << false;
}

void TestArchive::compressRefuses()
{
    QFETCH(QString, source);
    QFETCH(QString, archive);
    QFETCH(bool, stop);
    QFile present(dir->filePath(QStringLiteral("present.log")));
    QVERIFY(present.open(QIODevice::WriteOnly));
    present.write(QByteArray(10000, 'p'));
    present.close();
    QVERIFY(!OmbrixArchive::ombrixCompress(dir->filePath(archive), dir->filePath(source), stop));
    QVERIFY(!QFile::exists(dir->filePath(archive)));
}

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
