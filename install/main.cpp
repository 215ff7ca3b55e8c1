#include "basewidget.h"
#include "installplan.h"
#include "msgbox.h"
#include "singleapp.h"
#include "widget.h"

#include <QFont>

namespace {
const char Unity[] = "KDRender";
}

int main(int argc, char *argv[])
{
    SingleApp app(argc, argv);
    if (app.exist())
        return 0;
    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    BaseWidget identity(nullptr);
    const bool zh = identity.isZh();
    const QString third = BaseWidget::third;
    QString previous = identity.productSettings()->value(QStringLiteral("InstallDir")).toString();

    if (third != QLatin1String(Unity)) {
        if (BaseWidget::existProcess(QStringLiteral("3dsmax.exe"))) {
            MsgTool::information(zh ? QStringLiteral("请先关闭max，再安装客户端！") : QStringLiteral("Pleace close max first and install client!"));
            return 0;
        }
        const bool generalInstalled = !previous.isEmpty() && identity.productSettings()->value(QStringLiteral("ThirdPart")).toString().isEmpty();
        if (generalInstalled && !BaseWidget::iniThird().isEmpty()) {
            MsgTool::information(zh ? QStringLiteral("已安装通用版客户端，请卸载后安装！")
                                    : QStringLiteral("The general version of the client has been installed, please install it after uninstall!"));
            return 0;
        }
    } else {
        previous.replace(QLatin1String(Unity), QLatin1String("Ombrix"));
    }

    if (!previous.isEmpty()
        && MsgTool::question(zh ? QStringLiteral("客户端已安装，是否覆盖安装？")
                                : QStringLiteral("The program is already installed on this computer, do you want to reinstall it? Press OK to continue."))
            != 0)
        return 0;

    if (BaseWidget::existProcess(BaseWidget::exe))
        BaseWidget::killProcess(BaseWidget::exe);

    const QString parent = previous.isEmpty() ? QString() : InstallPlan::previousParent(previous);

    Widget window(nullptr);
    if (!window.hasVersion())
        return 0;
    window.installTo(parent);
    window.show();
    return app.exec();
}
