#include "survey.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace {

const char KDRender[] = "KDRender";
const int ShownReasons = 4;
const int OtherId = -1;

}

QString Survey::surveyType(const QString &third)
{
    if (third.isEmpty())
        return QStringLiteral("2");
    if (third == QLatin1String(KDRender))
        return QStringLiteral("1");
    return QString();
}

bool Survey::sendsReport(const QString &third)
{
    return !surveyType(third).isEmpty();
}

QString Survey::reasonListUrl(const QString &serverBase, const QString &third)
{
    return serverBase + QStringLiteral("/cms/uninstallReason/getPresentByType?type=") + surveyType(third);
}

QString Survey::reportUrl(const QString &serverBase)
{
    return serverBase + QStringLiteral("/cms/uninstallReason/getUserUninstallReasonByType");
}

QList<Survey::Reason> Survey::shownReasons(const QByteArray &body)
{
    const QJsonArray rows = QJsonDocument::fromJson(body).object().value(QLatin1String("rows")).toArray();
    QMap<int, Reason> byOrder;
    for (const QJsonValue &row : rows) {
        const QJsonObject object = row.toObject();
        Reason reason;
        reason.id = object.value(QLatin1String("id")).toInt();
        reason.text = object.value(QLatin1String("reason")).toString();
        byOrder.insert(object.value(QLatin1String("order")).toInt(), reason);
    }
    return byOrder.values().mid(0, ShownReasons);
}

QString Survey::reasonToolTip(const Reason &reason)
{
    return QString::number(reason.id);
}

QString Survey::otherToolTip()
{
    return QString::number(OtherId);
}

QByteArray Survey::reportBody(const QStringList &checkedToolTips, const QString &otherText, const QString &contact,
                              const QString &third)
{
    QJsonArray rows;
    for (const QString &toolTip : checkedToolTips) {
        const int id = toolTip.toInt();
        if (id == OtherId)
            rows.append(QJsonObject { { QStringLiteral("id"), 0 },
                                      { QStringLiteral("other"), otherText.left(OtherTextLimit) },
                                      { QStringLiteral("contact"), contact } });
        else
            rows.append(QJsonObject { { QStringLiteral("id"), id } });
    }
    QJsonObject root { { QStringLiteral("rows"), rows } };
    const QString type = surveyType(third);
    if (!type.isEmpty())
        root.insert(QStringLiteral("type"), type.toInt());
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
