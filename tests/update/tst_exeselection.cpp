// Which client executable of a release a build installs, and under what name.
#include "exeselection.h"

#include <QtTest>

class ExeSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data();
    void outcomes();
    void ownExeName_data();
    void ownExeName();
};

void ExeSelectionTest::outcomes_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("recorded");
    const QString all = QStringLiteral("OmbrixVPL.exe>OmbrixVPL.exe OB-MRA.exe>OB-MRA.exe OB-KD.exe>OB-KD.exe OB-X.exe>OB-X.exe core.dll>core.dll");
    QTest::newRow("5.2.0.1 MRA") << "5.2.0.1" << "MRARender" << "OB-MRA.exe>OmbrixVPL.exe core.dll>core.dll";
    QTest::newRow("5.2.0.1 general") << "5.2.0.1" << "" << "OB-X.exe>OmbrixVPL.exe core.dll>core.dll";
    QTest::newRow("5.2.0.1 Unity") << "5.2.0.1" << "KDRender" << "OB-KD.exe>OmbrixVPL.exe core.dll>core.dll";
    QTest::newRow("5.1.9.1 MRA") << "5.1.9.1" << "MRARender" << all;
    QTest::newRow("5.1.9.1 general") << "5.1.9.1" << "" << all;
    QTest::newRow("5.1.10.0 sorts before 5.1.9.1") << "5.1.10.0" << "MRARender" << all;
    QTest::newRow("5.1.9.10 sorts after 5.1.9.1") << "5.1.9.10" << "MRARender" << "OB-MRA.exe>OmbrixVPL.exe core.dll>core.dll";
    // Code unit by code unit "0" sorts after ".", so this version selects too.
    QTest::newRow("5.10.0.0 sorts after 5.1.9.1") << "5.10.0.0" << "" << "OB-X.exe>OmbrixVPL.exe core.dll>core.dll";
    QTest::newRow("channel without a build of its own") << "5.2.0.1" << "NPZRender" << "core.dll>core.dll";
}

void ExeSelectionTest::outcomes()
{
    QFETCH(QString, version);
    QFETCH(QString, third);
    QFETCH(QString, recorded);
    QStringList kept;
    for (const char *name : { "OmbrixVPL.exe", "OB-MRA.exe", "OB-KD.exe", "OB-X.exe", "core.dll" }) {
        const QString file = QLatin1String(name);
        if (ExeSelection::keeps(file, version, third))
            kept.append(file + QLatin1Char('>') + ExeSelection::localName(file, version));
    }
    QCOMPARE(kept.join(QLatin1Char(' ')), recorded);
}

void ExeSelectionTest::ownExeName_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("exe");
    QTest::newRow("general") << "" << "OB-X.exe";
    QTest::newRow("MRARender") << "MRARender" << "OB-MRA.exe";
    QTest::newRow("every Render goes") << "RenderAxRender" << "OB-Ax.exe";
    QTest::newRow("case-sensitive") << "mrarender" << "OB-mrarender.exe";
}

void ExeSelectionTest::ownExeName()
{
    QFETCH(QString, third);
    QFETCH(QString, exe);
    QCOMPARE(ExeSelection::ownExeName(third), exe);
}

QTEST_GUILESS_MAIN(ExeSelectionTest)
#include "tst_exeselection.moc"
