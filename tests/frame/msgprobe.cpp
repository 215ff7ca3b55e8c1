// Shows one message box the way the programs do, from the frame's start in
// main, and prints the answer: "msgprobe question|information TEXT".
#include "msgbox.h"
#include "singleapp.h"

#include <QFont>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    SingleApp app(argc, argv);
    if (app.exist())
        return 0;
    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    BaseWidget identity;
    identity.isZh();
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    // Where the buttons lie in the box, for a test that clicks them.
    QTimer::singleShot(0, [] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        for (QPushButton *button : box->findChildren<QPushButton *>()) {
            const QRect r(button->mapTo(box, QPoint(0, 0)), button->size());
            std::printf("%s %d %d %d %d %d\n", qPrintable(button->objectName()), r.x(), r.y(), r.width(), r.height(), button->isVisible());
        }
        std::fflush(stdout);
    });
    const int answer = args.at(1) == QLatin1String("question") ? MsgTool::question(args.at(2)) : MsgTool::information(args.at(2));
    std::printf("answer %d\n", answer);
    return 0;
}
