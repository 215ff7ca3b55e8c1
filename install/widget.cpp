#include "widget.h"
#include "ui_widget.h"
#include "archive.h"
#include "installplan.h"
#include "msgbox.h"
#include "platform/filesystem.h"
#include "platform/places.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "registryplan.h"
#include "xfunc.h"
#include "zipthread.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPixmap>
#include <QScopedPointer>
#include <QTime>

int Widget::extractedCount = 0;

namespace {
const char GenericExe[] = "OmbrixVPL.exe";
const char ShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char SiblingClientKey[] = "HKEY_CURRENT_USER\\Software\\Norvane\\PavletClient\\Settings";
const char SiblingProductValue[] = "ombrixtools/Settings/InstallDir";

QString native(const QString &path)
{
    return FileSystem::nativePath(path);
}
}

Widget::Widget(BaseWidget *parent)
    : BaseWidget(parent)
    , ui(new Ui::Widget)
{
    ui->setupUi(this);

    QFile versionFile(native(QStringLiteral("version")));
    if (versionFile.open(QIODevice::ReadOnly))
        version = InstallPlan::parseVersion(versionFile.readAll());
    if (version.isEmpty())
        return;

    if (!zh) {
        name = nameEN;
        ui->install->setText(QStringLiteral("Install"));
        ui->para->setText(QStringLiteral("Custom"));
        ui->browse->setText(QStringLiteral("Browse"));
        ui->startMenu->setText(QStringLiteral("Add to start menu"));
        ui->autoRun->setText(QStringLiteral("Auto-start-system"));
    }
    ui->title->setText(name);
    showBranding();
    setFolded(true);
    ui->path->setReadOnly(true);

    installDir = InstallPlan::defaultFolder(Places::programFiles(), third);
    ui->path->setText(installDir);
    ui->startMenu->setChecked(true);
    ui->autoRun->setChecked(true);
    ui->installFB->setChecked(true);
    ui->installFB->hide();
    qDebug() << installDir;
    ui->progressBar->hide();
}

Widget::~Widget()
{
    delete ui;
}

void Widget::showBranding()
{
    if (third.isEmpty()) {
        ui->label->setStyleSheet(QStringLiteral("border-image: url(:/logo.png)"));
    } else {
        // A delivery without its icon leaves the logo empty.
        const QIcon icon(native(appDir + QStringLiteral("/OB.ico")));
        ui->label->setPixmap(icon.pixmap(16, 16));
    }
    const QPixmap banner(InstallPlan::banner(third));
    ui->label_bg->setPixmap(banner.scaled(ui->label_bg->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ui->label_bg->setAlignment(Qt::AlignCenter);
}

void Widget::setFolded(bool folded)
{
    ui->widget_2->setFixedHeight(folded ? 380 : 510);
    setFixedHeight(folded ? 386 : 516);
    QString style = ui->para->styleSheet();
    if (folded)
        style.replace(QLatin1String("up.png"), QLatin1String("down.png"));
    else
        style.replace(QLatin1String("down.png"), QLatin1String("up.png"));
    ui->para->setStyleSheet(style);
}

void Widget::installTo(QString folder)
{
    if (folder.isEmpty())
        return;
    folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    installDir = folder;
    on_install_clicked();
}

void Widget::setProgress(int value)
{
    ui->progressBar->setValue(value);
    if (ui->progressBar->value() == ui->progressBar->maximum())
        ui->progressBar->hide();
}

void Widget::on_install_clicked()
{
    ui->minBtn->hide();
    ui->closeBtn->hide();
    if (ui->progressBar->value() == ui->progressBar->maximum())
        finishClicked();
    else
        startExtraction();
}

void Widget::startExtraction()
{
    ui->progressBar->show();
    ui->install->hide();
    ui->para->hide();
    setFolded(true);

    const QString archive = appDir + QStringLiteral("/files.zip");
    qDebug() << "exist zip" << QFile::exists(native(archive));
    entryTotal = OmbrixArchive::entryCount(archive);

    auto *worker = new ZipThread;
    // Kept until the program ends, then released with the window.
    worker->setParent(this);
    connect(worker, SIGNAL(finished()), this, SLOT(zipOver()));
    connect(worker, SIGNAL(oneOk()), this, SLOT(oneOk()));
    installDir = InstallPlan::versionFolder(installDir, third, productKey(), version, QTime::currentTime());
    worker->setPaths(installDir, archive);
    worker->start();
    setProgress(10);
}

void Widget::oneOk()
{
    ++extractedCount;
    setProgress(InstallPlan::extractionProgress(extractedCount, entryTotal));
}

void Widget::zipOver()
{
    setProgress(40);
    copyRuntimeFiles();
    prepareUserData();
    if (!brandExecutable())
        return;
    QFile::copy(native(appDir + QStringLiteral("/OB.ico")), native(installDir + QStringLiteral("/OB.ico")));
    setProgress(50);
    makeShortcuts();

    setProgress(60);
    setProgress(70);
    registerInstallation();
    grantPermissions();
    removeSiblingPlugins();

    setProgress(100);
    reportChannel();
    showFinished();
}

void Widget::copyRuntimeFiles()
{
    // An existing file, such as one shipped in the archive, is kept.
    for (const QString &entry : InstallPlan::runtimeFiles())
        QFile::copy(native(appDir + entry), native(installDir + entry));
}

void Widget::prepareUserData()
{
    QString folder = XFunc::readUserReg(QLatin1String(ShellFolders), QStringLiteral("AppData")).toString();
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    folder += QStringLiteral("/%1").arg(productKey());
    const QString allUser = folder + QStringLiteral("/AllUser");
    QDir().mkpath(native(folder));
    QDir().mkpath(native(allUser));
    QFile::copy(native(appDir + QStringLiteral("\\SPCache")), native(allUser + QStringLiteral("/SPCache")));
}

bool Widget::brandExecutable()
{
    const QString generic = installDir + QLatin1Char('\\') + QLatin1String(GenericExe);
    const QString branded = installDir + QLatin1Char('\\') + exe;
    if (generic == branded || QFile::rename(native(generic), native(branded)))
        return true;
    MsgTool::information(zh ? QStringLiteral("重命名失败") : QStringLiteral("Rename file error"));
    QCoreApplication::exit(0);
    return false;
}

void Widget::makeShortcuts()
{
    const QString startName = InstallPlan::startShortcut(zh, name);
    const QString uninstallName = InstallPlan::uninstallShortcut(zh, name);
    const QString desktopLink = desktopPath() + QLatin1Char('/') + InstallPlan::desktopShortcut(name);
    const QString menu = startMenuPath() + QLatin1Char('/') + InstallPlan::startMenuFolder(third, name);

    if (!name.isEmpty()) {
        for (const QString &folder : { startMenuPath() + QLatin1Char('/') + name, menu }) {
            veryDel(folder + QLatin1Char('/') + startName);
            veryDel(folder + QLatin1Char('/') + uninstallName);
            veryDel(desktopLink);
        }
    }

    const QString client = installDir + QLatin1Char('\\') + exe;
    if (ui->startMenu->isChecked()) {
        QDir().mkdir(native(menu));
        FileSystem::createLink(client, menu + QLatin1Char('/') + startName);
        FileSystem::createLink(installDir + QStringLiteral("\\uninstall.exe"), menu + QLatin1Char('/') + uninstallName);
    }
    FileSystem::createLink(client, desktopLink);
}

void Widget::registerInstallation()
{
    if (ui->autoRun->isChecked()) {
        runSettings->setValue(exe, RegistryPlan::autoRunCommand(installDir, exe));
        runSettings->sync();
    }

    const RegistryPlan::Identity identity { third, name, nameEN, exe, mark, lang };
    uninstallSettings->beginGroup(productKey());
    for (const auto &value : RegistryPlan::uninstallEntry(identity, zh, installDir, version, QStringLiteral(OMBRIX_ABOUT_URL)))
        uninstallSettings->setValue(value.first, value.second);
    uninstallSettings->endGroup();
    uninstallSettings->sync();

    for (const auto &value : RegistryPlan::productValues(identity, zh, installDir))
        productSettings()->setValue(value.first, value.second);
    productSettings()->sync();
}

void Widget::grantPermissions()
{
    // The sub-folder above the versioned one, so later versions share it.
    QDir product(native(installDir));
    product.cdUp();
    FileSystem::grantEveryone(product.absolutePath());
}

void Widget::removeSiblingPlugins()
{
    QScopedPointer<QSettings> sibling(Registry::openKey(QLatin1String(SiblingClientKey)));
    const QString folder = sibling->value(QStringLiteral("InstallDir")).toString();
    if (folder.isEmpty())
        return;
    for (const QString &file : InstallPlan::siblingPluginFiles())
        QFile::remove(native(folder + QLatin1Char('\\') + file));
}

void Widget::reportChannel()
{
    MachineInfo machine;
    XFunc::hardwareInfo(&machine);
    const QUrl url = RegistryPlan::channelReportUrl(channelHost, mark, XFunc::macAddress(), machine.cpu);
    auto *network = new QNetworkAccessManager(this);
    network->post(QNetworkRequest(url), QByteArray());
    qDebug() << "qD" << url;
}

void Widget::showFinished()
{
    ui->install->setText(InstallPlan::finishText(zh, name));
    ui->install->show();
    ui->closeBtn->show();
    if (InstallPlan::offersSibling(third, zh))
        ui->installFB->show();
    else
        ui->installFB->setChecked(false);
}

void Widget::finishClicked()
{
    Processes::openWithShell(installDir + QLatin1Char('\\') + exe);
    if (ui->installFB->isChecked() && !vendorSettings->contains(QLatin1String(SiblingProductValue)))
        Processes::startDetached(appDir + QStringLiteral("\\FBsetup.exe"), { QStringLiteral("/sp-"), QStringLiteral("/silent") });
    close();
}

void Widget::on_para_clicked()
{
    setFolded(height() >= 500);
}

void Widget::on_browse_clicked()
{
    const QString caption = zh ? QStringLiteral("选择安装目录") : QStringLiteral("Choose install dir");
    QString folder = QFileDialog::getExistingDirectory(this, caption, QStringLiteral("/home"));
    qDebug() << "getExistingDirectory:" << folder;
    if (folder.isEmpty())
        return;
    folder.replace(QLatin1Char('/'), QLatin1Char('\\'));
    ui->path->setText(folder);
    installDir = ui->path->text();
    ui->path->repaint();
    ui->path->setCursorPosition(0);
}

void Widget::on_minBtn_clicked()
{
    showMinimized();
}

void Widget::on_closeBtn_clicked()
{
    close();
}
