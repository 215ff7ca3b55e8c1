#include "removalplan.h"

#include <QtTest>

// Names and folders the removal works on, and the clean-up batch text.
class TestRemovalPlan : public QObject
{
    Q_OBJECT

private slots:
    void shortcuts_data();
    void shortcuts();
    void maxScriptPath_data();
    void maxScriptPath();
    void ownsInstallDir_data();
    void ownsInstallDir();
    void productFolder();
    void batchCanQuote_data();
    void batchCanQuote();
    void cleanupBatchText_data();
    void cleanupBatchText();
    void isBareFileName_data();
    void isBareFileName();

private:
    QTemporaryDir machine;
};

void TestRemovalPlan::shortcuts_data()
{
    QTest::addColumn<bool>("zh");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("names");

    QTest::newRow("general, Chinese") << true << QString() << "渲染" << "Ombrix|启动渲染.lnk|卸载渲染.lnk|渲染.lnk";
    QTest::newRow("general, English") << false << QString() << "Render" << "Ombrix|start Render.lnk|uninstall Render.lnk|Render.lnk";
    QTest::newRow("Unity edition") << true << "KDRender" << "U" << "Ombrix|启动U.lnk|卸载U.lnk|U.lnk";
    QTest::newRow("partner build") << false << "MRARender" << "Mra Cloud" << "Mra Cloud|start Mra Cloud.lnk|uninstall Mra Cloud.lnk|Mra Cloud.lnk";
    QTest::newRow("empty name names no shortcut") << true << QString() << "" << "Ombrix|||";
    QTest::newRow("name leaving the folder") << false << "P" << "..\\..\\x" << "..\\..\\x|||";
    QTest::newRow("name with a slash") << true << QString() << "a/b" << "Ombrix|||";
}

void TestRemovalPlan::shortcuts()
{
    QFETCH(bool, zh);
    QFETCH(QString, third);
    QFETCH(QString, name);
    QFETCH(QString, names);
    const QStringList got { RemovalPlan::shortcutGroup(third, name), RemovalPlan::startShortcutName(zh, name),
                            RemovalPlan::uninstallShortcutName(zh, name), RemovalPlan::desktopShortcutName(name) };
    QCOMPARE(got.join(QLatin1Char('|')), names);
}

void TestRemovalPlan::maxScriptPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("script");

    QTest::newRow("2010") << "C:/Program Files/Autodesk/3ds Max 2010/scripts/Startup"
                          << "C:/Program Files/Autodesk/3ds Max 2010/scripts/Startup/o_ombrixMenu.ms";
    QTest::newRow("2011") << "C:/3ds Max 2011/scripts/Startup" << "C:/3ds Max 2011/scripts/Startup/o_ombrixMenu.ms";
    QTest::newRow("2012") << "D:/Max2012/scripts/Startup" << "D:/Max2012/scripts/Startup/o_ombrixMenu.ms";
    QTest::newRow("2013") << "C:/3ds Max 2013/scripts/Startup" << "C:/3ds Max 2013/scripts/Startup/ombrixMenu.ms";
    QTest::newRow("2009") << "C:/3ds Max 2009/scripts/Startup" << "C:/3ds Max 2009/scripts/Startup/ombrixMenu.ms";
    QTest::newRow("2014") << "C:/Program Files/Autodesk/3ds Max 2014/scripts/Startup"
                          << "C:/Program Files/Autodesk/3ds Max 2014/scripts/Startup/ombrixMenu.ms";
    QTest::newRow("2012 anywhere in the path") << "E:/old2012/Max/scripts/Startup" << "E:/old2012/Max/scripts/Startup/o_ombrixMenu.ms";
    QTest::newRow("20120 holds 2012") << "C:/v20120/scripts/Startup" << "C:/v20120/scripts/Startup/o_ombrixMenu.ms";
}

void TestRemovalPlan::maxScriptPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, script);
    QCOMPARE(RemovalPlan::maxScriptPath(folder), script);
}

void TestRemovalPlan::ownsInstallDir_data()
{
    QTest::addColumn<QString>("installDir");
    QTest::addColumn<bool>("owned");

    const QString root = machine.path();
    QDir().mkpath(root + QStringLiteral("/pf/Ombrix/OmbrixVPL/2.0.1.07042"));
    QDir().mkpath(root + QStringLiteral("/home/u"));
    QFile::link(root + QStringLiteral("/home/u"), root + QStringLiteral("/pf/Ombrix/link"));
    QDir().mkpath(root + QStringLiteral("/pf/Ombrix/OmbrixVPL"));
    QFile::link(root + QStringLiteral("/home"), root + QStringLiteral("/pf/Ombrix/OmbrixVPL/3.0.0.11111"));
    QDir().mkpath(root + QStringLiteral("/trap"));
    QFile::link(root + QStringLiteral("/home"), root + QStringLiteral("/trap/OmbrixVPL"));
    // The installer's paths use backslashes; the updater writes forward ones.
    QString win = root + QStringLiteral("/pf/Ombrix/OmbrixVPL/2.0.1.07042");
    win.replace(QLatin1Char('/'), QLatin1Char('\\'));

    QTest::newRow("installer's shape, backslashes") << win << true;
    QTest::newRow("updater's shape, forward slashes") << root + "/pf/Ombrix/OmbrixVPL/2.0.1.07042" << true;
    QTest::newRow("trailing backslash") << win + "\\" << true;
    QTest::newRow("Unity edition's folder") << root + "/pf/Ombrix/Ombrix for Unity/2.0.1.59999" << true;
    QTest::newRow("product folder on a drive root") << "/OmbrixVPL/1.0.00000" << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("drive root") << "/" << false;
    QTest::newRow("program files") << root + "/pf" << false;
    QTest::newRow("chosen folder") << root + "/pf/Ombrix" << false;
    QTest::newRow("product folder itself") << root + "/pf/Ombrix/OmbrixVPL" << false;
    QTest::newRow("user's home") << root + "/home/u" << false;
    QTest::newRow("parent is not a product folder") << root + "/pf/Ombrix/Other/2.0.1.07042" << false;
    QTest::newRow("product name in other case") << root + "/pf/Ombrix/ombrixvpl/2.0.1.07042" << false;
    QTest::newRow("version without time stamp") << root + "/pf/Ombrix/OmbrixVPL/2.0.1" << false;
    QTest::newRow("dot-dot after the version") << root + "/pf/Ombrix/OmbrixVPL/2.0.1.07042/../../../home/u/OmbrixVPL/1.00000" << false;
    QTest::newRow("dot-dot as the version") << root + "/home/OmbrixVPL/.." << false;
    QTest::newRow("dot-dot before the product folder") << root + "/pf/x/../OmbrixVPL/2.0.1.07042" << false;
    QTest::newRow("dot segment") << root + "/pf/Ombrix/OmbrixVPL/./2.0.1.07042" << false;
    QTest::newRow("relative") << "OmbrixVPL\\2.0.1.07042" << false;
    QTest::newRow("versioned folder is a link") << root + "/pf/Ombrix/OmbrixVPL/3.0.0.11111" << false;
    QTest::newRow("product folder is a link") << root + "/trap/OmbrixVPL/2.0.1.07042" << false;
}

void TestRemovalPlan::ownsInstallDir()
{
    QFETCH(QString, installDir);
    QFETCH(bool, owned);
    QCOMPARE(RemovalPlan::ownsInstallDir(installDir), owned);
}

void TestRemovalPlan::productFolder()
{
    const QString root = machine.path();
    QDir().mkpath(root + QStringLiteral("/p/Ombrix/OmbrixVPL/2.0.1.07042"));
    QString expected = root + QStringLiteral("/p/Ombrix/OmbrixVPL");
    expected.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString installDir = root + QStringLiteral("/p/Ombrix/OmbrixVPL/2.0.1.07042");
    installDir.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QCOMPARE(RemovalPlan::productFolder(installDir), expected);
    QCOMPARE(RemovalPlan::productFolder(root + QStringLiteral("/p/Ombrix/OmbrixVPL/9.9.9.00000")), expected);

    QString missing = root + QStringLiteral("\\gone\\OmbrixVPL\\2.0.1.07042");
    missing.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QCOMPARE(RemovalPlan::productFolder(missing), missing);
}

void TestRemovalPlan::batchCanQuote_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("quotable");

    QTest::newRow("plain") << "C:\\Program Files\\Ombrix\\OmbrixVPL" << true;
    QTest::newRow("ampersand and caret inside quotes") << "C:\\A&B ^C\\OmbrixVPL" << true;
    QTest::newRow("Chinese") << "D:\\软件\\OmbrixVPL" << true;
    QTest::newRow("double quote") << "C:\\x\" /s /q & rd \"C:\\\\OmbrixVPL" << false;
    QTest::newRow("percent") << "C:\\%USERPROFILE%\\OmbrixVPL" << false;
    QTest::newRow("line break") << "C:\\a\r\nrd C:\\OmbrixVPL" << false;
    QTest::newRow("empty") << QString() << false;
}

void TestRemovalPlan::batchCanQuote()
{
    QFETCH(QString, folder);
    QFETCH(bool, quotable);
    QCOMPARE(RemovalPlan::batchCanQuote(folder), quotable);
}

void TestRemovalPlan::cleanupBatchText_data()
{
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("program files")
        << QByteArray("windows-1252") << "C:\\Program Files\\Ombrix\\OmbrixVPL"
        << QByteArray("ping -n 1 127.0.0.1>nul\r\nrd \"C:\\Program Files\\Ombrix\\OmbrixVPL\" /s /q\r\ndel %0");
    // A Chinese Windows writes its batch files in code page 936.
    QTest::newRow("Chinese folder, code page 936")
        << QByteArray("GBK") << "D:\\软件\\Ombrix for Unity"
        << QByteArray("ping -n 1 127.0.0.1>nul\r\nrd \"D:\\\xc8\xed\xbc\xfe\\Ombrix for Unity\" /s /q\r\ndel %0");
}

void TestRemovalPlan::cleanupBatchText()
{
    QFETCH(QByteArray, codePage);
    QFETCH(QString, folder);
    QFETCH(QByteArray, text);
    QTextCodec *previous = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName(codePage));
    const QByteArray got = RemovalPlan::cleanupBatchText(folder);
    QTextCodec::setCodecForLocale(previous);
    QCOMPARE(got, text);
}

void TestRemovalPlan::isBareFileName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("bare");

    QTest::newRow("client") << "OmbrixVPL.exe" << true;
    QTest::newRow("branded, with blank") << "Mra Cloud.exe" << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("subkey path") << "Other\\x.exe" << false;
    QTest::newRow("slash") << "a/b.exe" << false;
    QTest::newRow("dot-dot") << ".." << false;
}

void TestRemovalPlan::isBareFileName()
{
    QFETCH(QString, fileName);
    QFETCH(bool, bare);
    QCOMPARE(RemovalPlan::isBareFileName(fileName), bare);
}

QTEST_GUILESS_MAIN(TestRemovalPlan)
#include "tst_removalplan.moc"
