#ifndef REGISTRY_H
#define REGISTRY_H

#include <QSettings>
#include <QString>

// The registry as the three programs see it: a 32-bit program's view of
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, plus a read of the 64-bit view.
namespace Registry {

// A handle positioned at a key given as "HKEY_LOCAL_MACHINE\\Software\\..."
// (or HKEY_CURRENT_USER). Values and groups below it read, write and remove
// alike on every platform; an absent value reads as an empty variant.
QSettings *openKey(const QString &keyPath, QObject *parent = nullptr);

// A handle on a key below HKEY_LOCAL_MACHINE in the 64-bit view.
QSettings *openMachine64Key(const QString &key, QObject *parent = nullptr);

// Text value below HKEY_LOCAL_MACHINE in the 64-bit view; empty when the key
// or value is absent or longer than 511 UTF-16 units. `closeStatus` gets the
// status of closing the key (0 on success).
QString readMachine64(const QString &key, const QString &valueName, long *closeStatus = nullptr);

}

#endif
