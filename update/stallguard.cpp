#include "stallguard.h"
#include "transferlimits.h"

#include <QDebug>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

void StallGuard::watch(QNetworkReply *reply, int limitMs)
{
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    timer->setInterval(limitMs);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, limitMs] {
        qDebug() << "no data for" << limitMs << "ms, giving up" << reply->url();
        reply->abort();
    });
    auto restart = [timer] { timer->start(); };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, timer, restart);
    // A server dripping a byte now and then is as good as stalled.
    auto counted = std::make_shared<qint64>(0);
    QObject::connect(reply, &QNetworkReply::downloadProgress, timer, [timer, counted](qint64 received, qint64) {
        if (received - *counted < TransferLimits::ProgressBytes)
            return;
        *counted = received;
        timer->start();
    });
    QObject::connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start();
}
