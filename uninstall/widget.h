#ifndef WIDGET_H
#define WIDGET_H

#include "basewidget.h"

class QButtonGroup;
class QCloseEvent;
class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class Widget;
}

// The uninstaller's window: confirmation, the reason survey, the removal of
// everything the installer placed, and the clean-up script on closing.
class Widget : public BaseWidget
{
    Q_OBJECT

public:
    explicit Widget(BaseWidget *parent = nullptr);
    ~Widget() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_uninstall_clicked();
    void on_uninstall_commit_clicked();
    void on_uninstall_ok_clicked();
    void on_minBtn_clicked();
    void on_closeBtn_clicked();
    void on_cancel_clicked();
    void checkToggle(int idx, bool check);
    void repllyFinished(QNetworkReply *reply);
    void on_textEdit_textChanged();

private:
    void showPictures();
    void sendReport();
    void doUninstall();
    void removeShortcuts();
    void removeMaxScripts();
    void removeSketchUpPlugins();
    void setProgress(int value);

    Ui::Widget *ui;
    QNetworkAccessManager *manager = nullptr;
    QButtonGroup *buttonGroup = nullptr;
    bool uninstalled = false;
};

#endif
