// The machine's well-known folders as the POSIX layer gives them.
#include "platform/places.h"

#include <QStandardPaths>
#include <QtTest>

class PlacesTest : public QObject
{
    Q_OBJECT

private slots:
    void place_data();
    void place();
};

void PlacesTest::place_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program files from the environment") << "PROGRAMFILES" << "/srv/pf" << "programFiles" << "/srv/pf";
    QTest::newRow("program files unset") << "PROGRAMFILES" << "" << "programFiles" << "/opt";
    QTest::newRow("system drive root") << "SystemDrive" << "/srv/c" << "systemRoot" << "/srv/c/";
    QTest::newRow("system drive unset") << "SystemDrive" << "" << "systemRoot" << "/";
    QTest::newRow("AppData from the environment") << "APPDATA" << "/srv/roaming" << "AppData" << "/srv/roaming";
    QTest::newRow("AppData unset") << "APPDATA" << "" << "AppData" << "config";
    QTest::newRow("no other shell folder") << "APPDATA" << "/srv/roaming" << "Desktop" << "";
}

void PlacesTest::place()
{
    QFETCH(QString, variable);
    QFETCH(QString, value);
    QFETCH(QString, place);
    QFETCH(QString, expected);
    const QByteArray name = variable.toLatin1();
    if (value.isEmpty())
        qunsetenv(name.constData());
    else
        qputenv(name.constData(), value.toLocal8Bit());
    const QString result = place == QLatin1String("programFiles") ? Places::programFiles()
        : place == QLatin1String("systemRoot")                    ? Places::systemRoot()
                                                                  : Places::shellFolderDefault(place);
    QCOMPARE(result, expected == QLatin1String("config") ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                                         : expected);
}

QTEST_GUILESS_MAIN(PlacesTest)
#include "placestest.moc"
