// The identity of a build from its two sources: the text of OB.ini beside
// the program, read as BaseWidget reads it, and the JSON of the registry
// value "info".
#include "identity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

bool allEmpty(const Identity &identity)
{
    return identity.exe.isEmpty() && identity.name.isEmpty() && identity.nameEN.isEmpty() && identity.third.isEmpty()
        && identity.mark.isEmpty() && identity.lang.isEmpty();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir scratch;
    static int round = 0;
    if (size < 1)
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    if (data[0] & 1) {
        if (!text.trimmed().startsWith('{') && !allEmpty(Identity::fromJson(QString::fromUtf8(text))))
            abort();
        return 0;
    }
    // A fresh name each time: the INI reader caches files by name and date.
    const QString path = scratch.filePath(QStringLiteral("OB%1.ini").arg(++round));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        abort();
    file.close();
    Identity::fromIni(path);
    QFile::remove(path);
    return 0;
}
