// benchhash FILE...: the updater's digest of each file, printed as sha1sum
// prints it ("digest  path"), so both outputs can be compared.
#include "filehash.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        out << fileHash(path) << "  " << path << '\n';
    }
    return 0;
}
