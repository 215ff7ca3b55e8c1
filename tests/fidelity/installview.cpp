// The installer's window, or one of its message boxes, brought into one
// state the way a person gets there, and described on standard output:
// "installview folded|unfolded|installing|finished" or
// "installview information|question TEXT".
#include "msgbox.h"
#include "widget.h"
#include "windowdump.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

bool installed(QWidget *window)
{
    return button(window, "install")->isVisible() && window->findChild<QProgressBar *>()->isHidden();
}

int showBox(const QString &kind, const QString &text)
{
    // The box runs its own loop; it is described once it is up, then answered.
    QTimer::singleShot(0, [] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        WindowDump::print(box);
        QTest::mouseClick(button(box, "okBtn"), Qt::LeftButton);
    });
    if (kind == QLatin1String("question"))
        MsgTool::question(text);
    else
        MsgTool::information(text);
    return 0;
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

    const QStringList args = app.arguments();
    const QString state = args.value(1);
    if (state == QLatin1String("information") || state == QLatin1String("question"))
        return showBox(state, args.value(2));

    Widget window;
    if (!window.hasVersion())
        return 2;
    window.show();
    if (state == QLatin1String("unfolded"))
        QTest::mouseClick(button(&window, "para"), Qt::LeftButton);
    if (state == QLatin1String("installing") || state == QLatin1String("finished"))
        QTest::mouseClick(button(&window, "install"), Qt::LeftButton);
    if (state == QLatin1String("finished") && !WindowDump::waitFor([&] { return installed(&window); }))
        return 3;
    WindowDump::print(&window);
    // The unpacking thread must have ended before the window goes.
    if (state == QLatin1String("installing"))
        WindowDump::waitFor([&] { return installed(&window); });
    return 0;
}
