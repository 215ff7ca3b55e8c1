#include "zipthread.h"
#include "archive.h"

#include <QObject>

void ZipThread::setPaths(const QString &destination, const QString &archive)
{
    destDir = destination;
    zipPath = archive;
}

void ZipThread::run()
{
    // Lives in this thread, so each rename reaches oneOk() queued, in order.
    QObject notifier;
    connect(&notifier, SIGNAL(objectNameChanged(QString)), this, SIGNAL(oneOk()));
    OmbrixArchive::VPLextractDir(zipPath, destDir, &notifier);
}
