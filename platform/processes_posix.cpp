#include "processes.h"
#include "filesystem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <unistd.h>

// The process list comes from /proc: the image name of a process is the
// file name of its executable, matched ignoring case as tasklist does.
namespace {

struct Task {
    qint64 pid;
    QString image;
};

QList<Task> tasksNamed(const QString &imageName)
{
    QList<Task> tasks;
    const qint64 self = ::getpid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == self)
            continue;
        QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (exe.isEmpty())
            continue;
        if (exe.endsWith(QLatin1String(" (deleted)")))
            exe.chop(10);
        const QString image = QFileInfo(exe).fileName();
        if (image.compare(imageName, Qt::CaseInsensitive) == 0)
            tasks.append({ pid, image });
    }
    return tasks;
}

}

QByteArray Processes::taskList(const QString &imageName, bool *finished, int)
{
    if (finished)
        *finished = true;
    const QList<Task> tasks = tasksNamed(imageName);
    if (tasks.isEmpty())
        return QByteArrayLiteral("INFO: No tasks are running which match the specified criteria.\r\n");
    QByteArray out = QByteArrayLiteral("\r\nImage Name                     PID Session Name        Session#    Mem Usage\r\n"
                                       "========================= ======== ================ =========== ============\r\n");
    for (const Task &task : tasks)
        out += task.image.toUtf8().leftJustified(25, ' ') + ' ' + QByteArray::number(task.pid).rightJustified(8, ' ')
            + " Console                    1          0 K\r\n";
    return out;
}

QByteArray Processes::taskKill(const QString &imageName, bool *finished, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    const QList<Task> tasks = tasksNamed(imageName);
    if (tasks.isEmpty()) {
        if (finished)
            *finished = true;
        return QStringLiteral("ERROR: The process \"%1\" not found.\r\n").arg(imageName).toUtf8();
    }
    QByteArray out;
    for (const Task &task : tasks) {
        ::kill(pid_t(task.pid), SIGKILL);
        out += QStringLiteral("SUCCESS: The process \"%1\" with PID %2 has been terminated.\r\n")
                   .arg(task.image).arg(task.pid).toUtf8();
    }
    // Windows frees the image at once; wait until the kernel has let go too.
    while (!tasksNamed(imageName).isEmpty() && clock.elapsed() < timeoutMs)
        QThread::msleep(10);
    if (finished)
        *finished = clock.elapsed() < timeoutMs;
    return out;
}

bool Processes::run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.start(FileSystem::nativePath(program), arguments);
    if (!process.waitForStarted(timeoutMs))
        return false;
    if (process.waitForFinished(timeoutMs))
        return true;
    process.kill();
    process.waitForFinished(1000);
    return false;
}

bool Processes::startDetached(const QString &program, const QStringList &arguments)
{
    const QString path = FileSystem::nativePath(program);
    return QProcess::startDetached(path, arguments, QFileInfo(path).absolutePath());
}

bool Processes::openWithShell(const QString &programPath)
{
    return startDetached(programPath);
}
