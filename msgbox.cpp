#include "msgbox.h"
#include "ui_msgbox.h"

MsgBox::MsgBox(int type, QWidget *parent)
    : BaseWidget(parent)
    , ui(new Ui::MsgBox)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_ShowModal, true);
    setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    if (type == 1)
        ui->noBtn->hide();
    raise();
    show();
    if (!zh) {
        ui->title->setText(QString());
        ui->okBtn->setText(QStringLiteral("OK"));
        ui->noBtn->setText(QStringLiteral("Cancel"));
    }
}

MsgBox::~MsgBox()
{
    delete ui;
}

void MsgBox::setText(const QString &text)
{
    ui->info->setText(text);
}

void MsgBox::exec()
{
    loop.exec();
}

void MsgBox::finish(int value)
{
    answer = value;
    loop.quit();
    deleteLater();
}

void MsgBox::on_okBtn_clicked()
{
    finish(0);
}

void MsgBox::on_noBtn_clicked()
{
    finish(1);
}

void MsgBox::on_closeButton_clicked()
{
    finish(1);
}

int MsgTool::showMsg(int type, QString text)
{
    auto *box = new MsgBox(type, nullptr);
    box->setText(text);
    box->exec();
    return box->result();
}

int MsgTool::information(QString text)
{
    return showMsg(1, text);
}

int MsgTool::question(QString text)
{
    return showMsg(2, text);
}
