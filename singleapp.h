#ifndef SINGLEAPP_H
#define SINGLEAPP_H

#include <QApplication>

class QLocalServer;
class QLocalSocket;

// The application object of the three programs; one instance name keeps
// any two of them from running at once.
class SingleApp : public QApplication
{
    Q_OBJECT

public:
    SingleApp(int &argc, char **argv);

    bool exist();

signals:
    void showUp();

private:
    QLocalSocket *socket = nullptr;
    QLocalServer *server = nullptr;
};

#endif
