#include "installplan.h"
#include "platform/filesystem.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char Unity[] = "KDRender";

// The version becomes a folder name: text that could name another folder,
// or that no file system takes, is none.
bool isFolderName(const QString &text)
{
    if (text.contains(QLatin1String("..")))
        return false;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter || QStringLiteral("\\/:*?<>|").contains(c))
            return false;
    }
    return true;
}

}

QString InstallPlan::parseVersion(const QByteArray &content)
{
    // All of it: the QByteArray form would stop at a NUL.
    QString text = QString::fromUtf8(content.constData(), content.size());
    text.remove(QLatin1Char('"'));
    text = text.trimmed();
    return isFolderName(text) ? text : QString();
}

QString InstallPlan::folderWord(const QString &third)
{
    return third.isEmpty() || third == QLatin1String(Unity) ? QStringLiteral("Ombrix") : third;
}

QString InstallPlan::defaultFolder(const QString &programFiles, const QString &third)
{
    return programFiles + QLatin1Char('\\') + folderWord(third);
}

QString InstallPlan::versionFolder(const QString &chosen, const QString &third, const QString &productKey,
                                   const QString &version, const QTime &time)
{
    const QString sub = third == QLatin1String(Unity) ? QStringLiteral("Ombrix for Unity") : productKey;
    return chosen + QStringLiteral("\\%1\\%2.%3").arg(sub, version, time.toString(QStringLiteral("sszzz")));
}

QString InstallPlan::previousParent(const QString &installDir)
{
    QDir dir(FileSystem::nativePath(installDir));
    if (!installDir.isEmpty() && dir.exists()) {
        dir.cdUp();
        dir.cdUp();
        return dir.absolutePath();
    }
    QStringList parts = installDir.split(QLatin1Char('\\'));
    // Fewer than two parts leave nothing above the versioned folder.
    parts = parts.mid(0, qMax(0, parts.size() - 2));
    return parts.join(QLatin1Char('\\'));
}

QString InstallPlan::banner(const QString &third)
{
    if (third.isEmpty())
        return QStringLiteral(":/bg.png");
    if (third.contains(QLatin1String("NPZ")))
        return QStringLiteral(":/bg_%1.png").arg(QLatin1String("NPZ"));
    return QStringLiteral(":/bg_third.png");
}

QString InstallPlan::startMenuFolder(const QString &third, const QString &name)
{
    return !third.isEmpty() && third != QLatin1String(Unity) ? name : QStringLiteral("Ombrix");
}

namespace {
QString shortcut(const QString &word, const QString &name)
{
    return QStringLiteral("%1.lnk").arg(QStringLiteral("%1%2").arg(word, name));
}
}

QString InstallPlan::startShortcut(bool zh, const QString &name)
{
    return shortcut(zh ? QStringLiteral("启动") : QStringLiteral("start "), name);
}

QString InstallPlan::uninstallShortcut(bool zh, const QString &name)
{
    return shortcut(zh ? QStringLiteral("卸载") : QStringLiteral("uninstall "), name);
}

QString InstallPlan::desktopShortcut(const QString &name)
{
    return shortcut(QString(), name);
}

int InstallPlan::extractionProgress(int done, int total)
{
    if (total <= 0)
        return 10;
    return 10 + int(30LL * qBound(0, done, total) / total);
}

QString InstallPlan::finishText(bool zh, const QString &name)
{
    return zh ? QStringLiteral("开启%1").arg(name) : QStringLiteral("Finish");
}

bool InstallPlan::offersSibling(const QString &third, bool zh)
{
    return third.isEmpty() && zh;
}

QStringList InstallPlan::runtimeFiles()
{
    return { QStringLiteral("\\icudt52.dll"),  QStringLiteral("\\icuin52.dll"),  QStringLiteral("\\icuuc52.dll"),
             QStringLiteral("\\msvcp100.dll"), QStringLiteral("\\msvcr100.dll"), QStringLiteral("\\Qt5Core.dll"),
             QStringLiteral("\\Qt5Gui.dll"),   QStringLiteral("\\Qt5Widgets.dll"), QStringLiteral("\\OmbrixVPL.exe") };
}

QStringList InstallPlan::siblingPluginFiles()
{
    return { QStringLiteral("o_render_fn.mse"), QStringLiteral("o_ombrix_1.mse"), QStringLiteral("o_ombrix_2.mse"),
             QStringLiteral("render_fn.mse"),   QStringLiteral("ombrix_1.mse"),   QStringLiteral("ombrix_2.mse"),
             QStringLiteral("Cirrolet.dll"),    QStringLiteral("Newtonsoft.Json.dll"), QStringLiteral("3dsMax.dll") };
}
