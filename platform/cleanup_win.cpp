#include "cleanup.h"

#include <QDir>
#include <QFile>
#include <QProcess>

bool Cleanup::removeAfterExit(const QString &scriptPath, const QString &, const QByteArray &windowsBatch)
{
    QFile script(scriptPath);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = script.write(windowsBatch) == windowsBatch.size();
    script.close();
    return written && QProcess::startDetached(QDir::toNativeSeparators(scriptPath), QStringList());
}
