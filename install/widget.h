#ifndef WIDGET_H
#define WIDGET_H

#include "basewidget.h"

#include <QString>

namespace Ui {
class Widget;
}

// The installer's window: options, unpacking with progress, the
// installation steps, and the finish click that starts the client.
class Widget : public BaseWidget
{
    Q_OBJECT

public:
    explicit Widget(BaseWidget *parent = nullptr);
    ~Widget() override;

    // False when the delivery's version file is missing or empty.
    bool hasVersion() const { return !version.isEmpty(); }
    // Reinstallation: unpack into `folder` at once, without the option page.
    void installTo(QString folder);

private slots:
    void on_install_clicked();
    void on_para_clicked();
    void on_minBtn_clicked();
    void on_closeBtn_clicked();
    void on_browse_clicked();
    void zipOver();
    void oneOk();

private:
    void setProgress(int value);
    void setFolded(bool folded);
    void showBranding();
    void startExtraction();
    void finishClicked();

    void copyRuntimeFiles();
    void prepareUserData();
    bool brandExecutable();
    void makeShortcuts();
    void registerInstallation();
    void grantPermissions();
    void removeSiblingPlugins();
    void reportChannel();
    void showFinished();

    Ui::Widget *ui;
    QString version;
    int entryTotal = 0;
    static int extractedCount;
};

#endif
