#ifndef REGISTRYPLAN_H
#define REGISTRYPLAN_H

#include <QPair>
#include <QString>
#include <QUrl>
#include <QVector>

// What an installation records about itself: the registry values the
// uninstaller and updater read back, and the report to the operations server.
namespace RegistryPlan {

using Values = QVector<QPair<QString, QString>>;

struct Identity {
    QString third;
    QString name; // already English in English mode
    QString nameEN;
    QString exe;
    QString mark;
    QString lang;
};

// The client's path in quotes, so a space in it cannot start another program.
QString quotedProgram(const QString &installDir, const QString &program);
// Data of the auto-start value, named after the executable.
QString autoRunCommand(const QString &installDir, const QString &exe);

// The uninstall entry's values in the order they are written.
Values uninstallEntry(const Identity &identity, bool zh, const QString &installDir, const QString &version,
                      const QString &aboutUrl);

// The identity as compact JSON text, members in key order.
QString identityJson(const Identity &identity);
// The per-product settings in the order they are written.
Values productValues(const Identity &identity, bool zh, const QString &installDir);

// POST target of the channel report; MAC and processor texts arrive escaped.
QUrl channelReportUrl(const QString &host, const QString &mark, const QString &macAddress, const QString &cpu);

}

#endif
