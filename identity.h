#ifndef IDENTITY_H
#define IDENTITY_H

#include <QString>

// The six identity fields of a branded build, from either of their sources.
struct Identity {
    QString exe;
    QString name;
    QString nameEN;
    QString third;
    QString mark;
    QString lang;

    // Section [info] of the INI file at `path`, decoded as GB2312; a missing
    // file or key leaves the field empty.
    static Identity fromIni(const QString &path);
    // The JSON text stored in the registry; anything but a JSON object of
    // strings leaves the fields empty.
    static Identity fromJson(const QString &text);
};

#endif
