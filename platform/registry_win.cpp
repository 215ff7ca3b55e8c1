#include "registry.h"

#include <windows.h>

QSettings *Registry::openKey(const QString &keyPath, QObject *parent)
{
    // The programs ship as 32-bit executables; every one of them must see the
    // same view so that what the installer writes the others read.
    return new QSettings(keyPath, QSettings::Registry32Format, parent);
}

QSettings *Registry::openMachine64Key(const QString &key, QObject *parent)
{
    return new QSettings(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key, QSettings::Registry64Format, parent);
}

QString Registry::readMachine64(const QString &key, const QString &valueName, long *closeStatus)
{
    if (closeStatus)
        *closeStatus = 0;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(key.utf16()), 0,
                      KEY_READ | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS)
        return QString();
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    QString text;
    if (RegQueryValueExW(handle, reinterpret_cast<LPCWSTR>(valueName.utf16()), nullptr, &type,
                         reinterpret_cast<LPBYTE>(buffer), &size) == ERROR_SUCCESS) {
        const int units = int(size / sizeof(wchar_t));
        text = QString::fromWCharArray(buffer, units);
        const int nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
    }
    const LONG status = RegCloseKey(handle);
    if (closeStatus)
        *closeStatus = status;
    return text;
}
