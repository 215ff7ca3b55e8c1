// Hostile files.zip archives against the installer's own extraction: each
// ends in a clear result (entries kept inside, or everything written
// removed) and nothing appears or disappears outside the destination.
#include "archive.h"
#include "sandbox.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Entry {
    QString name;
    QByteArray data;
    quint32 mode;
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
        if (!file.open(QIODevice::WriteOnly, info) || file.write(entry.data) != entry.data.size())
            return false;
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

}

Q_DECLARE_METATYPE(Entry)

class TestHostileArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void hostile_data();
    void hostile();

private:
    QScopedPointer<QTemporaryDir> dir;
    QString machine() const { return dir->filePath(QStringLiteral("machine")); }
    QString dest() const { return machine() + QStringLiteral("/programfiles/Ombrix/OmbrixVPL/2.0.1.07042"); }
};

void TestHostileArchive::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    // Neighbours an escaping entry could overwrite or a link could reach.
    for (const char *neighbour : { "victim.txt", "programfiles/Ombrix/victim.txt", "programfiles/Ombrix/OmbrixVPL/victim.txt" }) {
        const QString path = machine() + QLatin1Char('/') + QLatin1String(neighbour);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("untouched");
    }
    QVERIFY(QDir().mkpath(dest()));
}

void TestHostileArchive::hostile_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<QString>("fixture");
    // The destination afterwards; "" when the extraction failed and removed
    // what it wrote (folders it made may stay, empty).
    QTest::addColumn<QString>("tree");
    QTest::addColumn<int>("extracted");
    const Entry ok { "ok.txt", "ok", File };
    QTest::newRow("link out, then a file written through it")
        << QList<Entry> { { "out", "../../../..", Link }, { "out/victim.txt", "overwritten", File }, ok } << QString()
        << "dir out\nfile ok.txt 2\nfile out/victim.txt 11" << 2;
    QTest::newRow("absolute link, then a file written through it")
        << QList<Entry> { { "abs", QFile::encodeName(QDir::tempPath()) + "/ombrix-hardening-abs", Link }, { "abs/victim.txt", "overwritten", File }, ok } << QString()
        << "dir abs\nfile abs/victim.txt 11\nfile ok.txt 2" << 2;
    QTest::newRow("backslash link out, then through it")
        << QList<Entry> { { "up", "..\\..", Link }, { "up\\victim.txt", "overwritten", File }, ok } << QString()
        << "dir up\nfile ok.txt 2\nfile up/victim.txt 11" << 2;
    QTest::newRow("drive-letter and rooted backslash names")
        << QList<Entry> { { "C:\\victim.txt", "x", File }, { "\\victim.txt", "x", File }, { "D:victim.txt", "x", File }, ok }
        << QString() << "file ok.txt 2" << 1;
    QTest::newRow("a file, then a folder of the same name")
        << QList<Entry> { ok, { "same", "file", File }, { "same/", "", Folder }, { "late.txt", "late", File } } << QString() << "" << 0;
    QTest::newRow("a folder, then a file of the same name")
        << QList<Entry> { ok, { "same/", "", Folder }, { "same", "file", File }, { "late.txt", "late", File } } << QString() << "" << 0;
    QTest::newRow("the same file three times, the last one holds")
        << QList<Entry> { { "d.txt", "one", File }, { "d.txt", "two!", File }, { "d.txt", "3", File } } << QString() << "file d.txt 1" << 3;
    QTest::newRow("zip bomb: inflates far beyond its stated size")
        << QList<Entry>() << "zip-bomb-lying-size.zip" << "" << 0;
    QTest::newRow("truncated central directory")
        << QList<Entry>() << "truncated-central-directory.zip" << "" << 0;
}

void TestHostileArchive::hostile()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(QString, fixture);
    QFETCH(QString, tree);
    QFETCH(int, extracted);
    const QString zip = dir->filePath(QStringLiteral("files.zip"));
    if (fixture.isEmpty())
        QVERIFY(writeZip(zip, entries));
    else
        QVERIFY(QFile::copy(TestPaths::source(QStringLiteral("tests/hardening/data/") + fixture), zip));
    const QString before = Sandbox::tree(machine());

    QObject notifier;
    const QStringList written = OmbrixArchive::VPLextractDir(zip, dest(), &notifier);
    QCOMPARE(written.size(), extracted);
    QCOMPARE(Sandbox::tree(dest()), tree);
    // Outside the destination the machine is exactly as it was.
    QStringList outside;
    for (const QString &line : Sandbox::tree(machine()).split(QLatin1Char('\n'))) {
        if (!line.contains(QStringLiteral("OmbrixVPL/2.0.1.07042/")))
            outside.append(line);
    }
    QCOMPARE(outside.join(QLatin1Char('\n')), before);
    QFile victim(machine() + QStringLiteral("/victim.txt"));
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), QByteArray("untouched"));
    QVERIFY(!QFileInfo::exists(QDir::tempPath() + QStringLiteral("/ombrix-hardening-abs")));
}

QTEST_GUILESS_MAIN(TestHostileArchive)
#include "tst_hostilearchive.moc"
