#ifndef UPDATEWORK_H
#define UPDATEWORK_H

#include "fileentry.h"
#include "transferlimits.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;

// The release to install and the installation folder (forward slashes).
// Written on the GUI thread before a worker thread starts, only read after.
extern QString updateVersion;
extern QString updateRoot;

// One update run in a thread of its own: the manifest, the check of every
// installed file, the downloads into temporary files, their verification
// and, only when all are verified, the swap into place.
class UpdateWork : public QObject
{
    Q_OBJECT

public:
    // `host` serves Chinese mode, `hostEn` English mode; a transfer that
    // receives (next to) nothing for `stallLimitMs` fails its stage, and so
    // does a file body beyond `fileLimit` bytes.
    UpdateWork(const QString &host, const QString &hostEn, int stallLimitMs, qint64 fileLimit = TransferLimits::FileBytes,
               QObject *parent = nullptr);
    ~UpdateWork() override;

    Q_INVOKABLE void start(bool isEn, QString third);
    // Callable from any thread: ends the run at its next transfer or file,
    // never halfway through putting the verified files in place.
    void stop();

signals:
    void error(int err);
    void pro(int pro);
    void content(QString);

private:
    void readManifest(QNetworkReply *reply, const QString &third);
    void checkFile();
    void downFile();
    void replaceFiles();
    void removeLeftovers();
    bool download(const QString &url, const QString &savePath);
    bool receive(QNetworkReply *reply, QFile *file, bool *refused);

    QNetworkAccessManager *manager = nullptr;
    QList<FileEntry> files;
    QList<FileEntry> testedFiles;
    QString streamUrl;
    QString host;
    QString hostEn;
    int stallLimitMs;
    qint64 fileLimit;
    QPointer<QNetworkReply> active;
    std::atomic<bool> stopping { false };
};

#endif
