#ifndef FILEENTRY_H
#define FILEENTRY_H

#include <QString>

// One file of a release as the manifest lists it and where it goes locally.
struct FileEntry {
    QString name;        // file name on the server
    QString path;        // folder on the server below "files/"
    QString subDir;      // local folder below the installation, see EntryPaths::subDir
    QString hashCode;    // expected SHA-1, lower-case hex
    QString matchedPath; // set when the installed copy already has hashCode
    QString localPath;   // where the file is installed
};

#endif
