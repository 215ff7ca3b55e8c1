// Writes COUNT values PREFIX0..PREFIXn into a registry key, one sync each,
// as a program busy with its own settings would while another does the same.
#include "platform/registry.h"

#include <QCoreApplication>
#include <QScopedPointer>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    QScopedPointer<QSettings> key(Registry::openKey(args.at(1)));
    const int count = args.at(3).toInt();
    for (int i = 0; i < count; ++i) {
        key->setValue(args.at(2) + QString::number(i), QString::number(i));
        key->sync();
    }
    return key->status() == QSettings::NoError ? 0 : 1;
}
