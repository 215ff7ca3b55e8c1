#ifndef MANIFEST_H
#define MANIFEST_H

#include "fileentry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What a release manifest says, read from the server's XML answer.
struct Manifest {
    bool wellFormed = false;
    QString version;        // the document element's "version", for the log
    QList<FileEntry> files; // the files this build installs, in manifest order
    QString streamUrl;      // the download endpoint; empty without a prefix
    QStringList notes;      // release notes in document order
};

// Reads the manifest of `updateVersion` for the build `third`, placing its
// files below `updateRoot`. Plug-in, registry and batch lists are accepted
// and change nothing.
Manifest parseManifest(const QByteArray &body, const QString &updateVersion, const QString &third, const QString &updateRoot);

#endif
