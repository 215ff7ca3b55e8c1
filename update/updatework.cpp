#include "updatework.h"
#include "entrypaths.h"
#include "filehash.h"
#include "manifest.h"
#include "pathsafety.h"
#include "stallguard.h"
#include "updateurls.h"
#include "platform/filesystem.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

QString updateVersion;
QString updateRoot;

namespace {

// What the network layer may hold of a body before we have written it out.
constexpr qint64 ReadBuffer = 64 * 1024;
constexpr qint64 Piece = 4096;

QString native(const QString &path)
{
    return FileSystem::nativePath(path);
}

QNetworkRequest requestFor(const QString &url)
{
    return QNetworkRequest(QUrl(url, QUrl::TolerantMode));
}

}

UpdateWork::UpdateWork(const QString &host, const QString &hostEn, int stallLimitMs, qint64 fileLimit, QObject *parent)
    : QObject(parent)
    , host(host)
    , hostEn(hostEn)
    , stallLimitMs(stallLimitMs)
    , fileLimit(fileLimit)
{
}

UpdateWork::~UpdateWork()
{
    // Runs in the worker thread, which owns the manager and its replies.
    delete manager;
    manager = nullptr;
}

void UpdateWork::start(bool isEn, QString third)
{
    const QString url = UpdateUrls::manifest(isEn ? hostEn : host, updateVersion, third);
    qDebug() << url;
    manager = new QNetworkAccessManager;
    QNetworkReply *reply = manager->get(requestFor(url));
    active = reply;
    StallGuard::watch(reply, stallLimitMs);
    // The manifest is read whole; an endless or giant body must not be.
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64 total) {
        if (TransferLimits::exceeds(received, total, TransferLimits::ManifestBytes)) {
            qDebug() << "manifest beyond" << TransferLimits::ManifestBytes << "bytes, refused";
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, third] { readManifest(reply, third); });
}

void UpdateWork::stop()
{
    stopping = true;
    QMetaObject::invokeMethod(
        this, [this] {
            if (active)
                active->abort();
        },
        Qt::QueuedConnection);
}

void UpdateWork::readManifest(QNetworkReply *reply, const QString &third)
{
    active = nullptr;
    if (reply->error() != QNetworkReply::NoError) {
        qDebug() << "manifest request failed:" << reply->errorString();
        emit error(-1);
        return;
    }
    emit pro(10);
    const Manifest manifest = parseManifest(reply->readAll(), updateVersion, third, updateRoot);
    if (!manifest.wellFormed) {
        qDebug() << "the manifest is not XML";
        emit error(-1);
        return;
    }
    qDebug() << "manifest version" << manifest.version;
    for (const QString &note : manifest.notes)
        emit content(note);
    streamUrl = manifest.streamUrl;
    files = manifest.files;
    for (const FileEntry &entry : qAsConst(files)) {
        if (!PathSafety::staysInside(entry.path, entry.name)) {
            qDebug() << "manifest entry leaves the installation:" << entry.path << entry.name;
            emit error(-1);
            return;
        }
    }
    checkFile();
}

void UpdateWork::checkFile()
{
    emit pro(20);
    if (files.isEmpty()) {
        qDebug() << "the manifest lists no file for this build";
        emit error(-1);
        return;
    }
    qDebug() << files.size() << "files listed";
    for (FileEntry entry : qAsConst(files)) {
        if (stopping)
            return;
        if (QFileInfo::exists(native(entry.localPath))) {
            const QString hash = fileHash(entry.localPath);
            if (!hash.isEmpty() && hash == entry.hashCode)
                entry.matchedPath = entry.localPath;
        }
        testedFiles.append(entry);
    }
    emit pro(30);
    downFile();
}

void UpdateWork::downFile()
{
    emit pro(40);
    for (const FileEntry &entry : qAsConst(testedFiles)) {
        const QString url = UpdateUrls::download(streamUrl, entry.path, entry.name, updateVersion);
        const QString temporary = EntryPaths::downloadPath(entry.localPath);
        qDebug() << url << temporary;
        if (!entry.matchedPath.isEmpty())
            continue;
        // An interrupted run may have fetched and verified it already; the
        // installed file may even be gone, waiting for this very copy.
        if (fileHash(temporary) == entry.hashCode && !entry.hashCode.isEmpty())
            continue;
        if (stopping || !download(url, temporary))
            return;
        if (fileHash(temporary) != entry.hashCode) {
            qDebug() << "downloaded file has another digest:" << temporary;
            emit error(-2);
            return;
        }
    }
    emit pro(70);
    if (stopping)
        return;
    replaceFiles();
    removeLeftovers();
    emit pro(100);
}

// Every file here is verified; an installed file is only ever swapped by
// rename, so it is never seen half-written.
void UpdateWork::replaceFiles()
{
    for (const FileEntry &entry : qAsConst(testedFiles)) {
        if (!entry.matchedPath.isEmpty())
            continue;
        const QString temporary = EntryPaths::downloadPath(entry.localPath);
        if (!QFileInfo::exists(native(temporary)))
            continue;
        // The new file takes over the old one's permissions (an executable stays one).
        if (QFileInfo::exists(native(entry.localPath)))
            QFile::setPermissions(native(temporary), QFile::permissions(native(entry.localPath)));
        if (!FileSystem::removeFile(entry.localPath)) {
            const QString aside = EntryPaths::setAsidePath(entry.localPath, QDateTime::currentMSecsSinceEpoch());
            qDebug() << "set aside" << aside << QFile::rename(native(entry.localPath), native(aside));
        }
        qDebug() << "in place" << entry.localPath << QFile::rename(native(temporary), native(entry.localPath));
    }
}

void UpdateWork::removeLeftovers()
{
    QDirIterator it(native(updateRoot), QStringList { EntryPaths::leftoverPattern() }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString leftover = it.next();
        qDebug() << "leftover" << leftover << FileSystem::removeFile(leftover);
    }
}

bool UpdateWork::download(const QString &url, const QString &savePath)
{
    QDir().mkpath(QFileInfo(native(savePath)).absolutePath());
    QFile file(native(savePath));
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!ok) {
        qDebug() << "cannot write" << savePath << file.errorString();
    } else {
        QNetworkReply *reply = manager->get(requestFor(url));
        active = reply;
        bool refused = false;
        ok = receive(reply, &file, &refused);
        active = nullptr;
        if (!ok)
            qDebug() << "download failed:" << url << reply->errorString() << file.errorString();
        // What came of a refused body is no part of any release file.
        if (refused)
            file.remove();
        delete reply;
    }
    if (!ok)
        emit error(-2);
    return ok;
}

// Writes the body to `file` as it arrives, so memory stays small whatever
// the size of the file; a body announced or grown beyond `fileLimit` is
// `refused` before it fills the disk.
bool UpdateWork::receive(QNetworkReply *reply, QFile *file, bool *refused)
{
    reply->setReadBufferSize(ReadBuffer);
    bool written = true;
    qint64 received = 0;
    const qint64 limit = fileLimit;
    auto drain = [reply, file, &written, &received, limit, refused] {
        char piece[Piece];
        while (written && reply->bytesAvailable() > 0) {
            const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).isValid()
                ? reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()
                : -1;
            if (TransferLimits::exceeds(received, announced, limit)) {
                qDebug() << "body beyond" << limit << "bytes, refused";
                *refused = true;
                written = false;
                break;
            }
            const qint64 got = reply->read(piece, Piece);
            if (got <= 0)
                break;
            received += got;
            written = file->write(piece, got) == got;
        }
    };
    const QMetaObject::Connection draining = connect(reply, &QNetworkReply::readyRead, this, [reply, &written, drain] {
        drain();
        if (!written)
            reply->abort();
    });
    StallGuard::watch(reply, stallLimitMs);
    QEventLoop loop;
    connect(reply, SIGNAL(finished()), &loop, SLOT(quit()));
    if (!reply->isFinished())
        loop.exec();
    disconnect(draining);
    drain();
    file->close();
    // The thread may be told to quit before the reply has finished.
    return written && reply->isFinished() && reply->error() == QNetworkReply::NoError && file->error() == QFileDevice::NoError;
}
