// Addresses the updater asks the update server for.
#include "updateurls.h"

#include <QtTest>

class UpdateUrlsTest : public QObject
{
    Q_OBJECT

private slots:
    void manifest_data();
    void manifest();
    void download_data();
    void download();
};

void UpdateUrlsTest::manifest_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("url");
    QTest::newRow("general") << "update.example" << "5.2.0.1" << "" << "http://update.example/getVersionFile.htm?version=5.2.0.1";
    QTest::newRow("MRA channel") << "update.example" << "5.2.0.1" << "MRARender"
                                 << "http://update.example/getVersionFile.htm?version=5.2.0.1&client=mra";
    QTest::newRow("Unity edition") << "127.0.0.1:8080" << "5.2.0.1" << "KDRender"
                                   << "http://127.0.0.1:8080/getVersionFile.htm?version=5.2.0.1&client=u3d";
    QTest::newRow("channel case differs") << "h" << "1" << "mrarender" << "http://h/getVersionFile.htm?version=1";
    QTest::newRow("other channel") << "h" << "1" << "NPZRender" << "http://h/getVersionFile.htm?version=1";
    QTest::newRow("version verbatim") << "h" << "5.2 beta&x=1" << "" << "http://h/getVersionFile.htm?version=5.2 beta&x=1";
}

void UpdateUrlsTest::manifest()
{
    QFETCH(QString, host);
    QFETCH(QString, version);
    QFETCH(QString, third);
    QFETCH(QString, url);
    QCOMPARE(UpdateUrls::manifest(host, version, third), url);
}

void UpdateUrlsTest::download_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::newRow("top-level file") << "http://cdn.example/" << "OmbrixVPL/" << "core.dll"
                                    << "http://cdn.example/getVersionStream.htm?path=files/OmbrixVPL//core.dll&version=5.2.0.1";
    QTest::newRow("sub-folder") << "http://cdn.example/up/" << "OmbrixVPL/plugins/max" << "a b.dll"
                                << "http://cdn.example/up/getVersionStream.htm?path=files/OmbrixVPL/plugins/max/a b.dll&version=5.2.0.1";
    QTest::newRow("no prefix") << "" << "OmbrixVPL/" << "x.exe" << "getVersionStream.htm?path=files/OmbrixVPL//x.exe&version=5.2.0.1";
}

void UpdateUrlsTest::download()
{
    QFETCH(QString, prefix);
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QCOMPARE(UpdateUrls::download(UpdateUrls::stream(prefix), path, name, QStringLiteral("5.2.0.1")), url);
}

QTEST_GUILESS_MAIN(UpdateUrlsTest)
#include "tst_updateurls.moc"
