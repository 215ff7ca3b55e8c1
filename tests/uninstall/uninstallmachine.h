#ifndef UNINSTALLMACHINE_H
#define UNINSTALLMACHINE_H

#include "sandbox.h"

#include <QColor>
#include <QPoint>
#include <QProcess>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

// Where a person clicks in the window (586 x 386, its content 3 pixels in).
namespace At {
const QPoint uninstall(208, 263);
const QPoint cancel(373, 263);
const QPoint closeBtn(567, 17);
const QPoint check1(109, 91);
const QPoint check2(279, 91);
const QPoint check3(109, 121);
const QPoint check4(279, 121);
const QPoint checkOther(109, 151);
const QPoint textEdit(273, 188);
const QPoint phone(273, 268);
const QPoint commit(483, 343);
const QPoint finish(288, 313);
}

// One build of the product as its identity describes it.
struct Edition {
    QString third;
    QString lang;
    QString name;
    QString nameEN;
    QString exe;

    static Edition general(const QString &lang = QStringLiteral("zh_cn"));
    static Edition partner();
    static Edition unity();

    bool zh() const { return lang != QLatin1String("en_us"); }
    bool isUnity() const { return third == QLatin1String("KDRender"); }
    QString productKey() const;
    QString subFolder() const;
    QString shownName() const { return zh() ? name : nameEN; }
    // The identity options of the delivery builder.
    QStringList deliveryArguments() const;
};

// A sandbox machine with the product installed on it, next to things the
// product did not place, and the uninstaller's window on a virtual display.
class UninstallMachine
{
public:
    UninstallMachine(const Edition &edition, const VirtualDisplay &display, const TestServer &server);
    ~UninstallMachine();

    Sandbox box;
    Edition edition;

    // Makes a delivery of the edition and installs it with the real
    // installer, clicked through (install, finish); false on failure. The
    // finish click leaves the client running.
    bool install();
    // The versioned installation folder, forward slashes.
    QString installDir() const { return installFolder; }
    QString productFolder() const;
    QString windowsPath(QString path) const;

    // Start-up scripts and the plug-in the client places for 3ds Max and
    // SketchUp, beside scripts and plug-ins of others.
    void placeClientPlugins();

    // What the machine holds, as sorted lines: files below the sandbox, and
    // every value of every registry hive.
    QString tree() const;
    QString hives() const;

    // The installed uninstaller on the display; its window once shown.
    bool startUninstaller(const QString &title = QStringLiteral("Widget"));
    QString window() const { return windowId; }
    qint64 pid() const { return uninstaller.processId(); }
    bool click(const QPoint &at) const;
    bool type(const QString &text) const;
    bool screenshot(const QString &file) const;
    // The window's colour at `at`, as a screenshot shows it.
    QColor colorAt(const QPoint &at) const;
    // Waits until the finish button shows: the removal is over and the
    // page stack is gone, so a click reaches the button.
    bool waitForFinishView(int timeoutMs = 30000) const;
    // Waits for the program's end; its exit code, or -1.
    int waitForExit(int timeoutMs = 20000);
    QString output() const;
    // Whether a client this machine started still runs.
    bool clientRunning() const;

    // A copy of /bin/sleep named 3dsmax.exe, running.
    QProcess *startMax();
    // Screenshots go to "shots" in the working folder for a person to see.
    static QString shot(const QString &name);

    // What the product places, by kind, relative to the sandbox root.
    QStringList shortcuts() const;
    QStringList removedPluginFiles() const;
    QString batchFile() const { return box.systemDrive() + QStringLiteral("/ClearVPL.bat"); }

    // Polls until `path` is gone.
    static bool waitUntilGone(const QString &path, int timeoutMs = 8000);
    // `before` without the lines below (or at) each of `paths`.
    static QString without(const QString &before, const QStringList &paths);

private:
    void reg(const QStringList &arguments);
    bool makeDelivery();
    QList<qint64> clientPids() const;

    const VirtualDisplay &display;
    const TestServer &server;
    QString installFolder;
    QProcess uninstaller;
    QTemporaryFile log;
    QString windowId;
};

#endif
