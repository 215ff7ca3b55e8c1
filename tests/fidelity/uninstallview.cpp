// The uninstaller's window brought into one state the way a person gets
// there, and described on standard output:
// "uninstallview confirmation|reasons|finished". The reason list is awaited
// first, so the boxes hold what the server sent.
#include "widget.h"
#include "windowdump.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

namespace {

template <typename T>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

void click(QWidget *window, const char *name)
{
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    BaseWidget identity;
    identity.isZh();

    const QString state = app.arguments().value(1);
    Widget window;
    window.show();
    QCheckBox *other = child<QCheckBox>(&window, "checkOther");
    if (!WindowDump::waitFor([&] { return !other->toolTip().isEmpty(); }, 10000))
        return 3;

    if (state != QLatin1String("confirmation"))
        click(&window, "uninstall");
    if (state == QLatin1String("finished")) {
        QPointer<QStackedWidget> stack = child<QStackedWidget>(&window, "stackedWidget");
        if (stack && stack->currentIndex() == 1) {
            QCheckBox *first = child<QCheckBox>(&window, "check1");
            QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, QPoint(6, first->height() / 2));
            click(&window, "uninstall_commit");
        }
        if (!WindowDump::waitFor([&] { return stack.isNull(); }))
            return 4;
    }
    WindowDump::print(&window);
    return 0;
}
