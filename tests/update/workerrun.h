#ifndef WORKERRUN_H
#define WORKERRUN_H

#include "updatework.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

// One worker in one thread, its signals recorded in the order they arrive.
class WorkerRun : public QObject
{
public:
    WorkerRun(const QString &host, const QString &hostEn, int stallLimitMs, qint64 fileLimit = TransferLimits::FileBytes)
        : work(new UpdateWork(host, hostEn, stallLimitMs, fileLimit))
    {
        work->moveToThread(&thread);
        connect(&thread, &QThread::finished, work, &QObject::deleteLater);
        connect(work, &UpdateWork::content, this, [this](const QString &note) { events << QStringLiteral("content ") + note; });
        connect(work, &UpdateWork::pro, this, [this](int pro) {
            events << QStringLiteral("pro %1").arg(pro);
            ended = pro == 100;
        });
        connect(work, &UpdateWork::error, this, [this](int err) {
            events << QStringLiteral("error %1").arg(err);
            ended = true;
        });
        thread.start();
    }
    ~WorkerRun() override
    {
        work->stop();
        thread.quit();
        thread.wait();
    }
    void start(bool isEn = false, const QString &third = QString())
    {
        QMetaObject::invokeMethod(work, "start", Q_ARG(bool, isEn), Q_ARG(QString, third));
    }
    bool finish(int timeoutMs = 30000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!ended && clock.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        return ended;
    }
    QString record() const { return events.join(QLatin1Char('|')); }

    UpdateWork *work;
    QThread thread;
    QStringList events;
    bool ended = false;
};

#endif
