#ifndef PATHSAFETY_H
#define PATHSAFETY_H

#include <QString>

// The manifest comes over plain HTTP; an entry must not reach outside the
// installation folder nor name the folder itself.
namespace PathSafety {

// True when a manifest entry with this server folder and file name lands
// below the installation folder: no ".." segment, no absolute or drive
// form, no backslash, and a real file name.
bool staysInside(const QString &path, const QString &name);

}

#endif
