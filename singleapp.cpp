#include "singleapp.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
const char InstanceName[] = "velanor_install";
}

SingleApp::SingleApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool SingleApp::exist()
{
    socket = new QLocalSocket(this);
    socket->connectToServer(QLatin1String(InstanceName), QIODevice::ReadWrite);
    if (socket->waitForConnected(1000)) {
        qDebug() << "server exist";
        return true;
    }
    server = new QLocalServer(this);
    // A crashed instance leaves its name behind; it must not block us.
    QLocalServer::removeServer(QLatin1String(InstanceName));
    server->listen(QLatin1String(InstanceName));
    connect(server, SIGNAL(newConnection()), this, SIGNAL(showUp()));
    return false;
}
