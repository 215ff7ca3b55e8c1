#include "basewidget.h"
#include "identity.h"
#include "platform/filesystem.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "xfunc.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

#include <cmath>
#include <cstdlib>

QString BaseWidget::third;
QString BaseWidget::exe;
bool BaseWidget::zh = false;

namespace {

const char UninstallKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char RunKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char VendorKey[] = "HKEY_CURRENT_USER\\Software\\Norvane";

QString productSettingsKey(const QString &key)
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\Norvane\\%1\\Settings").arg(key);
}

QString obIniPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/OB.ini");
}

void adopt(BaseWidget *widget, const Identity &identity)
{
    BaseWidget::exe = identity.exe;
    BaseWidget::third = identity.third;
    widget->name = identity.name;
    widget->nameEN = identity.nameEN;
    widget->mark = identity.mark;
    widget->lang = identity.lang;
}

}

BaseWidget::BaseWidget(QWidget *parent)
    : QWidget(parent)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground);

    // The handles live as long as their window; nothing uses them after it.
    runSettings = Registry::openKey(QLatin1String(RunKey), this);
    uninstallSettings = Registry::openKey(QLatin1String(UninstallKey), this);
    vendorSettings = Registry::openKey(QLatin1String(VendorKey), this);
    appDir = QCoreApplication::applicationDirPath();

    if (!QFile::exists(obIniPath())) {
        const QString key = appDir.contains(QLatin1String("OmbrixVPL")) ? QStringLiteral("OmbrixVPL") : QStringLiteral("OmbrixKD");
        productHandle = Registry::openKey(productSettingsKey(key), this);
        installDir = uninstallSettings->value(key + QStringLiteral("/installDir")).toString();
        // Outside an installation the uninstaller and updater have nothing to do.
        if (installDir.isEmpty())
            std::exit(0);
        adopt(this, Identity::fromJson(productHandle->value(QStringLiteral("info")).toString()));
    } else {
        adopt(this, Identity::fromIni(obIniPath()));
        productHandle = Registry::openKey(productSettingsKey(productKey()), this);
    }

    QSettings service(appDir + QStringLiteral("/service.ini"), QSettings::IniFormat);
    serverBase = service.value(QStringLiteral("server/bs")).toString();
    channelHost = service.value(QStringLiteral("server/channelHost"), QStringLiteral(OMBRIX_CHANNEL_HOST)).toString();
    updateHost = service.value(QStringLiteral("server/updateHost"), QStringLiteral(OMBRIX_UPDATE_HOST)).toString();
    updateHostEn = service.value(QStringLiteral("server/updateHostEn"), QStringLiteral(OMBRIX_UPDATE_HOST_EN)).toString();
}

bool BaseWidget::isZh()
{
    zh = !(!lang.isEmpty() && lang == QLatin1String("en_us"));
    return zh;
}

QString BaseWidget::productKey()
{
    return third == QLatin1String("KDRender") ? QStringLiteral("OmbrixKD") : QStringLiteral("OmbrixVPL");
}

QString BaseWidget::iniThird()
{
    if (!QFile::exists(obIniPath()))
        return QString();
    return Identity::fromIni(obIniPath()).third;
}

QString BaseWidget::startMenuPath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
}

QString BaseWidget::desktopPath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool BaseWidget::existProcess(QString name)
{
    if (!name.endsWith(QLatin1String(".exe")))
        name += QLatin1String(".exe");
    bool finished = false;
    const QByteArray out = Processes::taskList(name, &finished);
    return finished && out.contains(name.toUtf8());
}

void BaseWidget::killProcess(const QString &name)
{
    bool finished = false;
    const QByteArray out = Processes::taskKill(name, &finished);
    if (finished)
        qDebug() << out;
}

void BaseWidget::veryDel(const QString &path)
{
    if (path.isEmpty())
        return;
    qDebug() << path;
    XFunc::removeTree(path, true);
}

QString BaseWidget::readReg(QString key, QString valueName)
{
    long status = 0;
    const QString text = Registry::readMachine64(key, valueName, &status);
    qDebug() << status;
    return text;
}

QString BaseWidget::maxInstallDir(QString version, int kind)
{
    const QString product = kind == 1 ? QStringLiteral("3dsMax") : QStringLiteral("3dsMaxDesign");
    return readReg(QStringLiteral("SOFTWARE\\Autodesk\\%1\\%2").arg(product, version), QStringLiteral("Installdir"));
}

QStringList BaseWidget::allMaxPath()
{
    static const char *const versions[] = {
        "12.0\\MAX-1:409", "12.0\\MAX-1:804", "13.0\\MAX-1:409", "13.0\\MAX-1:804",
        "14.0\\MAX-1:409", "14.0\\MAX-1:804", "15.0", "16.0", "17.0", "18.0", "19.0", "20.0", "21.0",
    };
    QStringList result;
    for (const char *version : versions) {
        for (int kind = 1; kind <= 2; ++kind) {
            const QString dir = maxInstallDir(QLatin1String(version), kind);
            if (dir.isEmpty())
                continue;
            const QFileInfo startup(FileSystem::nativePath(dir + QStringLiteral("scripts\\Startup\\")));
            if (startup.isDir())
                result.append(QDir::cleanPath(startup.absoluteFilePath()));
        }
    }
    qDebug() << "qD" << result;
    return result;
}

bool BaseWidget::canDrag(QMouseEvent *)
{
    return true;
}

void BaseWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && canDrag(event))
        dragOffset = event->globalPos() - pos();
    QWidget::mousePressEvent(event);
}

void BaseWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (dragOffset.x() != 0)
        move(event->globalPos() - dragOffset);
    QWidget::mouseMoveEvent(event);
}

void BaseWidget::mouseReleaseEvent(QMouseEvent *)
{
    dragOffset = QPoint(0, 0);
}

void BaseWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < 3; ++i) {
        const int inset = 3 - i;
        QPainterPath path;
        path.addRoundedRect(inset, inset, width() - 2 * inset, height() - 2 * inset, 1, 1);
        QColor color(40, 40, 40);
        color.setAlpha(int(150 - std::sqrt(double(i)) * 70));
        painter.setPen(QPen(color, 1));
        painter.drawPath(path);
    }
}
