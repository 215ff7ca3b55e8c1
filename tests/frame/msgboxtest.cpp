// The message box offscreen: its form in both languages, and the answers
// when a button is clicked while it runs modal.
#include "msgbox.h"
#include "sandbox.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

QString size(const QSize &s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

QString margins(const QLayout *layout)
{
    const QMargins m = layout->contentsMargins();
    return QStringLiteral("%1,%2,%3,%4 spacing %5").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom()).arg(layout->spacing());
}

template <typename T>
T *child(QWidget *box, const char *name)
{
    return box->findChild<T *>(QLatin1String(name));
}

// The form as text: what a person and the style guide care about.
QString describe(QWidget *box)
{
    QStringList lines;
    lines << "box " + box->objectName() + " title \"" + box->windowTitle() + "\" size " + size(box->size()) + " max "
                 + size(box->maximumSize()) + " visible " + QString::number(box->isVisible()) + " modality "
                 + QString::number(box->windowModality()) + " translucent "
                 + QString::number(box->testAttribute(Qt::WA_TranslucentBackground)) + " frameless "
                 + QString::number(bool(box->windowFlags() & Qt::FramelessWindowHint));
    lines << "gridLayout " + margins(child<QGridLayout>(box, "gridLayout"));
    QWidget *body = child<QWidget>(box, "widget");
    lines << "widget min " + size(body->minimumSize()) + " max " + size(body->maximumSize()) + " size " + size(body->size());
    lines << "gridLayout_2 " + margins(child<QGridLayout>(box, "gridLayout_2"));
    QWidget *bar = child<QWidget>(box, "widget_2");
    lines << "widget_2 min " + size(bar->minimumSize()) + " max " + size(bar->maximumSize()) + " style " + bar->styleSheet();
    lines << "horizontalLayout " + margins(child<QLayout>(box, "horizontalLayout"));
    QLabel *title = child<QLabel>(box, "title");
    lines << "title \"" + title->text() + "\" align " + QString::number(title->alignment()) + " style " + title->styleSheet();
    QPushButton *close = child<QPushButton>(box, "closeButton");
    lines << "closeButton min " + size(close->minimumSize()) + " max " + size(close->maximumSize()) + " cursor "
                 + QString::number(close->cursor().shape()) + " text \"" + close->text() + "\" style " + close->styleSheet();
    lines << "widget_3 style " + child<QWidget>(box, "widget_3")->styleSheet();
    lines << "verticalLayout " + margins(child<QLayout>(box, "verticalLayout"));
    QLabel *info = child<QLabel>(box, "info");
    lines << "info \"" + info->text() + "\" policy " + QString::number(info->sizePolicy().horizontalPolicy()) + ","
                 + QString::number(info->sizePolicy().verticalPolicy()) + " point size " + QString::number(info->font().pointSize())
                 + " wrap " + QString::number(info->wordWrap());
    for (const char *name : { "okBtn", "noBtn" }) {
        QPushButton *button = child<QPushButton>(box, name);
        lines << QLatin1String(name) + " \"" + button->text() + "\" min " + size(button->minimumSize()) + " cursor "
                     + QString::number(button->cursor().shape()) + " visible " + QString::number(button->isVisible());
    }
    return lines.join(QLatin1Char('\n'));
}

QString expectedForm(bool zh, bool twoButtons, const QString &text)
{
    return QStringLiteral(
               "box MsgBox title \"Form\" size 396x206 max 396x206 visible 1 modality 2 translucent 1 frameless 1\n"
               "gridLayout 3,3,3,3 spacing 0\n"
               "widget min 390x200 max 390x200 size 390x200\n"
               "gridLayout_2 0,0,0,0 spacing 0\n"
               "widget_2 min 0x40 max 16777215x40 style #widget_2{background-color:#282828;}\n"
               "horizontalLayout 0,0,0,0 spacing 0\n"
               "title \"%1\" align 132 style color: rgb(204, 204, 204);\nfont:14px;\n"
               "closeButton min 28x28 max 28x28 cursor 13 text \"\" style QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\n"
               "background-position:center;\nbackground-color:transparent;\n}\nQPushButton{\n\tbackground-image:url(:/close.png);\n}\n"
               "QPushButton:hover{\n\tbackground-color:#e94b5b;\n}\n"
               "widget_3 style QWidget{color:#ccc;background-color:#424242;}\n"
               "QPushButton{background-color:#4291e3;border:0px;border-radius:2px;color:#fff;font:14px;}\n"
               "verticalLayout 20,20,20,20 spacing 3\n"
               "info \"%2\" policy 7,7 point size 12 wrap 1\n"
               "okBtn \"%3\" min 70x26 cursor 13 visible 1\n"
               "noBtn \"%4\" min 70x26 cursor 13 visible %5")
        .arg(zh ? QStringLiteral("提示") : QString(), text, zh ? QStringLiteral("确定") : QStringLiteral("OK"),
             zh ? QStringLiteral("取消") : QStringLiteral("Cancel"), twoButtons ? QStringLiteral("1") : QStringLiteral("0"));
}

// Waits for the running box, notes its form, and clicks one of its buttons.
class Answerer : public QObject
{
public:
    Answerer(const char *button)
        : button(button)
    {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, &Answerer::tryAnswer);
        timer.start();
        clock.start();
    }
    QString form;
    QPointer<QWidget> box;

private:
    void tryAnswer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && clock.elapsed() < 5000)
            return;
        timer.stop();
        if (!modal) {
            // Unblock the test; the empty form then fails it.
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (auto *stuck = qobject_cast<MsgBox *>(top))
                    QTest::mouseClick(stuck->findChild<QPushButton *>(QStringLiteral("okBtn")), Qt::LeftButton);
            }
            return;
        }
        box = modal;
        form = describe(modal);
        QTest::mouseClick(modal->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
    }
    const char *button;
    QTimer timer;
    QElapsedTimer clock;
};

}

class MsgBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void englishBeforeIsZh();
    void form_data();
    void form();
    void answers_data();
    void answers();
    void longTextWraps();

private:
    void useLanguage(const QString &lang);
    Sandbox sandbox;
};

void MsgBoxTest::initTestCase()
{
    failOnUnboundSlots();
    sandbox.enter();
    for (const char *key : { "OmbrixVPL", "OmbrixKD" }) {
        bool ok = false;
        sandbox.reg({ "add", QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key, "/v",
                      "installDir", "/d", "C:\\x", "/f" },
                    &ok);
        QVERIFY(ok);
    }
}

// The identity's language, fixed the way main does: a BaseWidget and isZh().
void MsgBoxTest::useLanguage(const QString &lang)
{
    for (const char *key : { "OmbrixVPL", "OmbrixKD" }) {
        sandbox.reg({ "add", QStringLiteral("HKCU\\Software\\Norvane\\%1\\Settings").arg(QLatin1String(key)), "/v", "info", "/d",
                      QStringLiteral("{\"lang\":\"%1\"}").arg(lang), "/f" });
    }
    BaseWidget identity;
    identity.isZh();
}

void MsgBoxTest::englishBeforeIsZh()
{
    MsgBox box(2);
    QCOMPARE(describe(&box), expectedForm(false, true, QString()));
}

void MsgBoxTest::form_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<int>("type");
    QTest::newRow("Chinese, two buttons") << "zh_cn" << 2;
    QTest::newRow("Chinese, one button") << "zh_cn" << 1;
    QTest::newRow("English, two buttons") << "en_us" << 2;
    QTest::newRow("English, one button") << "en_us" << 1;
}

void MsgBoxTest::form()
{
    QFETCH(QString, lang);
    QFETCH(int, type);
    useLanguage(lang);
    MsgBox box(type);
    box.setText(QStringLiteral("安装完成 / done"));
    QCOMPARE(describe(&box), expectedForm(lang != QLatin1String("en_us"), type != 1, QStringLiteral("安装完成 / done")));
}

void MsgBoxTest::answers_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    for (const char *lang : { "zh_cn", "en_us" }) {
        QTest::addRow("%s: question, confirm", lang) << lang << true << "okBtn" << 0;
        QTest::addRow("%s: question, cancel", lang) << lang << true << "noBtn" << 1;
        QTest::addRow("%s: question, close button", lang) << lang << true << "closeButton" << 1;
        QTest::addRow("%s: information, confirm", lang) << lang << false << "okBtn" << 0;
        QTest::addRow("%s: information, close button", lang) << lang << false << "closeButton" << 1;
    }
}

void MsgBoxTest::answers()
{
    QFETCH(QString, lang);
    QFETCH(bool, question);
    QFETCH(QString, button);
    QFETCH(int, answer);
    useLanguage(lang);
    const QByteArray name = button.toLatin1();
    Answerer answerer(name.constData());
    const QString text = QStringLiteral("是否继续? Continue?");
    const int result = question ? MsgTool::question(text) : MsgTool::information(text);
    QCOMPARE(answerer.form, expectedForm(lang != QLatin1String("en_us"), question, text));
    QCOMPARE(result, answer);
    // The box deletes itself once the event loop runs again.
    QVERIFY(answerer.box);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!answerer.box);
}

void MsgBoxTest::longTextWraps()
{
    useLanguage(QStringLiteral("zh_cn"));
    MsgBox box(2);
    const QString text = QStringLiteral("安装目录无法写入，请检查权限后重试。The folder cannot be written; check its permissions and try again. ").repeated(4);
    box.setText(text);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCoreApplication::processEvents();
    QCOMPARE(box.size(), QSize(396, 206));
    QWidget *body = box.findChild<QWidget *>(QStringLiteral("widget"));
    QCOMPARE(body->size(), QSize(390, 200));
    QLabel *info = box.findChild<QLabel *>(QStringLiteral("info"));
    QVERIFY(body->rect().contains(QRect(info->mapTo(body, QPoint(0, 0)), info->size())));
    QVERIFY2(info->heightForWidth(info->width()) > 3 * info->fontMetrics().height(), "the text is laid out on several lines");
}

QTEST_MAIN(MsgBoxTest)
#include "msgboxtest.moc"
