#include "widget.h"
#include "ui_widget.h"
#include "shortcutnames.h"
#include "updatetexts.h"
#include "updatework.h"
#include "platform/filesystem.h"
#include "platform/processes.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QThread>

namespace {

// A transfer that receives nothing for this long fails its stage.
constexpr int StallLimitMs = 60000;

}

Widget::Widget(BaseWidget *parent)
    : BaseWidget(parent)
    , ui(new Ui::Widget)
{
    ui->setupUi(this);
    if (!zh) {
        name = nameEN;
        ui->update->setText(UpdateTexts::updateButton(zh));
        ui->ut->setText(UpdateTexts::heading(zh));
    }
    ui->title->setText(name);
    if (third.isEmpty())
        ui->label->setStyleSheet(QStringLiteral("border-image: url(:/logo.png)"));
    else
        ui->label->setPixmap(QIcon(FileSystem::nativePath(installDir + QStringLiteral("/OB.ico"))).pixmap(16, 16));
    updateRoot = installDir;
    updateRoot.replace(QLatin1Char('\\'), QLatin1Char('/'));
    ::updateRoot = updateRoot;
    qDebug() << installDir << updateRoot;
    on_update_clicked();
}

Widget::~Widget()
{
    releaseWorker(true);
    delete ui;
}

void Widget::on_minBtn_clicked()
{
    showMinimized();
}

void Widget::on_closeBtn_clicked()
{
    close();
}

void Widget::on_update_clicked()
{
    ui->update->setText(UpdateTexts::updatingButton(zh));
    ui->update->setEnabled(false);
    ui->minBtn->hide();
    ui->closeBtn->hide();
    ui->err->clear();
    if (thread) {
        Processes::openWithShell(updateRoot + QLatin1Char('\\') + exe);
        close();
        return;
    }
    startRun();
    logState();
}

void Widget::startRun()
{
    thread = new QThread;
    work = new UpdateWork(updateHost, updateHostEn, StallLimitMs);
    connect(work, SIGNAL(content(QString)), this, SLOT(content(QString)));
    connect(work, SIGNAL(error(int)), this, SLOT(error(int)));
    connect(work, SIGNAL(pro(int)), this, SLOT(pro(int)));
    // Neither goes before the thread has ended: the worker may be deep in a
    // transfer, and the thread object must outlive its thread.
    connect(thread, &QThread::finished, work, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    work->moveToThread(thread);
    thread->start();
    QMetaObject::invokeMethod(work, "start", Q_ARG(bool, !zh), Q_ARG(QString, third));
}

void Widget::releaseWorker(bool wait)
{
    if (!thread)
        return;
    work->disconnect(this);
    if (wait)
        work->stop();
    thread->quit();
    if (wait) {
        thread->wait();
        delete thread;
    }
    work = nullptr;
    thread = nullptr;
}

void Widget::error(int err)
{
    qDebug() << "err" << err;
    ui->err->setText(UpdateTexts::failure(err, zh));
    releaseWorker(false);
    ui->update->setText(UpdateTexts::updateButton(zh));
    ui->update->setEnabled(true);
    ui->closeBtn->show();
    logState();
}

void Widget::content(QString note)
{
    ui->textEdit->setText(note);
}

void Widget::pro(int pro)
{
    qDebug() << "pro" << pro;
    ui->progressBar->setValue(pro);
    if (pro != 100 || !finishUpdate())
        return;
    ui->update->setText(UpdateTexts::finishButton(zh));
    ui->update->setEnabled(true);
    ui->closeBtn->show();
    logState();
}

// The registration the installer made, brought up to the new release.
bool Widget::finishUpdate()
{
    const QString generic = updateRoot + QStringLiteral("\\OmbrixVPL.exe");
    const QString branded = updateRoot + QLatin1Char('\\') + exe;
    const QString uninstaller = updateRoot + QStringLiteral("\\uninstall.exe");
    if (generic != branded && !QFile::rename(FileSystem::nativePath(generic), FileSystem::nativePath(branded))) {
        qDebug() << "cannot rename" << generic << "to" << branded;
        error(-3);
        return false;
    }
    uninstallSettings->beginGroup(productKey());
    uninstallSettings->setValue(QStringLiteral("UninstallString"), QLatin1Char('"') + uninstaller + QLatin1Char('"'));
    uninstallSettings->setValue(QStringLiteral("installDir"), updateRoot);
    uninstallSettings->setValue(QStringLiteral("DisplayVersion"), updateVersion);
    uninstallSettings->setValue(QStringLiteral("DisplayIcon"), branded);
    uninstallSettings->endGroup();
    uninstallSettings->sync();
    productSettings()->setValue(QStringLiteral("InstallDir"), updateRoot);
    productSettings()->sync();
    renewShortcuts(branded, uninstaller);
    FileSystem::grantEveryone(updateRoot);
    return true;
}

void Widget::renewShortcuts(const QString &branded, const QString &uninstaller)
{
    const QString startLink = ShortcutNames::start(name, zh);
    const QString uninstallLink = ShortcutNames::uninstall(name, zh);
    const QString oldFolder = startMenuPath() + QLatin1Char('/') + name;
    const QString folder = startMenuPath() + QLatin1Char('/') + ShortcutNames::menuFolder(third, name);
    const QString desktopLink = desktopPath() + QLatin1Char('/') + ShortcutNames::desktop(name);
    if (!name.isEmpty()) {
        veryDel(oldFolder + QLatin1Char('/') + startLink);
        veryDel(oldFolder + QLatin1Char('/') + uninstallLink);
        // Only the folder itself: the Start menu around it is not ours.
        QDir().rmdir(FileSystem::nativePath(oldFolder));
        veryDel(folder + QLatin1Char('/') + startLink);
        veryDel(folder + QLatin1Char('/') + uninstallLink);
        veryDel(desktopLink);
    }
    QDir().mkpath(FileSystem::nativePath(folder));
    FileSystem::createLink(branded, folder + QLatin1Char('/') + startLink);
    FileSystem::createLink(uninstaller, folder + QLatin1Char('/') + uninstallLink);
    FileSystem::createLink(branded, desktopLink);
}

void Widget::logState() const
{
    qDebug() << "shows" << ui->update->text() << ui->update->isEnabled() << ui->err->text() << !ui->closeBtn->isHidden();
}

void Widget::closeEvent(QCloseEvent *event)
{
    // The system may close the window while a run goes on; the run stops
    // at its next transfer or file and its thread ends before we do.
    releaseWorker(true);
    BaseWidget::closeEvent(event);
}
