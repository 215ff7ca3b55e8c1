#include "pathsafety.h"

#include <QStringList>

namespace {

// A backslash is a separator on Windows, a colon starts a drive or a stream.
bool hasForeignSeparator(const QString &text)
{
    return text.contains(QLatin1Char('\\')) || text.contains(QLatin1Char(':')) || text.contains(QChar(0));
}

}

bool PathSafety::staysInside(const QString &path, const QString &name)
{
    if (hasForeignSeparator(path) || hasForeignSeparator(name))
        return false;
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')))
        return false;
    if (path.startsWith(QLatin1Char('/')))
        return false;
    return !path.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}
