#ifndef TRANSFERLIMITS_H
#define TRANSFERLIMITS_H

#include <QtGlobal>

// Bounds on what the update server may send: a body beyond them is refused
// before it fills memory or the disk.
namespace TransferLimits {

// A manifest lists a few hundred files; real ones are well below 1 MiB.
constexpr qint64 ManifestBytes = 8 * 1024 * 1024;
// No release file comes near this.
constexpr qint64 FileBytes = qint64(4) * 1024 * 1024 * 1024;
// A transfer must bring at least this much per stall period to count as alive.
constexpr qint64 ProgressBytes = 1024;

// Whether a body announced as `announced` bytes (-1 when unknown), of which
// `received` have come, goes beyond `limit`.
bool exceeds(qint64 received, qint64 announced, qint64 limit);

}

#endif
