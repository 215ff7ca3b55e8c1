#ifndef WIDGET_H
#define WIDGET_H

#include "basewidget.h"

class QCloseEvent;
class QThread;
class UpdateWork;

namespace Ui {
class Widget;
}

// The updater's window: runs the update at once, shows the release note
// and the progress, offers a retry after a failure, re-registers the
// installation after success and then starts the client.
class Widget : public BaseWidget
{
    Q_OBJECT

public:
    explicit Widget(BaseWidget *parent = nullptr);
    ~Widget() override;

private slots:
    void on_minBtn_clicked();
    void on_closeBtn_clicked();
    void on_update_clicked();
    void error(int err);
    void pro(int pro);
    void content(QString note);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void startRun();
    // Lets go of the worker; with `wait` the run is stopped and its thread
    // has ended on return, otherwise the thread goes when it has ended.
    void releaseWorker(bool wait);
    bool finishUpdate();
    void renewShortcuts(const QString &branded, const QString &uninstaller);
    // What the window shows, for the diagnostics.
    void logState() const;

    Ui::Widget *ui;
    QThread *thread = nullptr;
    UpdateWork *work = nullptr;
    QString updateRoot;
};

#endif
