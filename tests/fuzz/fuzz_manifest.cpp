// The update manifest as the server may send it: parsing, executable
// selection and the path check the worker applies before anything is
// fetched. An entry the check lets through must land below the installation.
#include "manifest.h"
#include "pathsafety.h"

#include <QDir>

#include <cstdint>
#include <cstdlib>

namespace {

const char *const Versions[] = { "5.2.0.1", "5.1.9.1", "5.1.10.0", "" };
const char *const Thirds[] = { "", "MRARender", "KDRender", "Render" };
const QString Root = QStringLiteral("/fuzz/OmbrixVPL/2.0.1.07042");

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the release and the build, the rest is the body.
    const QString version = QLatin1String(Versions[data[0] & 3]);
    const QString third = QLatin1String(Thirds[(data[0] >> 2) & 3]);
    const QByteArray body(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    const Manifest manifest = parseManifest(body, version, third, Root);
    if (!manifest.wellFormed && (!manifest.files.isEmpty() || !manifest.notes.isEmpty()))
        abort();
    for (const FileEntry &entry : manifest.files) {
        if (!PathSafety::staysInside(entry.path, entry.name))
            continue;
        const QString landing = QDir::cleanPath(entry.localPath);
        if (!landing.startsWith(Root + QLatin1Char('/')) || !entry.localPath.startsWith(Root + QLatin1Char('/')))
            abort();
    }
    return 0;
}
