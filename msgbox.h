#ifndef MSGBOX_H
#define MSGBOX_H

#include "basewidget.h"

#include <QEventLoop>

namespace Ui {
class MsgBox;
}

// The one dialog of the programs: application-modal, in the window style.
class MsgBox : public BaseWidget
{
    Q_OBJECT

public:
    explicit MsgBox(int type, QWidget *parent = nullptr);
    ~MsgBox() override;

    void setText(const QString &text);
    void exec();
    int result() const { return answer; }

private slots:
    void on_okBtn_clicked();
    void on_noBtn_clicked();
    void on_closeButton_clicked();

private:
    void finish(int value);

    Ui::MsgBox *ui;
    QEventLoop loop;
    int answer = 0;
};

class MsgTool : public QObject
{
    Q_OBJECT

public:
    static int showMsg(int type, QString text);
    static int information(QString text);
    // 0 when the user confirmed, 1 when declined or closed.
    static int question(QString text);
};

#endif
