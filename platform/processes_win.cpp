#include "processes.h"

#include <QProcess>

namespace {

QByteArray runTool(const QString &program, const QStringList &arguments, bool *finished, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    const bool done = process.waitForFinished(timeoutMs);
    if (finished)
        *finished = done;
    return done ? process.readAll() : QByteArray();
}

}

QByteArray Processes::taskList(const QString &imageName, bool *finished, int timeoutMs)
{
    return runTool(QStringLiteral("tasklist.exe"), { QStringLiteral("-fi"), QStringLiteral("imagename eq %1").arg(imageName) },
                   finished, timeoutMs);
}

QByteArray Processes::taskKill(const QString &imageName, bool *finished, int timeoutMs)
{
    return runTool(QStringLiteral("taskkill.exe"), { QStringLiteral("-F"), QStringLiteral("/IM"), imageName }, finished, timeoutMs);
}

bool Processes::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(timeoutMs);
}

bool Processes::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool Processes::openWithShell(const QString &programPath)
{
    return QProcess::startDetached(QStringLiteral("explorer"), { programPath });
}
