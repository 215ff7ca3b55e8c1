#include "updaterrun.h"
#include "sandbox.h"

#include <QElapsedTimer>
#include <QRegularExpression>

UpdaterRun::UpdaterRun(const Sandbox &sandbox, const QString &program, const QStringList &arguments)
{
    process.setProcessEnvironment(sandbox.environment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForStarted(10000);
}

UpdaterRun::~UpdaterRun()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QString UpdaterRun::output()
{
    collected += QString::fromUtf8(process.readAll());
    return collected;
}

bool UpdaterRun::waitFor(const QString &text, int timeoutMs, int count)
{
    QElapsedTimer clock;
    clock.start();
    while (output().count(text) < count) {
        if (clock.elapsed() > timeoutMs || process.state() == QProcess::NotRunning)
            return output().count(text) >= count;
        process.waitForReadyRead(100);
    }
    return true;
}

int UpdaterRun::waitForExit(int timeoutMs)
{
    if (!process.waitForFinished(timeoutMs))
        return -1;
    output();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

namespace {

QStringList linesAfter(const QString &text, const QString &marker)
{
    QStringList found;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(marker))
            found.append(line.mid(marker.size()).trimmed());
    }
    return found;
}

}

QStringList UpdaterRun::milestones()
{
    return linesAfter(output(), QStringLiteral("pro "));
}

QStringList UpdaterRun::states()
{
    return linesAfter(output(), QStringLiteral("shows "));
}
