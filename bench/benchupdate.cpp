// benchupdate HOST VERSION FOLDER: one update run of the updater's worker,
// started as the update window starts it (a worker object in a thread of its
// own, `start` invoked across), against the server at HOST for the folder.
// Prints one line per stage, "stage nanoseconds", timed by the worker's own
// progress signals: manifest (start to 20), check (20 to 30), download
// (40 to 70, the verification of each download included), replace (70 to
// 100) and total; or "error CODE".
#include "updatework.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    updateVersion = QString::fromLocal8Bit(argv[2]);
    updateRoot = QString::fromLocal8Bit(argv[3]);
    const QString host = QString::fromLocal8Bit(argv[1]);

    QElapsedTimer clock;
    QMap<int, qint64> reached;
    int failure = 0;
    auto *thread = new QThread;
    auto *work = new UpdateWork(host, host, 60000);
    // Taken in the worker thread the moment each stage ends.
    QObject::connect(work, &UpdateWork::pro, work, [&](int value) { reached.insert(value, clock.nsecsElapsed()); },
                     Qt::DirectConnection);
    QObject::connect(work, &UpdateWork::error, work, [&](int code) { failure = code; }, Qt::DirectConnection);
    QObject::connect(work, &UpdateWork::pro, &app, [&](int value) {
        if (value == 100)
            app.quit();
    });
    QObject::connect(work, &UpdateWork::error, &app, [&] { app.quit(); });
    work->moveToThread(thread);
    thread->start();
    clock.start();
    QMetaObject::invokeMethod(work, "start", Q_ARG(bool, false), Q_ARG(QString, QString()));
    app.exec();

    QMetaObject::invokeMethod(work, "deleteLater");
    thread->quit();
    thread->wait();
    delete thread;
    if (failure) {
        std::printf("error %d\n", failure);
        return 1;
    }
    std::printf("manifest %lld\ncheck %lld\ndownload %lld\nreplace %lld\ntotal %lld\n",
                reached.value(20), reached.value(30) - reached.value(20), reached.value(70) - reached.value(40),
                reached.value(100) - reached.value(70), reached.value(100));
    return 0;
}
