#include "transferlimits.h"

bool TransferLimits::exceeds(qint64 received, qint64 announced, qint64 limit)
{
    return received > limit || announced > limit;
}
