#include <QApplication>
#include <QWidget>

// The least a Qt Widgets program does to show a window.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(420, 300);
    window.setWindowTitle(QStringLiteral("minimal"));
    window.show();
    return app.exec();
}
