// Reading the release manifest into file entries, endpoint and notes.
#include "manifest.h"

#include <QtTest>

namespace {

QString render(const Manifest &manifest)
{
    QStringList lines;
    lines << QStringLiteral("wellFormed=%1 version=%2").arg(manifest.wellFormed).arg(manifest.version)
          << QStringLiteral("stream=") + manifest.streamUrl;
    for (const QString &note : manifest.notes)
        lines << QStringLiteral("note=") + note;
    for (const FileEntry &entry : manifest.files)
        lines << QStringList { entry.name, entry.path, entry.subDir, entry.hashCode, entry.matchedPath, entry.localPath }.join(QLatin1Char('|'));
    return lines.join(QLatin1Char('\n'));
}

}

class ManifestTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void ManifestTest::parse_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("expected");

    QTest::newRow("release")
        << "5.2.0.1" << ""
        << "<?xml version=\"1.0\"?><root version=\"5.2.0.1\"><note>修复若干问题</note><files>"
           "<file name=\"OB-X.exe\" path=\"OmbrixVPL/\" hashCode=\"aa\"/>"
           "<file name=\"OB-MRA.exe\" path=\"OmbrixVPL/\" hashCode=\"bb\"/>"
           "<file name=\"core.dll\" path=\"OmbrixVPL/lib/x\" hashCode=\"cc\"/></files>"
           "<prefix>http://cdn.example/</prefix></root>"
        << "wellFormed=1 version=5.2.0.1\nstream=http://cdn.example/getVersionStream.htm\nnote=修复若干问题\n"
           "OB-X.exe|OmbrixVPL/|/|aa||R///OmbrixVPL.exe\n"
           "core.dll|OmbrixVPL/lib/x|/lib/x|cc||R//lib/x/core.dll";
    QTest::newRow("old release keeps every executable")
        << "5.1.9.1" << "MRARender"
        << "<m><files><f name=\"OB-X.exe\" path=\"a\" hashCode=\"aa\"/><f name=\"OB-MRA.exe\" path=\"a\" hashCode=\"bb\"/></files></m>"
        << "wellFormed=1 version=\nstream=\nOB-X.exe|a|a|aa||R/a/OB-X.exe\nOB-MRA.exe|a|a|bb||R/a/OB-MRA.exe";
    QTest::newRow("any element names, files add up, attributes may be absent")
        << "5.0" << ""
        << "<anything version=\"7\"><files><x name=\"a\" path=\"p/\"/></files><other><file name=\"ignored\"/></other>"
           "<files><y name=\"b\"/></files></anything>"
        << "wellFormed=1 version=7\nstream=\na|p/|/|||R///a\nb|||||R//b";
    QTest::newRow("plug-ins, registry and batch lists change nothing")
        << "5.0" << ""
        << "<r><plugins><p name=\"max.dlu\" path=\"p/\" hashCode=\"dd\"/></plugins><regs><g name=\"a.reg\"/></regs>"
           "<bats><b name=\"x.bat\"/></bats><files><f name=\"a\" path=\"p/\" hashCode=\"ee\"/></files></r>"
        << "wellFormed=1 version=\nstream=\na|p/|/|ee||R///a";
    QTest::newRow("the later prefix holds, notes in order, CDATA and empty texts")
        << "5.0" << ""
        << "<r><prefix>http://one/</prefix><note><![CDATA[<b>bold</b>]]></note><files/><note/><prefix>http://two/</prefix>"
           "<note>third</note></r>"
        << "wellFormed=1 version=\nstream=http://two/getVersionStream.htm\nnote=<b>bold</b>\nnote=\nnote=third";
    QTest::newRow("empty prefix") << "5.0" << "" << "<r><prefix/></r>" << "wellFormed=1 version=\nstream=getVersionStream.htm";
    QTest::newRow("not XML") << "5.0" << "" << "this is not xml" << "wellFormed=0 version=\nstream=";
    QTest::newRow("unclosed element") << "5.0" << "" << "<r><files>" << "wellFormed=0 version=\nstream=";
    QTest::newRow("empty body") << "5.0" << "" << "" << "wellFormed=0 version=\nstream=";
}

void ManifestTest::parse()
{
    QFETCH(QString, version);
    QFETCH(QString, third);
    QFETCH(QString, xml);
    QFETCH(QString, expected);
    QCOMPARE(render(parseManifest(xml.toUtf8(), version, third, QStringLiteral("R"))), expected);
}

QTEST_GUILESS_MAIN(ManifestTest)
#include "tst_manifest.moc"
