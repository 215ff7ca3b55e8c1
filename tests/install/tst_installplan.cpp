#include "installplan.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestInstallPlan : public QObject
{
    Q_OBJECT

private slots:
    void parseVersion_data();
    void parseVersion();
    void versionFolder_data();
    void versionFolder();
    void previousParent_data();
    void previousParent();
    void existingPreviousFolderResolvesOnDisk();
    void defaultFolderAndBanner_data();
    void defaultFolderAndBanner();
    void shortcutNames_data();
    void shortcutNames();
    void extractionProgress_data();
    void extractionProgress();
    void finishState_data();
    void finishState();
};

void TestInstallPlan::parseVersion_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("version");
    QTest::newRow("quoted with line end") << QByteArray("\"2.0.1\"\r\n") << "2.0.1";
    QTest::newRow("plain") << QByteArray("2.0.1") << "2.0.1";
    QTest::newRow("blanks around") << QByteArray("  3.1 \n\n") << "3.1";
    QTest::newRow("only quotes") << QByteArray("\"\"\n") << "";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestInstallPlan::parseVersion()
{
    QFETCH(QByteArray, content);
    QTEST(InstallPlan::parseVersion(content), "version");
}

void TestInstallPlan::versionFolder_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("productKey");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("folder");
    QTest::newRow("general") << "C:\\Program Files\\Ombrix" << "" << "OmbrixVPL" << QTime(10, 4, 7, 42)
                             << "C:\\Program Files\\Ombrix\\OmbrixVPL\\2.0.1.07042";
    QTest::newRow("zero padded") << "D:\\A" << "MRARender" << "OmbrixVPL" << QTime(0, 0, 3, 500) << "D:\\A\\OmbrixVPL\\2.0.1.03500";
    QTest::newRow("last millisecond") << "D:\\A" << "" << "OmbrixVPL" << QTime(23, 59, 59, 999) << "D:\\A\\OmbrixVPL\\2.0.1.59999";
    QTest::newRow("unity") << "C:\\Program Files\\Ombrix" << "KDRender" << "OmbrixKD" << QTime(1, 2, 0, 0)
                           << "C:\\Program Files\\Ombrix\\Ombrix for Unity\\2.0.1.00000";
}

void TestInstallPlan::versionFolder()
{
    QFETCH(QString, chosen);
    QFETCH(QString, third);
    QFETCH(QString, productKey);
    QFETCH(QTime, time);
    QTEST(InstallPlan::versionFolder(chosen, third, productKey, QStringLiteral("2.0.1"), time), "folder");
}

void TestInstallPlan::previousParent_data()
{
    QTest::addColumn<QString>("installDir");
    QTest::addColumn<QString>("parent");
    QTest::newRow("vanished folder") << "D:\\Apps\\Ombrix\\OmbrixVPL\\1.2.3.05123" << "D:\\Apps\\Ombrix";
    QTest::newRow("trailing backslash is a part of its own") << "D:\\Apps\\OmbrixVPL\\1.2\\" << "D:\\Apps\\OmbrixVPL";
    QTest::newRow("two parts") << "OmbrixVPL\\1.2" << "";
    QTest::newRow("one part") << "1.2.3" << "";
    QTest::newRow("empty") << "" << "";
}

void TestInstallPlan::previousParent()
{
    QFETCH(QString, installDir);
    QTEST(InstallPlan::previousParent(installDir), "parent");
}

void TestInstallPlan::existingPreviousFolderResolvesOnDisk()
{
    QTemporaryDir root;
    const QString versioned = root.path() + QStringLiteral("/Ombrix/OmbrixVPL/1.2.3.05123");
    QVERIFY(QDir().mkpath(versioned));
    QString registryForm = versioned;
    registryForm.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QCOMPARE(InstallPlan::previousParent(registryForm), QDir(root.path()).absolutePath() + QStringLiteral("/Ombrix"));
}

void TestInstallPlan::defaultFolderAndBanner_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QString>("menu");
    QTest::newRow("general") << "" << "C:\\Program Files\\Ombrix" << ":/bg.png" << "Ombrix";
    QTest::newRow("unity") << "KDRender" << "C:\\Program Files\\Ombrix" << ":/bg_third.png" << "Ombrix";
    QTest::newRow("channel") << "MRARender" << "C:\\Program Files\\MRARender" << ":/bg_third.png" << "Name";
    QTest::newRow("NPZ channel") << "XNPZRender" << "C:\\Program Files\\XNPZRender" << ":/bg_NPZ.png" << "Name";
    QTest::newRow("npz in lower case is no NPZ") << "npzrender" << "C:\\Program Files\\npzrender" << ":/bg_third.png" << "Name";
    QTest::newRow("unity in other case is a channel") << "kdrender" << "C:\\Program Files\\kdrender" << ":/bg_third.png" << "Name";
}

void TestInstallPlan::defaultFolderAndBanner()
{
    QFETCH(QString, third);
    QTEST(InstallPlan::defaultFolder(QStringLiteral("C:\\Program Files"), third), "folder");
    QTEST(InstallPlan::banner(third), "banner");
    QTEST(InstallPlan::startMenuFolder(third, QStringLiteral("Name")), "menu");
}

void TestInstallPlan::shortcutNames_data()
{
    QTest::addColumn<bool>("zh");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Chinese") << true << "奥云" << QStringList { "启动奥云.lnk", "卸载奥云.lnk", "奥云.lnk" };
    QTest::newRow("English") << false << "Ombrix Cloud" << QStringList { "start Ombrix Cloud.lnk", "uninstall Ombrix Cloud.lnk", "Ombrix Cloud.lnk" };
    QTest::newRow("empty name") << true << "" << QStringList { "启动.lnk", "卸载.lnk", ".lnk" };
}

void TestInstallPlan::shortcutNames()
{
    QFETCH(bool, zh);
    QFETCH(QString, name);
    const QStringList names { InstallPlan::startShortcut(zh, name), InstallPlan::uninstallShortcut(zh, name),
                              InstallPlan::desktopShortcut(name) };
    QTEST(names, "names");
}

void TestInstallPlan::extractionProgress_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("value");
    QTest::newRow("first of thirty") << 1 << 30 << 11;
    QTest::newRow("half") << 15 << 30 << 25;
    QTest::newRow("all of thirty") << 30 << 30 << 40;
    QTest::newRow("300th of 1000 is far from done") << 300 << 1000 << 19;
    QTest::newRow("999th of 1000") << 999 << 1000 << 39;
    QTest::newRow("huge archive") << 2000000 << 3000000 << 30;
    QTest::newRow("more reports than entries") << 12 << 10 << 40;
    QTest::newRow("unknown count") << 5 << 0 << 10;
}

void TestInstallPlan::extractionProgress()
{
    QFETCH(int, done);
    QFETCH(int, total);
    QTEST(InstallPlan::extractionProgress(done, total), "value");
}

void TestInstallPlan::finishState_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<bool>("zh");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("offersSibling");
    QTest::newRow("general Chinese") << "" << true << "开启奥云" << true;
    QTest::newRow("general English") << "" << false << "Finish" << false;
    QTest::newRow("channel Chinese") << "MRARender" << true << "开启奥云" << false;
    QTest::newRow("unity Chinese") << "KDRender" << true << "开启奥云" << false;
}

void TestInstallPlan::finishState()
{
    QFETCH(QString, third);
    QFETCH(bool, zh);
    QTEST(InstallPlan::finishText(zh, QStringLiteral("奥云")), "text");
    QTEST(InstallPlan::offersSibling(third, zh), "offersSibling");
}

QTEST_APPLESS_MAIN(TestInstallPlan)
#include "tst_installplan.moc"
