#include "machine.h"

#include <QFile>

bool Machine::processorDescription(QString *text)
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QString name;
    int cores = 0;
    int processors = 0;
    // /proc/cpuinfo has no size (atEnd() is true at once), so read until no line comes.
    for (QByteArray raw = cpuinfo.readLine(); !raw.isEmpty(); raw = cpuinfo.readLine()) {
        const QString line = QString::fromUtf8(raw);
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1);
        if (key == QLatin1String("processor"))
            ++processors;
        else if (key == QLatin1String("model name") && name.isEmpty())
            name = value.mid(1).chopped(value.endsWith(QLatin1Char('\n')) ? 1 : 0);
        else if (key == QLatin1String("cpu cores") && cores == 0)
            cores = value.trimmed().toInt();
    }
    if (cores == 0)
        cores = processors;
    *text = QStringLiteral("[%1]").arg(cores) + name;
    return true;
}
