#ifndef BASEWIDGET_H
#define BASEWIDGET_H

#include <QPoint>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QWidget>

class QMouseEvent;
class QPaintEvent;

// Base of every window of the three programs: loads the product identity,
// opens the registry handles the programs share, and gives the frameless
// window its outline and dragging.
class BaseWidget : public QWidget
{
    Q_OBJECT

public:
    explicit BaseWidget(QWidget *parent = nullptr);

    bool isZh();
    static QString productKey();
    static QString iniThird();
    QSettings *productSettings() const { return productHandle; }
    QString startMenuPath() const;
    QString desktopPath() const;

    static bool existProcess(QString name);
    static void killProcess(const QString &name);
    void veryDel(const QString &path);
    static QString readReg(QString key, QString valueName);
    static QString maxInstallDir(QString version, int kind);
    static QStringList allMaxPath();

    static QString third;
    static QString exe;
    static bool zh;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    virtual bool canDrag(QMouseEvent *event);

public:
    QPoint dragOffset;
    QString name;
    QString nameEN;
    QString mark;
    QString lang;
    QString appDir;
    QString installDir;
    QSettings *uninstallSettings = nullptr;
    QSettings *runSettings = nullptr;
    QSettings *vendorSettings = nullptr;
    QString serverBase;
    // Deployment: hosts of the operations and update servers, "host[:port]".
    QString channelHost;
    QString updateHost;
    QString updateHostEn;

private:
    QSettings *productHandle = nullptr;
};

#endif
