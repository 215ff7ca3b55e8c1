// The frameless window base offscreen: its flags, dragging by mouse events,
// and the three-ring outline it paints.
#include "basewidget.h"
#include "sandbox.h"

#include <QImage>
#include <QMouseEvent>
#include <QtTest>

namespace {

// A press, moves and a release as the window system would deliver them:
// `steps` are "press X Y BUTTON", "move DX DY" (mouse displacement from
// the press point) and "release".
void drive(BaseWidget &window, const QStringList &steps)
{
    QPoint pressGlobal;
    Qt::MouseButton held = Qt::NoButton;
    for (const QString &step : steps) {
        const QStringList parts = step.split(QLatin1Char(' '));
        if (parts.at(0) == QLatin1String("press")) {
            const QPoint local(parts.at(1).toInt(), parts.at(2).toInt());
            held = parts.at(3) == QLatin1String("left") ? Qt::LeftButton : Qt::RightButton;
            pressGlobal = window.pos() + local;
            QMouseEvent press(QEvent::MouseButtonPress, local, pressGlobal, held, held, Qt::NoModifier);
            QApplication::sendEvent(&window, &press);
        } else if (parts.at(0) == QLatin1String("move")) {
            const QPoint global = pressGlobal + QPoint(parts.at(1).toInt(), parts.at(2).toInt());
            QMouseEvent move(QEvent::MouseMove, window.mapFromGlobal(global), global, Qt::NoButton, held, Qt::NoModifier);
            QApplication::sendEvent(&window, &move);
        } else {
            const QPoint global = QCursor::pos();
            QMouseEvent release(QEvent::MouseButtonRelease, window.mapFromGlobal(global), global, held, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&window, &release);
            held = Qt::NoButton;
        }
    }
}

}

class BaseWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void frameless();
    void drag_data();
    void drag();
    void outline();

private:
    Sandbox sandbox;
};

void BaseWidgetTest::initTestCase()
{
    failOnUnboundSlots();
    sandbox.enter();
    for (const char *key : { "OmbrixVPL", "OmbrixKD" }) {
        bool ok = false;
        sandbox.reg({ "add", QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key, "/v",
                      "installDir", "/d", "C:\\x", "/f" },
                    &ok);
        QVERIFY(ok);
    }
}

void BaseWidgetTest::frameless()
{
    BaseWidget window;
    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(window.dragOffset, QPoint(0, 0));
}

void BaseWidgetTest::drag_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QPoint>("moved");
    QTest::newRow("left press and move") << QStringList { "press 50 20 left", "move 30 15" } << QPoint(30, 15);
    QTest::newRow("the window follows each move")
        << QStringList { "press 120 60 left", "move 10 0", "move -25 40" } << QPoint(-25, 40);
    QTest::newRow("release ends the drag")
        << QStringList { "press 50 20 left", "move 5 5", "release", "move 60 60" } << QPoint(5, 5);
    QTest::newRow("right press starts none") << QStringList { "press 50 20 right", "move 30 15" } << QPoint(0, 0);
    QTest::newRow("the left-most column starts none") << QStringList { "press 0 20 left", "move 30 15" } << QPoint(0, 0);
    QTest::newRow("the top row drags") << QStringList { "press 7 0 left", "move 30 15" } << QPoint(30, 15);
}

void BaseWidgetTest::drag()
{
    QFETCH(QStringList, steps);
    QFETCH(QPoint, moved);
    BaseWidget window;
    window.resize(300, 200);
    window.move(200, 150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();
    drive(window, steps);
    QCOMPARE(window.pos() - start, moved);
}

// Three 1-pixel rings of rgb(40, 40, 40) with alphas 150, 80 and 51 at
// insets 3, 2 and 1. Antialiasing lays each ring over two pixel rows, so
// along an edge the rows get half of one ring, or half of two rings blended.
void BaseWidgetTest::outline()
{
    BaseWidget window;
    window.resize(120, 80);
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

    auto over = [](double top, double below) { return top + below * (1 - top / 255); };
    const double expected[] = { 51 / 2.0, over(80 / 2.0, 51 / 2.0), over(150 / 2.0, 80 / 2.0), 150 / 2.0, 0 };
    const int middleX = image.width() / 2;
    const int middleY = image.height() / 2;
    for (int row = 0; row < 5; ++row) {
        const QRgb edges[] = { image.pixel(middleX, row), image.pixel(middleX, image.height() - 1 - row), image.pixel(row, middleY),
                               image.pixel(image.width() - 1 - row, middleY) };
        for (const QRgb pixel : edges) {
            const int alpha = qAlpha(pixel);
            QVERIFY2(qAbs(alpha - expected[row]) <= 2,
                     qPrintable(QStringLiteral("inset %1: alpha %2, expected %3").arg(row).arg(alpha).arg(expected[row])));
            // Premultiplied: grey 40 scaled by the alpha.
            QVERIFY2(qAbs(qRed(pixel) - 40 * alpha / 255.0) <= 1 && qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel),
                     qPrintable(QString::number(pixel, 16)));
        }
    }
    QCOMPARE(qAlpha(image.pixel(middleX, middleY)), 0);
}

QTEST_MAIN(BaseWidgetTest)
#include "basewidgettest.moc"
