#include "cleanup.h"
#include "filesystem.h"

#include <QFile>
#include <QProcess>

namespace {

// One shell word: inside single quotes only the quote itself needs care.
QByteArray quoted(const QString &text)
{
    QByteArray word = QFile::encodeName(text);
    word.replace('\'', "'\\''");
    return '\'' + word + '\'';
}

}

bool Cleanup::removeAfterExit(const QString &scriptPath, const QString &folder, const QByteArray &)
{
    const QString path = FileSystem::nativePath(scriptPath);
    // The pause lets the program end first, as the batch's ping does.
    const QByteArray text = "sleep 1\nrm -rf -- " + quoted(FileSystem::nativePath(folder)) + "\nrm -f -- \"$0\"\n";
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = script.write(text) == text.size();
    script.close();
    if (!written)
        return false;
    // The script outlives us; it must not hold our output channels open.
    QProcess shell;
    shell.setProgram(QStringLiteral("/bin/sh"));
    shell.setArguments({ path });
    shell.setWorkingDirectory(QStringLiteral("/"));
    shell.setStandardInputFile(QProcess::nullDevice());
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.setStandardErrorFile(QProcess::nullDevice());
    return shell.startDetached();
}
