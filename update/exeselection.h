#ifndef EXESELECTION_H
#define EXESELECTION_H

#include <QString>

// Releases after 5.1.9.1 carry one client executable per build; each build
// keeps only its own and installs it under the generic name. The version
// test is a plain string comparison, as the server has always been read.
namespace ExeSelection {

// "OB-<third without Render>.exe", "OB-X.exe" for the general edition.
QString ownExeName(const QString &third);
// Whether this build installs the manifest file `name` at all.
bool keeps(const QString &name, const QString &updateVersion, const QString &third);
// The name a kept file is installed under.
QString localName(const QString &name, const QString &updateVersion);

}

#endif
