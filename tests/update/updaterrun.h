#ifndef UPDATERRUN_H
#define UPDATERRUN_H

#include <QProcess>
#include <QString>
#include <QStringList>

class Sandbox;

// The real update program started in a sandbox, its diagnostics collected.
class UpdaterRun
{
public:
    UpdaterRun(const Sandbox &sandbox, const QString &program, const QStringList &arguments);
    ~UpdaterRun();

    qint64 pid() const { return process.processId(); }
    // Waits until the output holds `text` `count` times.
    bool waitFor(const QString &text, int timeoutMs = 30000, int count = 1);
    // The exit status, or -1 when the program did not end normally in time.
    int waitForExit(int timeoutMs = 30000);
    QString output();
    // The "pro N" milestones the window received, in order.
    QStringList milestones();
    // The window's state lines: button text, enabled, red line, close button.
    QStringList states();

private:
    QProcess process;
    QString collected;
};

#endif
