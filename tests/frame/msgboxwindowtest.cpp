// The message box as a person meets it: a real window on an X display,
// dragged and answered with the mouse through xdotool.
#include "sandbox.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

QColor at(const QImage &image, const QPoint &point)
{
    return image.pixelColor(point);
}

}

class MsgBoxWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void answersByMouse_data();
    void answersByMouse();

private:
    VirtualDisplay display;
};

void MsgBoxWindowTest::initTestCase()
{
    if (!display.isValid())
        QFAIL("Xvfb did not start");
}

void MsgBoxWindowTest::answersByMouse_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("answer");
    QTest::newRow("Chinese question, confirm") << "zh_cn" << "question" << "okBtn" << "answer 0";
    QTest::newRow("Chinese question, cancel") << "zh_cn" << "question" << "noBtn" << "answer 1";
    QTest::newRow("English question, close button") << "en_us" << "question" << "closeButton" << "answer 1";
    QTest::newRow("English information, confirm") << "en_us" << "information" << "okBtn" << "answer 0";
}

void MsgBoxWindowTest::answersByMouse()
{
    QFETCH(QString, lang);
    QFETCH(QString, kind);
    QFETCH(QString, button);
    QFETCH(QString, answer);

    Sandbox sandbox;
    sandbox.useDisplay(display.name());
    for (const char *key : { "OmbrixVPL", "OmbrixKD" }) {
        sandbox.reg({ "add", QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key, "/v",
                      "installDir", "/d", "C:\\x", "/f" });
        sandbox.reg({ "add", QStringLiteral("HKCU\\Software\\Norvane\\%1\\Settings").arg(QLatin1String(key)), "/v", "info", "/d",
                      QStringLiteral("{\"lang\":\"%1\"}").arg(lang), "/f" });
    }
    QProcess probe;
    probe.setProcessEnvironment(sandbox.environment());
    probe.start(TestPaths::bin(QStringLiteral("msgprobe")), { kind, QStringLiteral("安装目录已存在，是否覆盖？ Overwrite?") });
    QVERIFY(probe.waitForStarted(10000));

    // The probe tells where its buttons lie: "name x y width height visible".
    QMap<QString, QRect> buttons;
    QMap<QString, bool> visible;
    while (buttons.size() < 3 && probe.waitForReadyRead(15000)) {
        while (probe.canReadLine()) {
            const QStringList f = QString::fromUtf8(probe.readLine()).trimmed().split(QLatin1Char(' '));
            buttons.insert(f.at(0), QRect(f.at(1).toInt(), f.at(2).toInt(), f.at(3).toInt(), f.at(4).toInt()));
            visible.insert(f.at(0), f.at(5) == QLatin1String("1"));
        }
    }
    QCOMPARE(buttons.keys(), QStringList({ "closeButton", "noBtn", "okBtn" }));
    QCOMPARE(visible.value("noBtn"), kind == QLatin1String("question"));

    const QString window = display.waitForWindow(probe.processId(), QStringLiteral("Form"));
    QVERIFY(!window.isEmpty());
    const QString shot = qEnvironmentVariableIsSet("OMBRIX_SCREENSHOT_DIR")
        ? qEnvironmentVariable("OMBRIX_SCREENSHOT_DIR") + QStringLiteral("/msgbox-%1-%2.png").arg(lang, kind)
        : sandbox.path(QStringLiteral("msgbox.png"));
    QVERIFY(display.screenshot(window, shot));
    const QImage image(shot);
    QCOMPARE(image.size(), QSize(396, 206));
    QCOMPARE(at(image, QPoint(40, 20)).name(), QStringLiteral("#282828"));
    QCOMPARE(at(image, QPoint(40, 120)).name(), QStringLiteral("#424242"));
    const QRect ok = buttons.value("okBtn");
    QCOMPARE(at(image, QPoint(ok.left() + 4, ok.center().y())).name(), QStringLiteral("#4291e3"));
    // The title "提示" is drawn in Chinese only.
    bool titleDrawn = false;
    for (int x = 170; x < 226; ++x)
        titleDrawn = titleDrawn || at(image, QPoint(x, 22)).name() != QLatin1String("#282828");
    QCOMPARE(titleDrawn, lang == QLatin1String("zh_cn"));

    // Dragging by the body moves the window by the mouse's displacement.
    const QRegularExpression position(QStringLiteral("Position: (-?\\d+),(-?\\d+)"));
    const auto where = [&] {
        const QRegularExpressionMatch m = position.match(display.xdotool({ "getwindowgeometry", window }));
        return QPoint(m.captured(1).toInt(), m.captured(2).toInt());
    };
    const QPoint before = where();
    display.xdotool({ "mousemove", "--window", window, "100", "90", "mousedown", "1", "mousemove_relative", "--", "45", "-20",
                      "mouseup", "1" });
    QTRY_COMPARE(where(), before + QPoint(45, -20));

    const QRect target = buttons.value(button);
    QVERIFY(display.click(window, target.center().x(), target.center().y()));
    QVERIFY(probe.waitForFinished(15000));
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(), answer);
    QVERIFY(!probe.readAllStandardError().contains("No matching signal"));
}

QTEST_GUILESS_MAIN(MsgBoxWindowTest)
#include "msgboxwindowtest.moc"
