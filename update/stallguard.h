#ifndef STALLGUARD_H
#define STALLGUARD_H

class QNetworkReply;

// A server that stops sending must not hold the updater for ever.
namespace StallGuard {

// Aborts `reply` once it has received less than TransferLimits::ProgressBytes
// for `limitMs` milliseconds, which makes it finish with an error.
void watch(QNetworkReply *reply, int limitMs);

}

#endif
