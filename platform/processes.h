#ifndef PROCESSES_H
#define PROCESSES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Child processes and the process list. Every wait is bounded by `timeoutMs`;
// a program that cannot be started counts as finished with no output.
namespace Processes {

constexpr int DefaultTimeout = 30000;

// What "tasklist -fi "imagename eq NAME"" prints: one line per running process
// whose image name matches NAME ignoring case, the name in its real case.
// `finished` is false when the listing did not complete in time.
QByteArray taskList(const QString &imageName, bool *finished = nullptr, int timeoutMs = DefaultTimeout);

// "taskkill -F /IM NAME": ends every process of that image name by force.
QByteArray taskKill(const QString &imageName, bool *finished = nullptr, int timeoutMs = DefaultTimeout);

// Starts `program` with `arguments` and waits for it; false when it did not
// start or did not finish in time (it is then ended).
bool run(const QString &program, const QStringList &arguments, int timeoutMs = DefaultTimeout);

// Starts `program` detached; the path may use backslashes.
bool startDetached(const QString &program, const QStringList &arguments = QStringList());

// "explorer <program>": lets the shell start a program, detached from us.
bool openWithShell(const QString &programPath);

}

#endif
