// Loads the product identity as a program lying in this folder would, and
// prints it. "identityprobe NAME DATA" also writes NAME = DATA through the
// product settings handle, so a test can find where that handle points.
#include "basewidget.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    BaseWidget identity;
    const bool zh = identity.isZh();
    const QStringList args = app.arguments();
    if (args.size() == 3) {
        identity.productSettings()->setValue(args.at(1), args.at(2));
        identity.productSettings()->sync();
    }
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << "name=" << identity.name << '\n'
        << "nameEN=" << identity.nameEN << '\n'
        << "mark=" << identity.mark << '\n'
        << "lang=" << identity.lang << '\n'
        << "third=" << BaseWidget::third << '\n'
        << "exe=" << BaseWidget::exe << '\n'
        << "productKey=" << BaseWidget::productKey() << '\n'
        << "iniThird=" << BaseWidget::iniThird() << '\n'
        << "appDir=" << identity.appDir << '\n'
        << "installDir=" << identity.installDir << '\n'
        << "serverBase=" << identity.serverBase << '\n'
        << "channelHost=" << identity.channelHost << '\n'
        << "updateHost=" << identity.updateHost << '\n'
        << "updateHostEn=" << identity.updateHostEn << '\n'
        << "startMenu=" << identity.startMenuPath() << '\n'
        << "desktop=" << identity.desktopPath() << '\n'
        << "zh=" << (zh ? "true" : "false") << '\n';
    return 0;
}
