#include "platform/registry.h"
#include "sandbox.h"
#include "widget.h"

#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedPointer>
#include <QStackedWidget>
#include <QTextEdit>

// The uninstaller's window without a removal: its form, texts, pictures and
// the reason page's rules. The identity comes from a sandbox registry.
class TestUninstallWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void form();
    void texts_data();
    void texts();
    void pictures_data();
    void pictures();
    void commitFollowsReasons();
    void otherText();
    void contact_data();
    void contact();
    void reasonPage_data();
    void reasonPage();

private:
    // The identity as the installer stores it; the test program's folder
    // names no edition, so the registry branch looks under "OmbrixKD".
    Widget *open(const QString &third, const QString &lang);
    // Clicks a check box on its indicator, as a person would.
    static void clickBox(QCheckBox *box) { QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2)); }
    // Keys that carry any text, Chinese included.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    template <typename T>
    static T *child(QWidget *window, const char *name)
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    Sandbox box;
    QString installDir;
    QScopedPointer<Widget> window;
};

void TestUninstallWidget::initTestCase()
{
    failOnUnboundSlots();
    QVERIFY(box.isValid());
    box.enter();
    installDir = box.programFiles() + QStringLiteral("/Ombrix/OmbrixVPL/2.0.1.07042");
    QDir().mkpath(installDir);
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(QColor(200, 30, 30));
    QVERIFY(icon.save(installDir + QStringLiteral("/OB.ico"), "ICO"));
}

void TestUninstallWidget::cleanup()
{
    window.reset();
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
}

Widget *TestUninstallWidget::open(const QString &third, const QString &lang)
{
    QScopedPointer<QSettings> entry(Registry::openKey(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OmbrixKD")));
    entry->setValue(QStringLiteral("installDir"), installDir);
    QScopedPointer<QSettings> settings(Registry::openKey(QStringLiteral("HKEY_CURRENT_USER\\Software\\Norvane\\OmbrixKD\\Settings")));
    settings->setValue(QStringLiteral("info"),
                       QStringLiteral(R"({"exe":"OmbrixVPL.exe","lang":"%1","mark":"m","name":"欧布渲染","nameEN":"Ombrix Render","third":"%2"})")
                           .arg(lang, third));
    entry->sync();
    settings->sync();
    BaseWidget identity;
    identity.isZh();
    window.reset(new Widget);
    window->show();
    return window.data();
}

void TestUninstallWidget::form()
{
    Widget *w = open(QString(), QStringLiteral("zh_cn"));
    QStringList lines;
    lines << QStringLiteral("%1 %2 %3x%4").arg(w->objectName(), w->windowTitle()).arg(w->width()).arg(w->height());
    const QList<QWidget *> all = w->findChildren<QWidget *>();
    for (QWidget *widget : all) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        // A page's geometry is the stack's business: it is laid out when shown.
        if (auto *stack = qobject_cast<QStackedWidget *>(widget->parentWidget())) {
            lines << QStringLiteral("%1 page %2").arg(widget->objectName()).arg(stack->indexOf(widget));
            continue;
        }
        const QRect g = widget->geometry();
        lines << QStringLiteral("%1 %2 in %3 at %4,%5 %6x%7 min %8x%9 max %10x%11 %12")
                     .arg(widget->objectName(), QLatin1String(widget->metaObject()->className()), widget->parentWidget()->objectName())
                     .arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
                     .arg(widget->minimumWidth()).arg(widget->minimumHeight())
                     .arg(widget->maximumWidth()).arg(widget->maximumHeight())
                     .arg(widget->cursor().shape() == Qt::PointingHandCursor ? QStringLiteral("hand") : QStringLiteral("-"));
    }
    lines.sort();
    const QString expected = QStringLiteral(
        "Widget Widget 586x386\n"
        "cancel QPushButton in page at 300,200 140x40 min 140x40 max 16777215x16777215 hand\n"
        "check1 QCheckBox in widget at 10,40 161x16 min 0x0 max 16777215x16777215 -\n"
        "check2 QCheckBox in widget at 180,40 161x16 min 0x0 max 16777215x16777215 -\n"
        "check3 QCheckBox in widget at 10,70 161x16 min 0x0 max 16777215x16777215 -\n"
        "check4 QCheckBox in widget at 180,70 161x16 min 0x0 max 16777215x16777215 -\n"
        "checkOther QCheckBox in widget at 10,100 71x16 min 0x0 max 16777215x16777215 -\n"
        "closeBtn QPushButton in widget_2 at 550,0 28x28 min 28x28 max 28x28 hand\n"
        "label QLabel in widget_2 at 5,10 16x16 min 16x16 max 16x16 -\n"
        "label_2 QLabel in widget at 10,10 171x21 min 0x0 max 16777215x16777215 -\n"
        "label_3 QLabel in widget at 10,180 201x21 min 0x0 max 16777215x16777215 -\n"
        "label_bg QLabel in page at 135,20 308x154 min 0x0 max 16777215x16777215 -\n"
        "label_bg_2 QLabel in widget_2 at 130,90 306x138 min 0x0 max 16777215x16777215 -\n"
        "minBtn QPushButton in widget_2 at 520,0 28x28 min 28x28 max 28x28 hand\n"
        "page page 0\n"
        "page_2 page 1\n"
        "phone QLineEdit in widget at 10,210 340x30 min 340x30 max 16777215x16777215 -\n"
        "progressBar QProgressBar in widget_2 at 130,250 310x10 min 0x0 max 16777215x16777215 -\n"
        "stackedWidget QStackedWidget in widget_2 at 0,40 580x321 min 0x0 max 16777215x16777215 -\n"
        "textEdit QTextEdit in widget at 10,120 340x50 min 340x50 max 16777215x16777215 -\n"
        "title QLabel in widget_2 at 25,10 181x16 min 0x0 max 16777215x16777215 -\n"
        "uninstall QPushButton in page at 135,200 140x40 min 140x40 max 16777215x16777215 hand\n"
        "uninstall_commit QPushButton in page_2 at 410,280 140x40 min 140x40 max 16777215x16777215 hand\n"
        "uninstall_ok QPushButton in widget_2 at 130,290 310x40 min 310x40 max 16777215x16777215 hand\n"
        "widget QWidget in page_2 at 90,0 401x261 min 0x0 max 16777215x16777215 -\n"
        "widget_2 QWidget in Widget at 3,3 580x380 min 580x380 max 580x380 -");
    QCOMPARE(lines, expected.split(QLatin1Char('\n')));

    // Bottom to top: the page stack covers the finish view until it is deleted.
    QStringList stacking;
    for (QObject *object : child<QWidget>(w, "widget_2")->children()) {
        if (object->isWidgetType())
            stacking << object->objectName();
    }
    QCOMPARE(stacking.join(QLatin1Char(' ')),
             QStringLiteral("progressBar uninstall_ok title label minBtn closeBtn label_bg_2 stackedWidget"));

    const QString s1 = QStringLiteral("QPushButton{background-color:#167ef1;border:0px;color:#fff;font:14px;}");
    const QString s7 = QStringLiteral("border:1px solid #ccc");
    const QStringList sheets {
        w->styleSheet(), child<QWidget>(w, "widget_2")->styleSheet(), child<QWidget>(w, "uninstall_ok")->styleSheet(),
        child<QWidget>(w, "minBtn")->styleSheet(), child<QWidget>(w, "closeBtn")->styleSheet(),
        child<QWidget>(w, "uninstall")->styleSheet(), child<QWidget>(w, "cancel")->styleSheet(),
        child<QWidget>(w, "uninstall_commit")->styleSheet(), child<QWidget>(w, "widget")->styleSheet(),
        child<QWidget>(w, "textEdit")->styleSheet(), child<QWidget>(w, "phone")->styleSheet(),
        child<QWidget>(w, "label_bg_2")->styleSheet(), child<QWidget>(w, "progressBar")->styleSheet(),
        child<QWidget>(w, "label_bg")->styleSheet(),
    };
    const QStringList expectedSheets {
        QStringLiteral("background-color: rgb(40, 40, 40);\ncolor: rgb(255, 255, 255);"),
        QString(),
        s1,
        QStringLiteral("QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\nbackground-position:center;\nbackground-color:transparent;\n}\n"
                       "/*最小化按钮*/\n#minBtn{\n\tbackground-image:url(:/min.png);\n\t\n}\n#minBtn:hover{\n\tbackground-color:#424242;\n}"),
        QStringLiteral("QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\nbackground-position:center;\nbackground-color:transparent;\n}\n\n"
                       "/*关闭按钮*/\n#closeBtn{\n\tbackground-image: url(:/close.png);\n}\n#closeBtn:hover{\n\tbackground-color:#e94b5b;\n}"),
        QStringLiteral("border:1px solid #167ef1;"),
        s1,
        QStringLiteral("QPushButton{\nbackground-color:#167ef1;\nborder:0px;color:#fff;\nfont:14px;}\nQPushButton:!enabled{\nbackground-color:#ccc;\n}"),
        QStringLiteral("font: 14px \"微软雅黑\";\ncolor: rgb(204, 204, 204);\n"),
        s7,
        s7,
        QStringLiteral("background-image: url(:/bg2.png);"),
        QStringLiteral("QProgressBar{\nborder:0px;\nbackground-color:#444444;\n}\nQProgressBar::chunk{\nborder:0px;\n"
                       "background-color:qlineargradient(spread:pad,x1:0,y1:0,x2:1,y2:0,stop:0 #73b6ff,stop:1 #03e0af);\n}"),
        QString(),
    };
    QCOMPARE(sheets, expectedSheets);

    QVERIFY(!child<QPushButton>(w, "uninstall_ok")->isVisible());
    QVERIFY(!child<QPushButton>(w, "uninstall_ok")->isFlat() && !child<QPushButton>(w, "cancel")->isFlat());
    QVERIFY(!child<QPushButton>(w, "uninstall_commit")->isEnabled());
    QCOMPARE(child<QStackedWidget>(w, "stackedWidget")->currentIndex(), 0);
    QCOMPARE(child<QLineEdit>(w, "phone")->maxLength(), 30);
    QVERIFY(!child<QLineEdit>(w, "phone")->isClearButtonEnabled());
    QCOMPARE(child<QProgressBar>(w, "progressBar")->value(), 0);
    QVERIFY(!child<QProgressBar>(w, "progressBar")->isTextVisible());
}

void TestUninstallWidget::texts_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("texts");

    const QString fixed = QStringLiteral("请选择卸载原因（必选）|无|无|无|无|其他|方便留下您的联系方式吗？|电话/邮箱/QQ");
    QTest::newRow("Chinese") << "zh_cn" << QStringLiteral("欧布渲染|卸载|取消|确定卸载|卸载完成|") + fixed;
    QTest::newRow("no language is Chinese") << "" << QStringLiteral("欧布渲染|卸载|取消|确定卸载|卸载完成|") + fixed;
    QTest::newRow("English") << "en_us" << QStringLiteral("Ombrix Render|Uninstall|Cancel|Uninstall|Finish|") + fixed;
}

void TestUninstallWidget::texts()
{
    QFETCH(QString, lang);
    QFETCH(QString, texts);
    Widget *w = open(QString(), lang);
    const QStringList got {
        child<QLabel>(w, "title")->text(),         child<QPushButton>(w, "uninstall")->text(),
        child<QPushButton>(w, "cancel")->text(),   child<QPushButton>(w, "uninstall_commit")->text(),
        child<QPushButton>(w, "uninstall_ok")->text(), child<QLabel>(w, "label_2")->text(),
        child<QCheckBox>(w, "check1")->text(),     child<QCheckBox>(w, "check2")->text(),
        child<QCheckBox>(w, "check3")->text(),     child<QCheckBox>(w, "check4")->text(),
        child<QCheckBox>(w, "checkOther")->text(), child<QLabel>(w, "label_3")->text(),
        child<QLineEdit>(w, "phone")->placeholderText(),
    };
    QCOMPARE(got.join(QLatin1Char('|')), texts);
}

void TestUninstallWidget::pictures_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<bool>("iconLogo");

    QTest::newRow("general edition") << QString() << ":/bg1.png" << false;
    QTest::newRow("partner build") << "MRARender" << ":/bg1_third.png" << true;
    QTest::newRow("Unity edition") << "KDRender" << ":/bg1_third.png" << true;
    QTest::newRow("NPZ partner") << "XNPZ2" << ":/bg1_NPZ.png" << true;
    QTest::newRow("npz in other case") << "npz" << ":/bg1_third.png" << true;
}

void TestUninstallWidget::pictures()
{
    QFETCH(QString, third);
    QFETCH(QString, picture);
    QFETCH(bool, iconLogo);
    Widget *w = open(third, QStringLiteral("zh_cn"));
    QLabel *bg = child<QLabel>(w, "label_bg");
    const QImage expected = QPixmap(picture).scaled(308, 154, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
    QVERIFY(!expected.isNull());
    QCOMPARE(bg->pixmap(Qt::ReturnByValue).toImage(), expected);
    QCOMPARE(bg->alignment(), Qt::AlignCenter);

    QLabel *logo = child<QLabel>(w, "label");
    if (iconLogo) {
        const QImage icon = logo->pixmap(Qt::ReturnByValue).toImage();
        QCOMPARE(icon.size(), QSize(16, 16));
        QCOMPARE(icon.pixelColor(8, 8), QColor(200, 30, 30));
        QCOMPARE(logo->styleSheet(), QString());
    } else {
        QVERIFY(logo->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(logo->styleSheet(), QStringLiteral("border-image: url(:/logo.png)"));
    }
}

void TestUninstallWidget::commitFollowsReasons()
{
    Widget *w = open(QString(), QStringLiteral("zh_cn"));
    QPushButton *commit = child<QPushButton>(w, "uninstall_commit");
    QCheckBox *check1 = child<QCheckBox>(w, "check1");
    QCheckBox *check4 = child<QCheckBox>(w, "check4");
    QTest::mouseClick(child<QPushButton>(w, "uninstall"), Qt::LeftButton);
    QVERIFY(check1->isVisible());

    QString states;
    auto note = [&]() { states += commit->isEnabled() ? QLatin1Char('E') : QLatin1Char('d'); };
    note();
    clickBox(check1);
    note();
    clickBox(check4);
    note();
    clickBox(check4);
    note();
    clickBox(check4);
    clickBox(check1);
    note();
    clickBox(check4);
    note();
    QCOMPARE(states, QStringLiteral("dEEEEd"));
}

void TestUninstallWidget::otherText()
{
    Widget *w = open(QString(), QStringLiteral("zh_cn"));
    QTest::mouseClick(child<QPushButton>(w, "uninstall"), Qt::LeftButton);
    QTextEdit *edit = child<QTextEdit>(w, "textEdit");
    QCheckBox *other = child<QCheckBox>(w, "checkOther");
    QPushButton *commit = child<QPushButton>(w, "uninstall_commit");

    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QVERIFY(other->isChecked());
    QVERIFY(commit->isEnabled());
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(!other->isChecked());
    QVERIFY(!commit->isEnabled());

    // A paste that would pass 100 characters keeps the part that fits.
    QTest::keyClicks(edit, QString(90, QLatin1Char('x')));
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(50);
    edit->setTextCursor(cursor);
    edit->insertPlainText(QStringLiteral("0123456789ABCDEFGHIJ"));
    QCOMPARE(edit->toPlainText(), QString(50, QLatin1Char('x')) + QStringLiteral("0123456789") + QString(40, QLatin1Char('x')));
    QCOMPARE(edit->textCursor().position(), 60);
    QTest::keyClicks(edit, QStringLiteral("yz"));
    QCOMPARE(edit->toPlainText().size(), 100);

    clickBox(other);
    QVERIFY(!other->isChecked());
    QCOMPARE(edit->toPlainText(), QString());
}

void TestUninstallWidget::contact_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("phone") << "13800138000" << "13800138000";
    QTest::newRow("mail") << "li.ming@mail.example" << "li.ming@mail.example";
    QTest::newRow("blanks, signs and Chinese refused") << "qq 12+3_4中-5" << "qq12345";
    QTest::newRow("at most 30") << QString(40, QLatin1Char('7')) << QString(30, QLatin1Char('7'));
}

void TestUninstallWidget::contact()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Widget *w = open(QString(), QStringLiteral("zh_cn"));
    QTest::mouseClick(child<QPushButton>(w, "uninstall"), Qt::LeftButton);
    QLineEdit *phone = child<QLineEdit>(w, "phone");
    phone->setFocus();
    type(phone, typed);
    QCOMPARE(phone->text(), kept);
}

void TestUninstallWidget::reasonPage_data()
{
    QTest::addColumn<QString>("third");
    QTest::addColumn<bool>("shown");

    QTest::newRow("general edition") << QString() << true;
    QTest::newRow("Unity edition") << "KDRender" << true;
}

void TestUninstallWidget::reasonPage()
{
    QFETCH(QString, third);
    QFETCH(bool, shown);
    Widget *w = open(third, QStringLiteral("zh_cn"));
    QStackedWidget *stack = child<QStackedWidget>(w, "stackedWidget");
    QVERIFY(child<QPushButton>(w, "minBtn")->isVisible());
    QTest::mouseClick(child<QPushButton>(w, "uninstall"), Qt::LeftButton);
    QCOMPARE(stack->currentIndex(), shown ? 1 : 0);
    QVERIFY(child<QPushButton>(w, "minBtn")->isVisible());
    QVERIFY(child<QPushButton>(w, "closeBtn")->isVisible());
}

QTEST_MAIN(TestUninstallWidget)
#include "tst_uninstallwidget.moc"
