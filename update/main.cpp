#include "basewidget.h"
#include "singleapp.h"
#include "updatework.h"
#include "widget.h"

#include <QFont>

int main(int argc, char *argv[])
{
    SingleApp app(argc, argv);
    if (app.exist())
        return 0;
    if (app.arguments().size() < 2)
        return 0;
    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    app.setFont(font);
    BaseWidget identity;
    identity.isZh();
    // Beside an OB.ini the identity names no installation to update.
    if (identity.installDir.isEmpty())
        return 0;
    updateVersion = app.arguments().at(1);
    Widget w;
    w.show();
    return app.exec();
}
