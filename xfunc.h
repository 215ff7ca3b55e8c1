#ifndef XFUNC_H
#define XFUNC_H

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariant>

struct MachineInfo {
    QString cpu;
};

// Static helpers: machine identity, JSON text, quiet deletion, per-user registry.
class XFunc : public QObject
{
    Q_OBJECT

public:
    explicit XFunc(QObject *parent = nullptr);

    static QString macAddress();
    // The address macAddress() picks from (human-readable name, hardware address) pairs.
    static QString chooseAddress(const QList<QPair<QString, QString>> &adapters);
    static bool hardwareInfo(MachineInfo *info);
    static QString escapeUrl(QString text);
    static QString toJsonString(QJsonObject object);
    static QJsonObject toJsonObject(QString text);
    static void delPath(QString path);
    static QVariant readUserReg(QString subKey, QString valueName);

    // Deletes a file, or every visible file below a folder and the folders
    // left empty, upwards while they stay empty.
    static void removeTree(const QString &path, bool verbose);
};

#endif
