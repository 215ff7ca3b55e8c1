// benchextract ARCHIVE FOLDER: unpacks the archive the way the install window
// does — one ZipThread, every entry reported to the GUI thread, which moves
// the progress bar — and prints the nanoseconds from the start until the
// worker's end has been delivered, then the number of entry reports.
#include "archive.h"
#include "installplan.h"
#include "zipthread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString archive = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QProgressBar bar;
    bar.show();
    int reports = 0;
    QElapsedTimer clock;
    clock.start();

    const int entryTotal = OmbrixArchive::entryCount(archive);
    auto *worker = new ZipThread;
    QObject::connect(worker, &ZipThread::oneOk, &bar, [&] {
        bar.setValue(InstallPlan::extractionProgress(++reports, entryTotal));
    });
    QObject::connect(worker, &QThread::finished, &bar, [&] { app.quit(); });
    worker->setPaths(folder, archive);
    worker->start();
    app.exec();
    std::printf("%lld\n%d\n", static_cast<long long>(clock.nsecsElapsed()), reports);
    worker->wait();
    delete worker;
    return 0;
}
