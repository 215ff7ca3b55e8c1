#include "stallguard.h"

#include <QDebug>
#include <QNetworkReply>
#include <QTimer>

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
    QObject::connect(reply, &QNetworkReply::downloadProgress, timer, restart);
    QObject::connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    timer->start();
}
