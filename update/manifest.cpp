#include "manifest.h"
#include "entrypaths.h"
#include "exeselection.h"
#include "updateurls.h"

#include <QDomDocument>
#include <QDomElement>

namespace {

QString firstChildText(const QDomElement &element)
{
    return element.firstChild().nodeValue();
}

void readFiles(const QDomElement &files, const QString &updateVersion, const QString &third, const QString &updateRoot,
               QList<FileEntry> *entries)
{
    for (QDomElement file = files.firstChildElement(); !file.isNull(); file = file.nextSiblingElement()) {
        const QString name = file.attribute(QStringLiteral("name"));
        if (!ExeSelection::keeps(name, updateVersion, third))
            continue;
        FileEntry entry;
        entry.name = name;
        entry.path = file.attribute(QStringLiteral("path"));
        entry.subDir = EntryPaths::subDir(entry.path);
        entry.localPath = EntryPaths::localPath(updateRoot, entry.subDir, ExeSelection::localName(name, updateVersion));
        entry.hashCode = file.attribute(QStringLiteral("hashCode"));
        entries->append(entry);
    }
}

}

Manifest parseManifest(const QByteArray &body, const QString &updateVersion, const QString &third, const QString &updateRoot)
{
    Manifest manifest;
    QDomDocument document;
    if (!document.setContent(body))
        return manifest;
    manifest.wellFormed = true;
    const QDomElement root = document.documentElement();
    manifest.version = root.attribute(QStringLiteral("version"));
    for (QDomElement child = root.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag == QLatin1String("files"))
            readFiles(child, updateVersion, third, updateRoot, &manifest.files);
        else if (tag == QLatin1String("prefix"))
            manifest.streamUrl = UpdateUrls::stream(firstChildText(child));
        else if (tag == QLatin1String("note"))
            manifest.notes.append(firstChildText(child));
    }
    return manifest;
}
