#ifndef UPDATEURLS_H
#define UPDATEURLS_H

#include <QString>

// Addresses on the update server. Queries are plain text: the version and
// paths go in verbatim and Qt's tolerant parser takes them as they are.
namespace UpdateUrls {

QString manifest(const QString &host, const QString &version, const QString &third);
// The download endpoint named by a manifest's prefix.
QString stream(const QString &prefix);
QString download(const QString &streamUrl, const QString &path, const QString &name, const QString &version);

}

#endif
