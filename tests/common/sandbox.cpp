#include "sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QThread>

namespace {
QtMessageHandler previousHandler = nullptr;

void unboundSlotHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("No matching signal")))
        qFatal("unbound slot: %s", qPrintable(message));
    if (previousHandler)
        previousHandler(type, context, message);
}
}

void failOnUnboundSlots()
{
    previousHandler = qInstallMessageHandler(unboundSlotHandler);
}

QString TestPaths::bin(const QString &program)
{
    return QStringLiteral(OMBRIX_BIN_DIR "/") + program;
}

QString TestPaths::source(const QString &relative)
{
    return QStringLiteral(OMBRIX_SOURCE_DIR "/") + relative;
}

Sandbox::Sandbox()
    : env(QProcessEnvironment::systemEnvironment())
{
    for (const QString &sub : { home(), registry(), programFiles(), appData(), systemDrive(), path(QStringLiteral("tmp")),
                                path(QStringLiteral("runtime")), startMenu(), desktop() })
        QDir().mkpath(sub);
    QFile::setPermissions(path(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), home());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home() + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
    env.insert(QStringLiteral("OMBRIX_REGISTRY_DIR"), registry());
    env.insert(QStringLiteral("PROGRAMFILES"), programFiles());
    env.insert(QStringLiteral("APPDATA"), appData());
    env.insert(QStringLiteral("SystemDrive"), systemDrive());
    env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
    env.insert(QStringLiteral("OMBRIX_STANDIN_LOG"), standinLog());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));
}

Sandbox::~Sandbox()
{
    for (QProcess *process : qAsConst(started)) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        delete process;
    }
}

void Sandbox::useDisplay(const QString &display)
{
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
}

void Sandbox::enter() const
{
    for (const char *name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "OMBRIX_REGISTRY_DIR", "PROGRAMFILES", "APPDATA",
                                 "SystemDrive", "TMPDIR", "OMBRIX_STANDIN_LOG" })
        qputenv(name, env.value(QLatin1String(name)).toLocal8Bit());
}

int Sandbox::run(const QString &program, const QStringList &arguments, int timeoutMs, QByteArray *output)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        if (output)
            *output = process.readAll();
        return -1;
    }
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QProcess *Sandbox::start(const QString &program, const QStringList &arguments)
{
    auto *process = new QProcess;
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(program, arguments);
    process->waitForStarted(10000);
    started.append(process);
    return process;
}

QString Sandbox::reg(const QStringList &arguments, bool *ok)
{
    QByteArray out;
    const int status = run(TestPaths::bin(QStringLiteral("reg")), arguments, 20000, &out);
    if (ok)
        *ok = status == 0;
    return QString::fromUtf8(out);
}

QString Sandbox::regValue(const QString &key, const QString &name, bool view64)
{
    QStringList arguments { QStringLiteral("query"), key, QStringLiteral("/v"), name };
    if (view64)
        arguments << QStringLiteral("/reg:64");
    bool ok = false;
    const QString out = reg(arguments, &ok);
    if (!ok)
        return QString();
    const QString marker = QStringLiteral("    %1    REG_SZ    ").arg(name);
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        if (line.startsWith(marker))
            return line.mid(marker.size());
    }
    return QString();
}

QStringList Sandbox::standinStarts() const
{
    QFile log(standinLog());
    if (!log.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList starts;
    for (const QString &line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 2)
            fields.removeAt(1); // the pid differs on every run
        starts.append(fields.join(QLatin1Char('\t')));
    }
    return starts;
}

QString Sandbox::tree(const QString &folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString type = info.isSymLink() ? QStringLiteral("link") : info.isDir() ? QStringLiteral("dir") : QStringLiteral("file");
        QString line = type + QLatin1Char(' ') + base.relativeFilePath(info.filePath());
        if (info.isSymLink())
            line += QStringLiteral(" -> ") + info.symLinkTarget();
        else if (info.isFile())
            line += QLatin1Char(' ') + QString::number(info.size());
        lines.append(line);
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
}

VirtualDisplay::VirtualDisplay()
{
    // Xvfb picks a free display itself and writes its number to fd 3; two
    // tests choosing a number at once could otherwise share one server.
    const QString numberFile = QDir::tempPath() + QStringLiteral("/ombrix-xvfb-%1-%2")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(quintptr(this));
    QFile::remove(numberFile);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("/bin/sh"),
                 { QStringLiteral("-c"), QStringLiteral("exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>\"$0\""),
                   numberFile });
    if (!server.waitForStarted(5000))
        return;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000 && server.state() == QProcess::Running) {
        QFile file(numberFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            if (text.endsWith('\n')) {
                displayName = QStringLiteral(":") + QString::fromLatin1(text.trimmed());
                file.remove();
                return;
            }
        }
        QThread::msleep(50);
    }
    server.kill();
    server.waitForFinished(2000);
}

VirtualDisplay::~VirtualDisplay()
{
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(3000)) {
            server.kill();
            server.waitForFinished(3000);
        }
    }
}

QString VirtualDisplay::xdotool(const QStringList &arguments, bool *ok) const
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), arguments);
    const bool finished = tool.waitForFinished(10000);
    if (ok)
        *ok = finished && tool.exitCode() == 0;
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QStringList VirtualDisplay::windows(const QString &title) const
{
    const QString out = xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                  QStringLiteral("^%1$").arg(title) });
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString VirtualDisplay::waitForWindow(qint64 pid, const QString &title, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QStringList found = xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                            QString::number(pid), QStringLiteral("--name"), QStringLiteral("^%1$").arg(title) })
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!found.isEmpty()) {
            QThread::msleep(300); // let the first paint land before a click or a picture
            return found.last();
        }
        QThread::msleep(100);
    }
    return QString();
}

bool VirtualDisplay::click(const QString &window, int x, int y) const
{
    bool ok = false;
    xdotool({ QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x), QString::number(y),
              QStringLiteral("click"), QStringLiteral("1") },
            &ok);
    QThread::msleep(150);
    return ok;
}

bool VirtualDisplay::screenshot(const QString &window, const QString &file) const
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("import"), { QStringLiteral("-window"), window.isEmpty() ? QStringLiteral("root") : window, file });
    return tool.waitForFinished(20000) && tool.exitCode() == 0;
}

TestServer::TestServer(const QStringList &arguments)
{
    const QString portFile = dir.filePath(QStringLiteral("port"));
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start(QStringLiteral("/usr/bin/python3"),
                 QStringList { TestPaths::source(QStringLiteral("tools/testserver.py")), QStringLiteral("--port"), QStringLiteral("0"),
                               QStringLiteral("--port-file"), portFile, QStringLiteral("--log"), dir.filePath(QStringLiteral("log")) }
                     + arguments);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && server.state() != QProcess::NotRunning) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            serverPort = file.readAll().trimmed().toInt();
            if (serverPort > 0)
                return;
        }
        QThread::msleep(50);
    }
}

TestServer::~TestServer()
{
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(3000)) {
            server.kill();
            server.waitForFinished(3000);
        }
    }
}

QJsonArray TestServer::requests() const
{
    QFile log(dir.filePath(QStringLiteral("log")));
    QJsonArray all;
    if (!log.open(QIODevice::ReadOnly))
        return all;
    for (const QByteArray &line : log.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            all.append(QJsonDocument::fromJson(line).object());
    }
    return all;
}

QJsonArray TestServer::requestsTo(const QString &path) const
{
    QJsonArray matching;
    for (const QJsonValue &request : requests()) {
        if (request.toObject().value(QLatin1String("path")).toString() == path)
            matching.append(request);
    }
    return matching;
}

bool TestServer::setFault(const QString &route, const QString &mode)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(serverPort));
    if (!socket.waitForConnected(5000))
        return false;
    const QByteArray body = QJsonDocument(QJsonObject { { route, mode } }).toJson(QJsonDocument::Compact);
    socket.write("POST /_control HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Type: application/json\r\nContent-Length: "
                 + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    socket.waitForBytesWritten(5000);
    QByteArray reply;
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    return reply.startsWith("HTTP/1.1 200") || reply.startsWith("HTTP/1.0 200");
}
