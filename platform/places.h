#ifndef PLACES_H
#define PLACES_H

#include <QString>

// Well-known folders of the machine.
namespace Places {

// The environment variable PROGRAMFILES; empty when unset.
QString programFiles();

// Root of the system drive, ending in "/".
QString systemRoot();

// Per-user value of "...\\Explorer\\Shell Folders" that Windows always has,
// used when the registry holds none (only "AppData" is known).
QString shellFolderDefault(const QString &valueName);

}

#endif
