// The updater's window during or after a run against the update server of
// its service.ini, described on standard output:
// "updateview VERSION running|settled". "running" waits for the downloads to
// begin with the release note shown, "settled" for the run to end, failed
// or finished.
#include "updatework.h"
#include "widget.h"
#include "windowdump.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Microsoft Yahei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    BaseWidget identity;
    identity.isZh();

    updateVersion = app.arguments().value(1);
    const QString state = app.arguments().value(2);
    Widget window;
    window.show();
    auto *button = window.findChild<QPushButton *>(QStringLiteral("update"));
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    auto *note = window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    const bool reached = state == QLatin1String("running")
        ? WindowDump::waitFor([&] { return bar->value() >= 40 && !note->toPlainText().isEmpty(); })
        : WindowDump::waitFor([&] { return button->isEnabled(); });
    if (!reached)
        return 3;
    WindowDump::print(&window);
    // A run held up by the server would keep the window waiting for it.
    if (state == QLatin1String("running"))
        ::_exit(0);
    return 0;
}
