// benchdel FOLDER: removes the folder with the frame's veryDel, as the
// programs call it, and prints the nanoseconds the call took.
#include "basewidget.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    BaseWidget frame;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QElapsedTimer clock;
    clock.start();
    frame.veryDel(folder);
    std::printf("%lld\n", static_cast<long long>(clock.nsecsElapsed()));
    return 0;
}
