#include "removalplan.h"
#include "platform/filesystem.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>

namespace {

bool hasSeparator(const QString &text)
{
    return text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('\\'));
}

QString shortcutName(const QString &word, const QString &name)
{
    if (name.isEmpty() || hasSeparator(name))
        return QString();
    return QStringLiteral("%1.lnk").arg(QStringLiteral("%1%2").arg(word, name));
}

}

QString RemovalPlan::shortcutGroup(const QString &third, const QString &name)
{
    return !third.isEmpty() && third != QLatin1String("KDRender") ? name : QStringLiteral("Ombrix");
}

QString RemovalPlan::startShortcutName(bool zh, const QString &name)
{
    return shortcutName(zh ? QStringLiteral("启动") : QStringLiteral("start "), name);
}

QString RemovalPlan::uninstallShortcutName(bool zh, const QString &name)
{
    return shortcutName(zh ? QStringLiteral("卸载") : QStringLiteral("uninstall "), name);
}

QString RemovalPlan::desktopShortcutName(const QString &name)
{
    return shortcutName(QString(), name);
}

QString RemovalPlan::maxScriptPath(const QString &startupFolder)
{
    static const QRegularExpression oldRelease(QStringLiteral("201[0-2]"));
    const bool old = oldRelease.match(startupFolder).hasMatch();
    return startupFolder + (old ? QStringLiteral("/o_ombrixMenu.ms") : QStringLiteral("/ombrixMenu.ms"));
}

QString RemovalPlan::sketchUpPluginPath(const QString &versionFolder)
{
    return versionFolder + QStringLiteral("/SketchUp/Plugins/Ombrix_VPL");
}

bool RemovalPlan::ownsInstallDir(const QString &installDir)
{
    if (installDir.isEmpty() || !QDir::isAbsolutePath(FileSystem::nativePath(installDir)))
        return false;
    QString path = installDir;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QStringList segments = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &segment : segments) {
        if (segment == QLatin1String(".") || segment == QLatin1String(".."))
            return false;
    }
    if (segments.size() < 2)
        return false;
    static const QRegularExpression versioned(QStringLiteral("^.*\\.[0-9]{5}$"));
    const QString product = segments.at(segments.size() - 2);
    if (!versioned.match(segments.last()).hasMatch()
        || (product != QLatin1String("OmbrixVPL") && product != QLatin1String("Ombrix for Unity")))
        return false;
    // A link would carry the deletion to wherever it points.
    const QFileInfo version(FileSystem::nativePath(path));
    const QFileInfo parent(version.absolutePath());
    return !version.isSymLink() && !parent.isSymLink();
}

QString RemovalPlan::productFolder(const QString &installDir)
{
    QDir folder(FileSystem::nativePath(installDir));
    QString result = folder.cdUp() ? folder.absolutePath() : installDir;
    result.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return result;
}

bool RemovalPlan::batchCanQuote(const QString &folder)
{
    for (const QChar c : folder) {
        if (c == QLatin1Char('"') || c == QLatin1Char('%') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return !folder.isEmpty();
}

QByteArray RemovalPlan::cleanupBatchText(const QString &productFolder)
{
    const QString text = QStringLiteral("ping -n 1 127.0.0.1>nul\r\nrd \"") + productFolder
        + QStringLiteral("\" /s /q\r\ndel %0");
    return QTextCodec::codecForLocale()->fromUnicode(text);
}

bool RemovalPlan::isBareFileName(const QString &fileName)
{
    return !fileName.isEmpty() && !hasSeparator(fileName) && fileName != QLatin1String(".")
        && fileName != QLatin1String("..");
}
