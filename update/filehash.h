#ifndef FILEHASH_H
#define FILEHASH_H

#include <QString>

// SHA-1 of a file's bytes in lower-case hex, read in 4096-byte pieces;
// an empty string when the file cannot be read.
QString fileHash(const QString &path);

#endif
