#include "widget.h"
#include "platform/cleanup.h"
#include "platform/filesystem.h"
#include "platform/places.h"
#include "platform/processes.h"
#include "removalplan.h"
#include "survey.h"
#include "ui_widget.h"
#include "xfunc.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpressionValidator>
#include <QTextCursor>

namespace {

const char KDRender[] = "KDRender";
const int OtherBox = 5;

}

Widget::Widget(BaseWidget *parent)
    : BaseWidget(parent)
    , ui(new Ui::Widget)
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(0);
    ui->uninstall_ok->hide();

    if (!zh) {
        name = nameEN;
        ui->uninstall->setText(QStringLiteral("Uninstall"));
        ui->cancel->setText(QStringLiteral("Cancel"));
        ui->uninstall_commit->setText(QStringLiteral("Uninstall"));
        ui->uninstall_ok->setText(QStringLiteral("Finish"));
    }
    ui->title->setText(name);
    showPictures();
    ui->uninstall_commit->setEnabled(false);

    buttonGroup = new QButtonGroup(this);
    buttonGroup->setExclusive(false);
    int id = 1;
    for (QAbstractButton *box : { static_cast<QAbstractButton *>(ui->check1), static_cast<QAbstractButton *>(ui->check2),
                                  static_cast<QAbstractButton *>(ui->check3), static_cast<QAbstractButton *>(ui->check4),
                                  static_cast<QAbstractButton *>(ui->checkOther) }) {
        buttonGroup->addButton(box, id++);
        box->setCheckable(true);
    }
    connect(buttonGroup, SIGNAL(buttonToggled(int, bool)), this, SLOT(checkToggle(int, bool)));

    manager = new QNetworkAccessManager(this);
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(repllyFinished(QNetworkReply *)));
    const QString url = Survey::reasonListUrl(serverBase, third);
    qDebug() << url;
    manager->get(QNetworkRequest(QUrl(url)));

    ui->phone->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9a-zA-Z@.]+$")), this));
}

Widget::~Widget()
{
    delete ui;
}

void Widget::showPictures()
{
    QString picture = QStringLiteral(":/bg1.png");
    if (!third.isEmpty()) {
        const QIcon icon(FileSystem::nativePath(installDir + QStringLiteral("/OB.ico")));
        ui->label->setPixmap(icon.pixmap(16, 16));
        picture = QStringLiteral(":/bg1_third.png");
        if (third.contains(QLatin1String("NPZ")))
            picture = QStringLiteral(":/bg1_%1.png").arg(QStringLiteral("NPZ"));
    } else {
        ui->label->setStyleSheet(QStringLiteral("border-image: url(:/logo.png)"));
    }
    ui->label_bg->setPixmap(
        QPixmap(picture).scaled(ui->label_bg->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ui->label_bg->setAlignment(Qt::AlignCenter);
}

void Widget::on_uninstall_clicked()
{
    if (zh && (third.isEmpty() || third == QLatin1String(KDRender))) {
        ui->stackedWidget->setCurrentIndex(1);
        return;
    }
    on_uninstall_commit_clicked();
}

void Widget::on_uninstall_commit_clicked()
{
    if (Survey::sendsReport(third))
        sendReport();
    ui->stackedWidget->deleteLater();
    doUninstall();
}

void Widget::on_uninstall_ok_clicked()
{
    close();
}

void Widget::on_minBtn_clicked()
{
    showMinimized();
}

void Widget::on_closeBtn_clicked()
{
    close();
}

void Widget::on_cancel_clicked()
{
    close();
}

void Widget::checkToggle(int idx, bool check)
{
    ui->uninstall_commit->setEnabled(buttonGroup->checkedId() != -1);
    if (idx == OtherBox && !check)
        ui->textEdit->clear();
}

void Widget::repllyFinished(QNetworkReply *reply)
{
    qDebug() << reply->error() << reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299) {
        const QByteArray body = reply->readAll();
        qDebug() << QString::fromUtf8(body);
        const QList<Survey::Reason> reasons = Survey::shownReasons(body);
        // The boxes are gone once the removal has started; a late reply finds none.
        for (int i = 0; i < reasons.size(); ++i) {
            if (QAbstractButton *box = buttonGroup->button(i + 1)) {
                box->setText(reasons.at(i).text);
                box->setToolTip(Survey::reasonToolTip(reasons.at(i)));
            }
        }
        if (QAbstractButton *other = buttonGroup->button(OtherBox))
            other->setToolTip(Survey::otherToolTip());
    }
    manager->disconnect();
}

void Widget::on_textEdit_textChanged()
{
    QString text = ui->textEdit->toPlainText();
    const int excess = text.size() - Survey::OtherTextLimit;
    if (excess > 0) {
        // What was typed or pasted ends at the cursor; text set with the
        // cursor at the start loses its end instead.
        const int start = qMax(0, ui->textEdit->textCursor().position() - excess);
        text.remove(start, excess);
        ui->textEdit->setPlainText(text);
        QTextCursor cursor = ui->textEdit->textCursor();
        cursor.setPosition(start);
        ui->textEdit->setTextCursor(cursor);
    }
    ui->checkOther->setChecked(!text.isEmpty());
}

void Widget::sendReport()
{
    QStringList checked;
    const QList<QAbstractButton *> boxes = buttonGroup->buttons();
    for (QAbstractButton *box : boxes) {
        if (box->isChecked())
            checked.append(box->toolTip());
    }
    const QByteArray body = Survey::reportBody(checked, ui->textEdit->toPlainText(), ui->phone->text(), third);
    qDebug() << QString::fromUtf8(body);
    QNetworkRequest request(QUrl(Survey::reportUrl(serverBase)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    manager->post(request, body);
}

void Widget::setProgress(int value)
{
    ui->progressBar->setValue(value);
    if (ui->progressBar->value() == ui->progressBar->maximum())
        ui->progressBar->hide();
}

void Widget::doUninstall()
{
    ui->minBtn->hide();
    ui->closeBtn->hide();
    setProgress(10);

    if (existProcess(exe))
        killProcess(exe);
    setProgress(25);

    removeShortcuts();

    // The registry may hold anything; only a folder of the installer's shape
    // is deleted, and only there can the client to ask be found.
    const bool ownFolder = RemovalPlan::ownsInstallDir(installDir);
    if (!ownFolder)
        qDebug() << "not an installation folder, left on disk:" << installDir;
    if (third == QLatin1String(KDRender) && ownFolder && RemovalPlan::isBareFileName(exe))
        Processes::run(installDir + QLatin1Char('\\') + exe, { QStringLiteral("unitydel") }, Processes::DefaultTimeout);

    setProgress(40);
    if (ownFolder)
        veryDel(installDir);
    uninstallSettings->remove(productKey());
    uninstallSettings->sync();

    setProgress(70);
    // An empty name would remove every program's auto-start value.
    if (RemovalPlan::isBareFileName(exe))
        runSettings->remove(exe);
    runSettings->sync();
    vendorSettings->remove(productKey());
    vendorSettings->sync();

    if (third != QLatin1String(KDRender)) {
        removeMaxScripts();
        removeSketchUpPlugins();
    }

    setProgress(100);
    ui->uninstall_ok->show();
    ui->closeBtn->show();
    uninstalled = true;
}

void Widget::removeShortcuts()
{
    const QString folder = startMenuPath() + QLatin1Char('/') + RemovalPlan::shortcutGroup(third, name);
    const QString files[][2] = {
        { folder, RemovalPlan::startShortcutName(zh, name) },
        { folder, RemovalPlan::uninstallShortcutName(zh, name) },
        { desktopPath(), RemovalPlan::desktopShortcutName(name) },
    };
    for (const auto &file : files) {
        if (!file[1].isEmpty())
            veryDel(file[0] + QLatin1Char('/') + file[1]);
    }
}

void Widget::removeMaxScripts()
{
    const QStringList folders = allMaxPath();
    for (const QString &folder : folders)
        FileSystem::removeFile(RemovalPlan::maxScriptPath(folder));
}

void Widget::removeSketchUpPlugins()
{
    const QString appData = XFunc::readUserReg(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
                                               QStringLiteral("AppData"))
                                .toString();
    const QDir root(FileSystem::nativePath(appData + QStringLiteral("/SketchUp")));
    const QFileInfoList versions = root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &version : versions) {
        const QString plugin = RemovalPlan::sketchUpPluginPath(version.absoluteFilePath());
        XFunc::delPath(plugin + QStringLiteral(".rb"));
        XFunc::delPath(plugin);
    }
}

void Widget::closeEvent(QCloseEvent *event)
{
    if (uninstalled && RemovalPlan::ownsInstallDir(installDir)) {
        const QString folder = RemovalPlan::productFolder(installDir);
        if (RemovalPlan::batchCanQuote(folder))
            Cleanup::removeAfterExit(Places::systemRoot() + QStringLiteral("\\ClearVPL.bat"), folder,
                                     RemovalPlan::cleanupBatchText(folder));
        else
            qDebug() << "product folder cannot be quoted in the clean-up batch, kept:" << folder;
    }
    event->accept();
}
