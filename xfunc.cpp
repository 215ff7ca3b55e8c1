#include "xfunc.h"
#include "platform/filesystem.h"
#include "platform/machine.h"
#include "platform/places.h"
#include "platform/registry.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QScopedPointer>

XFunc::XFunc(QObject *parent)
    : QObject(parent)
{
}

QString XFunc::macAddress()
{
    QList<QPair<QString, QString>> adapters;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces)
        adapters.append({ interface.humanReadableName(), interface.hardwareAddress() });
    return chooseAddress(adapters);
}

QString XFunc::chooseAddress(const QList<QPair<QString, QString>> &adapters)
{
    static const char *const skipped[] = { "VMware", "Tunnel", "Loopback", "Pseudo", "isatap" };
    QString result;
    for (const auto &adapter : adapters) {
        bool skip = false;
        for (const char *word : skipped)
            skip = skip || adapter.first.contains(QLatin1String(word), Qt::CaseInsensitive);
        if (skip)
            continue;
        // The last qualifying adapter wins; 8-byte tunnel addresses and none at all do not qualify.
        const QString address = adapter.second.toUpper();
        if (address.size() == 17)
            result = address;
    }
    return result;
}

bool XFunc::hardwareInfo(MachineInfo *info)
{
    QString cpu;
    if (!Machine::processorDescription(&cpu))
        return false;
    info->cpu = cpu;
    return true;
}

QString XFunc::escapeUrl(QString text)
{
    static const char reserved[] = { ':', '/', '?', '&', '=' };
    for (char c : reserved)
        text.replace(QLatin1Char(c), QStringLiteral("%") + QString::number(int(c), 16).toUpper());
    return text;
}

QString XFunc::toJsonString(QJsonObject object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonObject XFunc::toJsonObject(QString text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

void XFunc::removeTree(const QString &path, bool verbose)
{
    const QString native = FileSystem::nativePath(path);
    const QFileInfo info(native);
    // On Windows a read-only file cannot be deleted; give the owner write.
    // The owner bit alone is read from the file's status, without the
    // access() calls that the full permission set costs.
    // A link goes as it is: its target's permissions are not ours to change.
    auto removeOne = [](const QString &file) {
        const QFileInfo status(file);
        if (!status.isSymLink() && !status.permission(QFile::WriteOwner))
            QFile::setPermissions(file, status.permissions() | QFile::WriteOwner);
        return FileSystem::removeFile(file);
    };
    if (info.isSymLink() || info.isFile()) {
        removeOne(native);
        return;
    }
    // Hidden files are not visited: they and their folders stay.
    QDirIterator files(native, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (verbose)
            qDebug() << "subfile:" << files.fileName() << file;
        const bool removed = removeOne(file);
        if (verbose)
            qDebug() << "subfile:" << removed;
    }
    // A parent comes before its children; rmpath also takes emptied parents.
    QDirIterator dirs(native, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (dirs.hasNext()) {
        dirs.next();
        const QString dir = dirs.fileInfo().absoluteFilePath();
        if (verbose)
            qDebug() << "subdir:" << dir;
        const bool removed = QDir().rmpath(dir);
        if (verbose)
            qDebug() << "subdir:" << removed;
    }
    const bool removed = QDir().rmpath(native);
    if (verbose)
        qDebug() << "dir:" << removed;
}

void XFunc::delPath(QString path)
{
    // Unlike veryDel, a path that is neither a file, a link nor a folder is left alone.
    const QFileInfo info(FileSystem::nativePath(path));
    if (info.exists() || info.isSymLink())
        removeTree(path, false);
}

QVariant XFunc::readUserReg(QString subKey, QString valueName)
{
    QScopedPointer<QSettings> key(Registry::openKey(QStringLiteral("HKEY_CURRENT_USER\\") + subKey));
    QVariant value = key->value(valueName);
    // Windows always has the shell folders; an emulated hive may not.
    if (!value.isValid() && subKey.endsWith(QLatin1String("Shell Folders"))) {
        const QString folder = Places::shellFolderDefault(valueName);
        if (!folder.isEmpty())
            value = folder;
    }
    return value;
}
