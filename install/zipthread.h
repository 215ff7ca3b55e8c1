#ifndef ZIPTHREAD_H
#define ZIPTHREAD_H

#include <QString>
#include <QThread>

// Unpacks the delivery's archive into the installation folder, away from
// the window's thread; one oneOk() per entry written, then finished().
class ZipThread : public QThread
{
    Q_OBJECT

public:
    void setPaths(const QString &destination, const QString &archive);

signals:
    void oneOk();

protected:
    void run() override;

private:
    QString destDir;
    QString zipPath;
};

#endif
