#include "basewidget.h"
#include "msgbox.h"
#include "singleapp.h"
#include "widget.h"

#include <QFont>

int main(int argc, char *argv[])
{
    SingleApp app(argc, argv);
    if (app.exist())
        return 0;
    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    app.setFont(font);

    BaseWidget identity;
    const bool zh = identity.isZh();

    // Removing the start-up scripts under a running 3ds Max would fail half-way.
    if (BaseWidget::third != QLatin1String("KDRender") && BaseWidget::existProcess(QStringLiteral("3dsmax.exe"))) {
        MsgTool::information(zh ? QStringLiteral("请先关闭max，再卸载客户端！")
                                : QStringLiteral("Pleace close max first and uninstall client!"));
        return 0;
    }

    Widget w;
    w.show();
    return app.exec();
}
