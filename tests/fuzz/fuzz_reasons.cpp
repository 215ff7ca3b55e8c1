// The uninstall-reason list as the operations server may send it, and the
// report built back from the boxes it fills.
#include "survey.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    const QList<Survey::Reason> reasons = Survey::shownReasons(body);
    if (reasons.size() > 4)
        abort();
    // Every shown box checked, and the free-text box with the raw text.
    QStringList toolTips;
    for (const Survey::Reason &reason : reasons)
        toolTips.append(Survey::reasonToolTip(reason));
    toolTips.append(Survey::otherToolTip());
    const QString text = QString::fromUtf8(body);
    const QByteArray report = Survey::reportBody(toolTips, text, text.left(20), QString());
    const QJsonObject parsed = QJsonDocument::fromJson(report).object();
    if (parsed.value(QLatin1String("rows")).toArray().size() != toolTips.size() || parsed.value(QLatin1String("type")).toInt() != 2)
        abort();
    return 0;
}
