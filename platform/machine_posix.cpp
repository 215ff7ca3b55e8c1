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
    // /proc/cpuinfo has no size, so it is read line by line.
    while (!cpuinfo.atEnd()) {
        const QString line = QString::fromUtf8(cpuinfo.readLine());
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
