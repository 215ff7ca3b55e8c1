// A command for the emulated registry, shaped like Windows' reg.exe:
//   reg query KEY [/v NAME] [/reg:64]
//   reg add KEY /v NAME /d DATA [/reg:64] /f
//   reg delete KEY [/v NAME] [/reg:64] /f
#include "platform/registry.h"

#include <QCoreApplication>
#include <QScopedPointer>
#include <QTextStream>

#include <cstdio>

namespace {

const char NotFound[] = "ERROR: The system was unable to find the specified registry key or value.";

QString fullRoot(QString key)
{
    key.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const int slash = key.indexOf(QLatin1Char('\\'));
    const QString root = (slash < 0 ? key : key.left(slash)).toUpper();
    const QString rest = slash < 0 ? QString() : key.mid(slash);
    if (root == QLatin1String("HKLM"))
        return QStringLiteral("HKEY_LOCAL_MACHINE") + rest;
    if (root == QLatin1String("HKCU"))
        return QStringLiteral("HKEY_CURRENT_USER") + rest;
    return root + rest;
}

QSettings *open(const QString &key, bool view64)
{
    const QString prefix = QStringLiteral("HKEY_LOCAL_MACHINE\\");
    if (view64 && key.startsWith(prefix))
        return Registry::openMachine64Key(key.mid(prefix.size()));
    return Registry::openKey(key);
}

int usage()
{
    fprintf(stderr, "ERROR: Invalid syntax.\nreg query KEY [/v NAME] [/reg:64]\nreg add KEY /v NAME /d DATA [/reg:64] /f\n"
                    "reg delete KEY [/v NAME] [/reg:64] /f\n");
    return 1;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString verb = args.takeFirst().toLower();
    const QString key = fullRoot(args.takeFirst());
    QString valueName;
    QString data;
    bool hasValue = false;
    bool view64 = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString option = args.at(i).toLower();
        if (option == QLatin1String("/v") && i + 1 < args.size()) {
            valueName = args.at(++i);
            hasValue = true;
        } else if (option == QLatin1String("/d") && i + 1 < args.size()) {
            data = args.at(++i);
        } else if (option == QLatin1String("/reg:64")) {
            view64 = true;
        } else if (option == QLatin1String("/reg:32") || option == QLatin1String("/f")) {
        } else {
            return usage();
        }
    }
    if (!key.startsWith(QLatin1String("HKEY_LOCAL_MACHINE")) && !key.startsWith(QLatin1String("HKEY_CURRENT_USER")))
        return usage();

    QScopedPointer<QSettings> settings(open(key, view64));
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    const QStringList values = settings->childKeys();
    const QStringList groups = settings->childGroups();
    const bool keyExists = !values.isEmpty() || !groups.isEmpty();

    if (verb == QLatin1String("query")) {
        if (!keyExists || (hasValue && !values.contains(valueName))) {
            out << NotFound << '\n';
            return 1;
        }
        out << '\n' << key << '\n';
        for (const QString &value : values) {
            if (!hasValue || value == valueName)
                out << "    " << value << "    REG_SZ    " << settings->value(value).toString() << '\n';
        }
        out << '\n';
        if (!hasValue) {
            for (const QString &group : groups)
                out << key << '\\' << group << '\n';
        }
        return 0;
    }
    if (verb == QLatin1String("add")) {
        if (!hasValue)
            return usage();
        settings->setValue(valueName, data);
        settings->sync();
        out << "The operation completed successfully.\n";
        return settings->status() == QSettings::NoError ? 0 : 1;
    }
    if (verb == QLatin1String("delete")) {
        if (!keyExists || (hasValue && !values.contains(valueName))) {
            out << NotFound << '\n';
            return 1;
        }
        if (hasValue) {
            settings->remove(valueName);
        } else {
            // remove("") on a positioned handle clears the key and all below it.
            settings->remove(QString());
        }
        settings->sync();
        out << "The operation completed successfully.\n";
        return 0;
    }
    return usage();
}
