#ifndef SANDBOX_H
#define SANDBOX_H

#include <QJsonArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A machine of its own for one test: HOME, registry, program files, AppData,
// system drive and temp folder (which also scopes the single-instance name).
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();

    bool isValid() const { return dir.isValid(); }
    QString root() const { return dir.path(); }
    QString path(const QString &relative) const { return root() + QLatin1Char('/') + relative; }

    QString home() const { return path(QStringLiteral("home")); }
    QString registry() const { return path(QStringLiteral("registry")); }
    QString programFiles() const { return path(QStringLiteral("programfiles")); }
    QString appData() const { return path(QStringLiteral("appdata")); }
    QString systemDrive() const { return path(QStringLiteral("sysdrive")); }
    QString startMenu() const { return home() + QStringLiteral("/.local/share/applications"); }
    QString desktop() const { return home() + QStringLiteral("/Desktop"); }
    QString standinLog() const { return path(QStringLiteral("standin.log")); }

    QProcessEnvironment environment() const { return env; }
    void setEnv(const QString &name, const QString &value) { env.insert(name, value); }
    // Shows the programs on an X display instead of offscreen.
    void useDisplay(const QString &display);
    // Points this test process at the sandbox too (registry, places, temp).
    void enter() const;

    // Runs a program to its end; -1 when it did not finish in time.
    int run(const QString &program, const QStringList &arguments = QStringList(), int timeoutMs = 60000,
            QByteArray *output = nullptr);
    // Starts a program; the sandbox ends it on destruction.
    QProcess *start(const QString &program, const QStringList &arguments = QStringList());

    // The emulated registry through tools/reg; `ok` tells the exit status 0.
    QString reg(const QStringList &arguments, bool *ok = nullptr);
    // One value, or an empty string when absent.
    QString regValue(const QString &key, const QString &name, bool view64 = false);

    // The stand-in client's record: one entry per start, "image\targs...".
    QStringList standinStarts() const;

    // A folder tree as sorted lines "type path size", for whole comparisons.
    static QString tree(const QString &folder);

private:
    QTemporaryDir dir;
    QProcessEnvironment env;
    QList<QProcess *> started;
};

// An Xvfb server for real-window tests.
class VirtualDisplay
{
public:
    VirtualDisplay();
    ~VirtualDisplay();
    bool isValid() const { return !displayName.isEmpty(); }
    QString name() const { return displayName; }

    // xdotool on this display; returns its standard output.
    QString xdotool(const QStringList &arguments, bool *ok = nullptr) const;
    // The first visible window of `pid` whose title is `title`; empty on time-out.
    QString waitForWindow(qint64 pid, const QString &title, int timeoutMs = 60000) const;
    // All visible windows titled `title`.
    QStringList windows(const QString &title) const;
    bool click(const QString &window, int x, int y) const;
    bool screenshot(const QString &window, const QString &file) const;

private:
    QProcess server;
    QString displayName;
};

// tools/testserver.py on 127.0.0.1.
class TestServer
{
public:
    explicit TestServer(const QStringList &arguments = QStringList());
    ~TestServer();
    bool isValid() const { return serverPort > 0; }
    int port() const { return serverPort; }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort); }
    // Every request so far, as the server logged it.
    QJsonArray requests() const;
    QJsonArray requestsTo(const QString &path) const;
    // Changes a route's fault ("none" clears) for the following requests.
    bool setFault(const QString &route, const QString &mode);

private:
    QTemporaryDir dir;
    QProcess server;
    int serverPort = 0;
};

// Makes a "connectSlotsByName: No matching signal" warning fatal: a slot
// that lost its object through a rename must not pass silently.
void failOnUnboundSlots();

namespace TestPaths {
QString bin(const QString &program);
QString source(const QString &relative);
}

#endif
