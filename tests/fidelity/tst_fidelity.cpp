// Every window of the three programs, in every state a person meets, held
// against the product's window tables: object names and classes, geometry
// and size limits, style sheets to the character, texts in both languages,
// what is shown and what is enabled. Each window is built offscreen by its
// probe program, which lies where the real program lies: in a delivery
// folder with OB.ico, OB.ini and version beside it for the installer, in an
// installation folder registered in the sandbox for the other two. Pixels
// are not compared; pictures are checked by their size.
#include "sandbox.h"

#include <JlCompress.h>

#include <QDir>
#include <array>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTextCodec>
#include <QtTest>

namespace {

const char Version[] = "2.0.1";
const char NewVersion[] = "2.1.0";

struct Edition {
    QString tag;
    QString third;
    QString name;
    QString nameEN;
};

const Edition General { QStringLiteral("general edition"), QString(), QStringLiteral("欧布渲染"), QStringLiteral("Ombrix Render") };
const Edition Channel { QStringLiteral("channel build"), QStringLiteral("MRARender"), QStringLiteral("欧布MRA"), QStringLiteral("Ombrix MRA") };
const Edition Npz { QStringLiteral("NPZ channel"), QStringLiteral("NPZRender"), QStringLiteral("欧布NPZ"), QStringLiteral("Ombrix NPZ") };
const Edition Unity { QStringLiteral("Unity edition"), QStringLiteral("KDRender"), QStringLiteral("欧布Unity"), QStringLiteral("Ombrix Unity") };

// The client's image name: no other test runs a process of that name, so the
// uninstaller's "end the running client" step finds nothing to end.
const char ClientExe[] = "FidelityVPL.exe";

const char Reasons[] = R"({"rows":[{"order":3,"reason":"不常用","id":31},{"order":1,"reason":"渲染太慢","id":11},)"
                       R"({"order":2,"reason":"价格太高","id":21},{"order":4,"reason":"换用其他软件","id":41},)"
                       R"({"order":5,"reason":"not shown","id":51}]})";
const char Note[] = "修复了若干问题 / fixes";

// The style sheets several windows share, exactly as the tables quote them.
const QString DarkWindow = QStringLiteral("background-color: rgb(40, 40, 40);\ncolor: rgb(255, 255, 255);");
const QString MinStyle = QStringLiteral(
    "QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\nbackground-position:center;\nbackground-color:transparent;\n}\n"
    "/*最小化按钮*/\n#minBtn{\n\tbackground-image:url(:/min.png);\n\t\n}\n#minBtn:hover{\n\tbackground-color:#424242;\n}");
const QString CloseStyle = QStringLiteral(
    "QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\nbackground-position:center;\nbackground-color:transparent;\n}\n\n"
    "/*关闭按钮*/\n#closeBtn{\n\tbackground-image: url(:/close.png);\n}\n#closeBtn:hover{\n\tbackground-color:#e94b5b;\n}");
const QString BarStyle = QStringLiteral(
    "QProgressBar{\nborder:0px;\nbackground-color:#444444;\n}\nQProgressBar::chunk{\nborder:0px;\n"
    "background-color:qlineargradient(spread:pad,x1:0,y1:0,x2:1,y2:0,stop:0 #73b6ff,stop:1 #03e0af);\n}");
const QString BlueButton = QStringLiteral("QPushButton{background-color:#167ef1;border:0px;color:#fff;font:14px;}");
const QString BlueFrame = QStringLiteral("border:1px solid #167ef1;");
const QString LogoStyle = QStringLiteral("border-image: url(:/logo.png)");

using Pairs = QList<QPair<QString, QString>>;

QString escaped(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return text;
}

QString lines(QStringList list)
{
    list.sort();
    return list.join(QLatin1Char('\n'));
}

// "name: value" lines, for the style and text tables.
QString pairLines(const Pairs &pairs)
{
    QStringList out;
    for (const auto &pair : pairs)
        out << pair.first + QStringLiteral(": ") + escaped(pair.second);
    return lines(out);
}

QString sortedWords(const QString &words)
{
    QStringList list = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    list.sort();
    return list.join(QLatin1Char(' '));
}

// Chinese and English text of each object, for the rows of one language.
Pairs inLanguage(const QList<std::array<const char *, 3>> &table, bool zh)
{
    Pairs out;
    for (const auto &row : table)
        out << qMakePair(QString::fromUtf8(row[0]), QString::fromUtf8(zh ? row[1] : row[2]));
    return out;
}

QString str(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString();
}

bool flag(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toBool();
}

// A probe's description, read the way the tables are laid out.
class View
{
public:
    explicit View(const QJsonObject &dump)
        : dump(dump)
    {
        for (const QJsonValue &value : dump.value(QLatin1String("widgets")).toArray())
            widgets.append(value.toObject());
    }

    // One line per widget and layout: class, parent, geometry, size limits
    // beyond the defaults, cursor.
    QString form() const
    {
        const QJsonObject w = window();
        QStringList out;
        out << QStringLiteral("%1 %2 title \"%3\" size %4%5%6%7%8")
                   .arg(str(w, "name"), str(w, "class"), str(w, "title"), str(w, "geometry").section(QLatin1Char(' '), 1), limits(w),
                        flag(w, "frameless") ? QStringLiteral(" frameless") : QString(),
                        flag(w, "translucent") ? QStringLiteral(" translucent") : QString(),
                        w.value(QLatin1String("modality")).toInt() == Qt::ApplicationModal ? QStringLiteral(" modal") : QString());
        const QStringList managed = layoutItems();
        const QStringList pages = stackPages();
        for (const QJsonObject &o : widgets) {
            const QString name = str(o, "name");
            QString line = QStringLiteral("%1 %2 in %3").arg(name, str(o, "class"), str(o, "parent"));
            // The geometry of a page or of a laid-out widget is its container's business.
            if (pages.contains(name))
                line += QStringLiteral(" page %1").arg(pages.indexOf(name));
            else if (!managed.contains(name))
                line += QStringLiteral(" at ") + str(o, "geometry") + limits(o);
            else if (str(o, "min") == str(o, "max"))
                line += QStringLiteral(" size ") + str(o, "min") + limits(o);
            else
                line += limits(o);
            if (flag(o, "hand"))
                line += QStringLiteral(" hand");
            out << line;
        }
        for (const QJsonValue &value : dump.value(QLatin1String("layouts")).toArray()) {
            const QJsonObject l = value.toObject();
            QStringList items;
            for (const QJsonValue &item : l.value(QLatin1String("items")).toArray())
                items << item.toString();
            out << QStringLiteral("%1 %2 in %3 margins %4 spacing %5: %6")
                       .arg(str(l, "name"), str(l, "class"), str(l, "parent"), str(l, "margins"))
                       .arg(l.value(QLatin1String("spacing")).toInt())
                       .arg(items.join(QStringLiteral(", ")));
        }
        return lines(out);
    }

    QString styles() const
    {
        Pairs out;
        for (const QJsonObject &o : withWindow()) {
            if (!str(o, "style").isEmpty())
                out << qMakePair(str(o, "name"), str(o, "style"));
        }
        return pairLines(out);
    }

    // Every text a person can read: captions, placeholders, tool-tips.
    QString texts() const
    {
        Pairs out;
        for (const QJsonObject &o : withWindow()) {
            for (const char *key : { "title", "text", "placeholder", "toolTip" }) {
                const QString text = str(o, key);
                if (!text.isEmpty())
                    out << qMakePair(qstrcmp(key, "text") == 0 ? str(o, "name") : str(o, "name") + QLatin1Char(' ') + QLatin1String(key), text);
            }
        }
        return pairLines(out);
    }

    // What each kind of widget carries besides its texts.
    QString settings() const
    {
        QStringList out;
        for (const QJsonObject &o : widgets) {
            const QString name = str(o, "name");
            if (o.contains(QLatin1String("checked")))
                out << name + (flag(o, "checked") ? QStringLiteral(" checked") : QStringLiteral(" unchecked"));
            if (flag(o, "flat"))
                out << name + QStringLiteral(" flat");
            if (flag(o, "readOnly"))
                out << name + QStringLiteral(" read-only");
            if (o.contains(QLatin1String("maxLength")) && o.value(QLatin1String("maxLength")).toInt() != 32767)
                out << name + QStringLiteral(" at most %1").arg(o.value(QLatin1String("maxLength")).toInt());
            if (flag(o, "clearButton"))
                out << name + QStringLiteral(" clear button");
            if (o.contains(QLatin1String("value")))
                out << QStringLiteral("%1 %2 of %3%4")
                           .arg(name)
                           .arg(o.value(QLatin1String("value")).toInt())
                           .arg(str(o, "range"), flag(o, "textVisible") ? QStringLiteral(" with text") : QString());
            if (!str(o, "pixmap").isEmpty())
                out << name + QStringLiteral(" picture ") + str(o, "pixmap");
            if (o.contains(QLatin1String("alignment"))) {
                if (o.value(QLatin1String("alignment")).toInt() == int(Qt::AlignCenter))
                    out << name + QStringLiteral(" centred");
                if (str(o, "policy") != QLatin1String("Preferred,Preferred"))
                    out << name + QStringLiteral(" policy ") + str(o, "policy");
            }
            if (flag(o, "wordWrap"))
                out << name + QStringLiteral(" wraps");
            if (o.value(QLatin1String("pointSize")).toInt() > 0)
                out << name + QStringLiteral(" point size %1").arg(o.value(QLatin1String("pointSize")).toInt());
            if (o.contains(QLatin1String("currentIndex")))
                out << name + QStringLiteral(" shows %1").arg(o.value(QLatin1String("currentIndex")).toInt());
        }
        return lines(out);
    }

    QString shown() const { return namesWhere("seen", true); }
    QString disabled() const { return namesWhere("enabled", false); }

    QString stacking(const QString &container) const
    {
        QStringList names;
        for (const QJsonValue &name : dump.value(QLatin1String("stacking")).toObject().value(container).toArray())
            names << name.toString();
        return names.join(QLatin1Char(' '));
    }

    QString resources() const
    {
        QStringList out;
        const QJsonObject all = dump.value(QLatin1String("resources")).toObject();
        for (auto it = all.begin(); it != all.end(); ++it)
            out << it.key() + QLatin1Char(' ') + it.value().toString();
        return lines(out);
    }

private:
    QJsonObject window() const { return dump.value(QLatin1String("window")).toObject(); }
    QList<QJsonObject> withWindow() const { return QList<QJsonObject> { window() } + widgets; }

    static QString limits(const QJsonObject &o)
    {
        QString text;
        if (str(o, "min") != QLatin1String("0x0"))
            text += QStringLiteral(" min ") + str(o, "min");
        if (str(o, "max") != QLatin1String("16777215x16777215"))
            text += QStringLiteral(" max ") + str(o, "max");
        return text;
    }

    QStringList layoutItems() const
    {
        QStringList names;
        for (const QJsonValue &value : dump.value(QLatin1String("layouts")).toArray()) {
            for (const QJsonValue &item : value.toObject().value(QLatin1String("items")).toArray())
                names << item.toString();
        }
        return names;
    }

    QStringList stackPages() const
    {
        QStringList names;
        for (const QJsonObject &o : widgets) {
            for (const QJsonValue &page : o.value(QLatin1String("pages")).toArray())
                names << page.toString();
        }
        return names;
    }

    QString namesWhere(const char *key, bool value) const
    {
        QStringList names;
        for (const QJsonObject &o : widgets) {
            if (flag(o, key) == value)
                names << str(o, "name");
        }
        names.sort();
        return names.join(QLatin1Char(' '));
    }

    QJsonObject dump;
    QList<QJsonObject> widgets;
};

// The install window's form, folded (380) or unfolded (510).
QString installForm(int panel)
{
    return lines({
        QStringLiteral("Widget Widget title \"Widget\" size 586x%1 min 586x%1 max 16777215x%1 frameless translucent").arg(panel + 6),
        QStringLiteral("gridLayout QGridLayout in Widget margins 3,3,3,3 spacing 0: widget_2"),
        QStringLiteral("widget_2 QWidget in Widget size 580x%1 min 580x%1 max 580x%1").arg(panel),
        QStringLiteral("widget QWidget in widget_2 at 0,380 580x130 min 0x130 max 16777215x130"),
        QStringLiteral("path QLineEdit in widget at 135,30 230x40 min 230x40"),
        QStringLiteral("browse QPushButton in widget at 366,30 80x40 min 80x40 hand"),
        QStringLiteral("startMenu QCheckBox in widget at 135,90 151x16"),
        QStringLiteral("autoRun QCheckBox in widget at 310,90 131x16"),
        QStringLiteral("label QLabel in widget_2 at 10,10 16x16 min 16x16 max 16x16"),
        QStringLiteral("title QLabel in widget_2 at 30,10 171x16"),
        QStringLiteral("minBtn QPushButton in widget_2 at 520,0 28x28 min 28x28 max 28x28 hand"),
        QStringLiteral("closeBtn QPushButton in widget_2 at 550,0 28x28 min 28x28 max 28x28 hand"),
        QStringLiteral("label_bg QLabel in widget_2 at 135,70 308x154"),
        QStringLiteral("progressBar QProgressBar in widget_2 at 135,240 310x10"),
        QStringLiteral("install QPushButton in widget_2 at 135,270 310x40 min 310x40 hand"),
        QStringLiteral("para QPushButton in widget_2 at 490,350 75x23 hand"),
        QStringLiteral("installFB QCheckBox in widget_2 at 250,335 151x16"),
    });
}

QString installStyles(const Edition &edition, const QString &arrow)
{
    Pairs styles {
        { QStringLiteral("Widget"), DarkWindow },
        { QStringLiteral("widget"), QStringLiteral("#widget{border-top:1px solid #1671f1;}") },
        { QStringLiteral("path"), QStringLiteral("background-color: rgb(64, 64, 64);\nborder:1px solid #575757;") },
        { QStringLiteral("browse"), BlueFrame },
        { QStringLiteral("minBtn"), MinStyle },
        { QStringLiteral("closeBtn"), CloseStyle },
        { QStringLiteral("progressBar"), BarStyle },
        { QStringLiteral("install"), BlueButton },
        { QStringLiteral("para"),
          QStringLiteral("QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\nbackground-position:right;\nbackground-color:transparent;\n"
                         "background-image: url(:/%1);\n}\n")
              .arg(arrow) },
    };
    if (edition.third.isEmpty())
        styles << qMakePair(QStringLiteral("label"), LogoStyle);
    return pairLines(styles);
}

const QList<std::array<const char *, 3>> InstallTexts {
    { "Widget title", "Widget", "Widget" },
    { "para", "自定义", "Custom" },
    { "browse", "浏览", "Browse" },
    { "startMenu", "添加到开始菜单", "Add to start menu" },
    { "autoRun", "开机自启动", "Auto-start-system" },
    { "installFB", "安装Fabrin", "安装Fabrin" },
};

const QList<std::array<const char *, 3>> UninstallTexts {
    { "Widget title", "Widget", "Widget" },
    { "uninstall", "卸载", "Uninstall" },
    { "cancel", "取消", "Cancel" },
    { "uninstall_commit", "确定卸载", "Uninstall" },
    { "uninstall_ok", "卸载完成", "Finish" },
    { "label_2", "请选择卸载原因（必选）", "请选择卸载原因（必选）" },
    { "checkOther", "其他", "其他" },
    { "label_3", "方便留下您的联系方式吗？", "方便留下您的联系方式吗？" },
    { "phone placeholder", "电话/邮箱/QQ", "电话/邮箱/QQ" },
};

// The reasons the loopback server lists, by their order, with their ids.
const Pairs ShownReasons {
    { QStringLiteral("check1"), QStringLiteral("渲染太慢") },   { QStringLiteral("check1 toolTip"), QStringLiteral("11") },
    { QStringLiteral("check2"), QStringLiteral("价格太高") },   { QStringLiteral("check2 toolTip"), QStringLiteral("21") },
    { QStringLiteral("check3"), QStringLiteral("不常用") },     { QStringLiteral("check3 toolTip"), QStringLiteral("31") },
    { QStringLiteral("check4"), QStringLiteral("换用其他软件") }, { QStringLiteral("check4 toolTip"), QStringLiteral("41") },
    { QStringLiteral("checkOther toolTip"), QStringLiteral("-1") },
};

const QString UninstallForm = lines({
    QStringLiteral("Widget Widget title \"Widget\" size 586x386 min 586x386 frameless translucent"),
    QStringLiteral("gridLayout QGridLayout in Widget margins 3,3,3,3 spacing 0: widget_2"),
    QStringLiteral("widget_2 QWidget in Widget size 580x380 min 580x380 max 580x380"),
    QStringLiteral("uninstall_ok QPushButton in widget_2 at 130,290 310x40 min 310x40 hand"),
    QStringLiteral("title QLabel in widget_2 at 25,10 181x16"),
    QStringLiteral("label QLabel in widget_2 at 5,10 16x16 min 16x16 max 16x16"),
    QStringLiteral("minBtn QPushButton in widget_2 at 520,0 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("closeBtn QPushButton in widget_2 at 550,0 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("stackedWidget QStackedWidget in widget_2 at 0,40 580x321"),
    QStringLiteral("page QWidget in stackedWidget page 0"),
    QStringLiteral("label_bg QLabel in page at 135,20 308x154"),
    QStringLiteral("uninstall QPushButton in page at 135,200 140x40 min 140x40 hand"),
    QStringLiteral("cancel QPushButton in page at 300,200 140x40 min 140x40 hand"),
    QStringLiteral("page_2 QWidget in stackedWidget page 1"),
    QStringLiteral("uninstall_commit QPushButton in page_2 at 410,280 140x40 min 140x40 hand"),
    QStringLiteral("widget QWidget in page_2 at 90,0 401x261"),
    QStringLiteral("label_2 QLabel in widget at 10,10 171x21"),
    QStringLiteral("check1 QCheckBox in widget at 10,40 161x16"),
    QStringLiteral("check2 QCheckBox in widget at 180,40 161x16"),
    QStringLiteral("check3 QCheckBox in widget at 10,70 161x16"),
    QStringLiteral("check4 QCheckBox in widget at 180,70 161x16"),
    QStringLiteral("checkOther QCheckBox in widget at 10,100 71x16"),
    QStringLiteral("textEdit QTextEdit in widget at 10,120 340x50 min 340x50"),
    QStringLiteral("label_3 QLabel in widget at 10,180 201x21"),
    QStringLiteral("phone QLineEdit in widget at 10,210 340x30 min 340x30"),
    QStringLiteral("label_bg_2 QLabel in widget_2 at 130,90 306x138"),
    QStringLiteral("progressBar QProgressBar in widget_2 at 130,250 310x10"),
});

// What is left once the page stack is gone.
const QString FinishViewForm = lines({
    QStringLiteral("Widget Widget title \"Widget\" size 586x386 min 586x386 frameless translucent"),
    QStringLiteral("gridLayout QGridLayout in Widget margins 3,3,3,3 spacing 0: widget_2"),
    QStringLiteral("widget_2 QWidget in Widget size 580x380 min 580x380 max 580x380"),
    QStringLiteral("uninstall_ok QPushButton in widget_2 at 130,290 310x40 min 310x40 hand"),
    QStringLiteral("title QLabel in widget_2 at 25,10 181x16"),
    QStringLiteral("label QLabel in widget_2 at 5,10 16x16 min 16x16 max 16x16"),
    QStringLiteral("minBtn QPushButton in widget_2 at 520,0 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("closeBtn QPushButton in widget_2 at 550,0 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("label_bg_2 QLabel in widget_2 at 130,90 306x138"),
    QStringLiteral("progressBar QProgressBar in widget_2 at 130,250 310x10"),
});

// S1 to S9 of the uninstaller's style table, by object.
Pairs uninstallStyles(const Edition &edition, bool withPages)
{
    const QString s7 = QStringLiteral("border:1px solid #ccc");
    Pairs styles {
        { QStringLiteral("Widget"), DarkWindow },
        { QStringLiteral("uninstall_ok"), BlueButton },
        { QStringLiteral("minBtn"), MinStyle },
        { QStringLiteral("closeBtn"), CloseStyle },
        { QStringLiteral("label_bg_2"), QStringLiteral("background-image: url(:/bg2.png);") },
        { QStringLiteral("progressBar"), BarStyle },
    };
    if (withPages)
        styles << qMakePair(QStringLiteral("uninstall"), BlueFrame) << qMakePair(QStringLiteral("cancel"), BlueButton)
               << qMakePair(QStringLiteral("uninstall_commit"),
                            QStringLiteral("QPushButton{\nbackground-color:#167ef1;\nborder:0px;color:#fff;\nfont:14px;}\n"
                                           "QPushButton:!enabled{\nbackground-color:#ccc;\n}"))
               << qMakePair(QStringLiteral("widget"), QStringLiteral("font: 14px \"微软雅黑\";\ncolor: rgb(204, 204, 204);\n"))
               << qMakePair(QStringLiteral("textEdit"), s7) << qMakePair(QStringLiteral("phone"), s7);
    if (edition.third.isEmpty())
        styles << qMakePair(QStringLiteral("label"), LogoStyle);
    return styles;
}

const QString UpdateForm = lines({
    QStringLiteral("Widget Widget title \"Widget\" size 586x386 min 586x386 frameless translucent"),
    QStringLiteral("gridLayout QGridLayout in Widget margins 3,3,3,3 spacing 0: widget"),
    QStringLiteral("widget QWidget in Widget size 580x380 min 580x380 max 580x380"),
    QStringLiteral("title QLabel in widget at 30,10 181x16"),
    QStringLiteral("label QLabel in widget at 10,10 16x16 min 16x16 max 16x16"),
    QStringLiteral("minBtn QPushButton in widget at 520,0 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("closeBtn QPushButton in widget at 550,0 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("ut QLabel in widget at 140,30 171x21"),
    QStringLiteral("textEdit QTextEdit in widget at 135,60 310x200 min 310x200 max 310x200"),
    QStringLiteral("progressBar QProgressBar in widget at 135,270 310x10"),
    QStringLiteral("err QLabel in widget at 135,285 311x16"),
    QStringLiteral("update QPushButton in widget at 135,310 310x40 min 310x40 hand"),
});

QString updateStyles(const Edition &edition)
{
    Pairs styles {
        { QStringLiteral("widget"), QStringLiteral("background-color: rgb(40, 40, 40);\ncolor: #ccc;\nfont: 12px \"微软雅黑\";") },
        { QStringLiteral("minBtn"), MinStyle },
        { QStringLiteral("closeBtn"), CloseStyle },
        { QStringLiteral("textEdit"), QStringLiteral("background-color: rgb(64, 64, 64);\nborder:1px solid #575757;") },
        { QStringLiteral("progressBar"), BarStyle },
        { QStringLiteral("err"), QStringLiteral("color: rgb(255, 0, 0);") },
        { QStringLiteral("update"),
          QStringLiteral("QPushButton{\nbackground-color:#167ef1;\nborder:0px;\ncolor:#fff;\nfont:14px;}\nQPushButton:!enabled{background-color:#404040;}") },
    };
    if (edition.third.isEmpty())
        styles << qMakePair(QStringLiteral("label"), LogoStyle);
    return pairLines(styles);
}

const QString MsgBoxForm = lines({
    QStringLiteral("MsgBox MsgBox title \"Form\" size 396x206 min 396x206 max 396x206 frameless translucent modal"),
    QStringLiteral("gridLayout QGridLayout in MsgBox margins 3,3,3,3 spacing 0: widget"),
    QStringLiteral("widget QWidget in MsgBox size 390x200 min 390x200 max 390x200"),
    QStringLiteral("gridLayout_2 QGridLayout in widget margins 0,0,0,0 spacing 0: widget_2, widget_3"),
    QStringLiteral("widget_2 QWidget in widget min 0x40 max 16777215x40"),
    QStringLiteral("horizontalLayout QHBoxLayout in widget_2 margins 0,0,0,0 spacing 0: "
                   "spacer 199x20 expanding, title, spacer 199x20 expanding, closeButton"),
    QStringLiteral("title QLabel in widget_2"),
    QStringLiteral("closeButton QPushButton in widget_2 size 28x28 min 28x28 max 28x28 hand"),
    QStringLiteral("widget_3 QWidget in widget"),
    QStringLiteral("verticalLayout QVBoxLayout in widget_3 margins 20,20,20,20 spacing 3: info, horizontalLayout_4"),
    QStringLiteral("info QLabel in widget_3"),
    QStringLiteral("horizontalLayout_4 QHBoxLayout in verticalLayout margins 0,0,0,0 spacing 3: spacer 40x20 expanding, okBtn, noBtn"),
    QStringLiteral("okBtn QPushButton in widget_3 min 70x26 hand"),
    QStringLiteral("noBtn QPushButton in widget_3 min 70x26 hand"),
});

const QString MsgBoxStyles = pairLines({
    { QStringLiteral("widget_2"), QStringLiteral("#widget_2{background-color:#282828;}") },
    { QStringLiteral("title"), QStringLiteral("color: rgb(204, 204, 204);\nfont:14px;") },
    { QStringLiteral("closeButton"),
      QStringLiteral("QPushButton{\nborder:0px;\nbackground-repeat:notrepeat;\nbackground-position:center;\nbackground-color:transparent;\n}\n"
                     "QPushButton{\n\tbackground-image:url(:/close.png);\n}\nQPushButton:hover{\n\tbackground-color:#e94b5b;\n}") },
    { QStringLiteral("widget_3"),
      QStringLiteral("QWidget{color:#ccc;background-color:#424242;}\n"
                     "QPushButton{background-color:#4291e3;border:0px;border-radius:2px;color:#fff;font:14px;}") },
});

void writeIcon(const QString &folder)
{
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(QColor(22, 126, 241));
    icon.save(folder + QStringLiteral("/OB.ico"), "ICO");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

}

Q_DECLARE_METATYPE(Edition)

class TestFidelity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void installWindow_data();
    void installWindow();
    void uninstallWindow_data();
    void uninstallWindow();
    void updateWindow_data();
    void updateWindow();
    void messageBox_data();
    void messageBox();
    void pictures_data();
    void pictures();

private:
    static void addViewColumns();
    // Compares the row's expected form, styles, texts, settings, shown and
    // disabled widgets with the view.
    static void compareView(const View &view);

    QString makeDelivery(const Edition &edition, const QString &lang);
    QString makeInstallation(const Edition &edition, const QString &lang, const QString &program);
    void runView(const QString &program, const QString &folder, const QStringList &arguments, QJsonObject *dump);

    QTemporaryDir fixtures;
    QScopedPointer<TestServer> server;
    QScopedPointer<Sandbox> sandbox;
};

void TestFidelity::initTestCase()
{
    failOnUnboundSlots();
    QVERIFY(fixtures.isValid());
    QFile reasons(fixtures.filePath(QStringLiteral("reasons.json")));
    QVERIFY(reasons.open(QIODevice::WriteOnly));
    reasons.write(Reasons);
    reasons.close();
    // The newer release: a changed file, and the generic client executable
    // the updater renames to the build's name.
    const QString release = fixtures.filePath(QStringLiteral("release"));
    QVERIFY(QDir().mkpath(release));
    for (const char *file : { "readme.txt", "OmbrixVPL.exe" }) {
        QFile out(release + QLatin1Char('/') + QLatin1String(file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray("new ") + file + '\n');
    }
    server.reset(new TestServer({ QStringLiteral("--reasons"), reasons.fileName(), QStringLiteral("--release"), release,
                                  QStringLiteral("--note"), QString::fromUtf8(Note) }));
    QVERIFY(server->isValid());
}

void TestFidelity::init()
{
    sandbox.reset(new Sandbox);
    QVERIFY(sandbox->isValid());
    for (const char *route : { "stream", "manifest" })
        QVERIFY(server->setFault(QLatin1String(route), QStringLiteral("none")));
}

void TestFidelity::cleanup()
{
    sandbox.reset();
}

// A delivery as the installer finds it beside itself, the probe in its place.
QString TestFidelity::makeDelivery(const Edition &edition, const QString &lang)
{
    const QString folder = sandbox->path(QStringLiteral("delivery"));
    QDir().mkpath(folder + QStringLiteral("/client"));
    {
        QSettings ini(folder + QStringLiteral("/OB.ini"), QSettings::IniFormat);
        ini.setIniCodec(QTextCodec::codecForName("GB2312"));
        ini.setValue(QStringLiteral("info/third"), edition.third);
        ini.setValue(QStringLiteral("info/name"), edition.name);
        ini.setValue(QStringLiteral("info/nameEN"), edition.nameEN);
        ini.setValue(QStringLiteral("info/exe"), QLatin1String(ClientExe));
        ini.setValue(QStringLiteral("info/mark"), QStringLiteral("fidelity"));
        ini.setValue(QStringLiteral("info/lang"), lang);
        QSettings service(folder + QStringLiteral("/service.ini"), QSettings::IniFormat);
        service.setValue(QStringLiteral("server/channelHost"), server->host());
    }
    writeFile(folder + QStringLiteral("/version"), QByteArray("\"") + Version + "\"\n");
    writeFile(folder + QStringLiteral("/client/OmbrixVPL.exe"), "client\n");
    JlCompress::compressDir(folder + QStringLiteral("/files.zip"), folder + QStringLiteral("/client"));
    writeIcon(folder);
    QFile::copy(TestPaths::bin(QStringLiteral("installview")), folder + QStringLiteral("/installview"));
    return folder;
}

// An installation as the installer leaves it, registered in the sandbox,
// with the probe in the installation folder.
QString TestFidelity::makeInstallation(const Edition &edition, const QString &lang, const QString &program)
{
    const bool unity = edition.third == Unity.third;
    const QString key = unity ? QStringLiteral("OmbrixKD") : QStringLiteral("OmbrixVPL");
    const QString folder = sandbox->programFiles() + (unity ? QStringLiteral("/Ombrix/Ombrix for Unity/") : QStringLiteral("/Ombrix/OmbrixVPL/"))
        + QLatin1String(Version) + QStringLiteral(".07042");
    QDir().mkpath(folder);
    QString registered = folder;
    registered.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString info = QStringLiteral(R"({"exe":"%1","lang":"%2","mark":"fidelity","name":"%3","nameEN":"%4","third":"%5"})")
                             .arg(QLatin1String(ClientExe), lang, edition.name, edition.nameEN, edition.third);
    bool entry = false;
    bool settings = false;
    sandbox->reg({ QStringLiteral("add"), QStringLiteral("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key,
                   QStringLiteral("/v"), QStringLiteral("installDir"), QStringLiteral("/d"), registered, QStringLiteral("/f") },
                 &entry);
    sandbox->reg({ QStringLiteral("add"), QStringLiteral("HKCU\\Software\\Norvane\\%1\\Settings").arg(key), QStringLiteral("/v"),
                   QStringLiteral("info"), QStringLiteral("/d"), info, QStringLiteral("/f") },
                 &settings);
    if (!entry || !settings)
        return QString();
    {
        QSettings service(folder + QStringLiteral("/service.ini"), QSettings::IniFormat);
        service.setValue(QStringLiteral("server/bs"), server->base());
        service.setValue(QStringLiteral("server/updateHost"), server->host());
        service.setValue(QStringLiteral("server/updateHostEn"), server->host());
    }
    writeFile(folder + QStringLiteral("/readme.txt"), "the installed release\n");
    writeIcon(folder);
    QFile::copy(TestPaths::bin(program), folder + QLatin1Char('/') + program);
    return folder;
}

void TestFidelity::runView(const QString &program, const QString &folder, const QStringList &arguments, QJsonObject *dump)
{
    QVERIFY(!folder.isEmpty());
    QProcess probe;
    probe.setProcessEnvironment(sandbox->environment());
    probe.setWorkingDirectory(folder);
    probe.start(folder + QLatin1Char('/') + program, arguments);
    const bool finished = probe.waitForFinished(90000);
    const QByteArray out = probe.readAllStandardOutput();
    const QByteArray diagnostics = probe.readAllStandardError();
    QVERIFY2(finished && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0,
             qPrintable(QStringLiteral("%1 %2 ended with %3:\n%4")
                            .arg(program, arguments.join(QLatin1Char(' ')))
                            .arg(probe.exitCode())
                            .arg(QString::fromUtf8(diagnostics))));
    QVERIFY2(!diagnostics.contains("No matching signal"), diagnostics.constData());
    const int start = out.indexOf("DUMP ");
    QVERIFY2(start >= 0, out.constData());
    QString text = QString::fromUtf8(out.mid(start + 5, out.indexOf('\n', start) - start - 5));
    text.replace(sandbox->root(), QStringLiteral("SB"));
    *dump = QJsonDocument::fromJson(text.toUtf8()).object();
    QVERIFY(!dump->isEmpty());
}

void TestFidelity::addViewColumns()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("styles");
    QTest::addColumn<QString>("texts");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("disabled");
}

// The first line that differs, named, so a failure says what deviates.
void compareLines(const char *section, const QString &actual, const QString &expected)
{
    const QStringList got = actual.split(QLatin1Char('\n'));
    const QStringList wanted = expected.split(QLatin1Char('\n'));
    for (int i = 0; i < qMax(got.size(), wanted.size()); ++i) {
        QVERIFY2(got.value(i) == wanted.value(i),
                 qPrintable(QStringLiteral("%1, line %2\n   actual:   %3\n   expected: %4").arg(QLatin1String(section)).arg(i + 1).arg(got.value(i), wanted.value(i))));
    }
}

void TestFidelity::compareView(const View &view)
{
    QFETCH(QString, form);
    QFETCH(QString, styles);
    QFETCH(QString, texts);
    QFETCH(QString, settings);
    QFETCH(QString, shown);
    QFETCH(QString, disabled);
    const struct {
        const char *section;
        QString actual;
        QString expected;
    } sections[] = {
        { "form", view.form(), form },
        { "style sheets", view.styles(), styles },
        { "texts", view.texts(), texts },
        { "settings", view.settings(), settings },
        { "shown", view.shown(), sortedWords(shown) },
        { "disabled", view.disabled(), sortedWords(disabled) },
    };
    for (const auto &section : sections) {
        compareLines(section.section, section.actual, section.expected);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestFidelity::installWindow_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("state");
    addViewColumns();

    struct State {
        const char *name;
        int panel;
        const char *arrow;
        int progress;
        const char *shown;
    };
    const State states[] = {
        { "folded", 380, "down.png", 0, "widget_2 label title minBtn closeBtn label_bg install para" },
        { "unfolded", 510, "up.png", 0, "widget_2 label title minBtn closeBtn label_bg install para widget path browse startMenu autoRun" },
        { "installing", 380, "down.png", 10, "widget_2 label title label_bg progressBar" },
        { "finished", 380, "down.png", 100, "widget_2 label title closeBtn label_bg install" },
    };
    // The NPZ banner, 160 x 206, keeps its aspect ratio inside 308 x 154.
    const QPair<Edition, const char *> editions[] = { { General, "308x154" }, { Channel, "308x154" }, { Npz, "119x154" } };
    for (const auto &edition : editions) {
        const Edition &e = edition.first;
        for (const bool zh : { true, false }) {
            for (const State &state : states) {
                const bool finished = qstrcmp(state.name, "finished") == 0;
                const bool offersSibling = finished && zh && e.third.isEmpty();
                Pairs texts = inLanguage(InstallTexts, zh);
                texts << qMakePair(QStringLiteral("title"), zh ? e.name : e.nameEN)
                      << qMakePair(QStringLiteral("path"), QStringLiteral("SB/programfiles\\") + (e.third.isEmpty() ? QStringLiteral("Ombrix") : e.third))
                      << qMakePair(QStringLiteral("install"), finished ? (zh ? QStringLiteral("开启") + e.name : QStringLiteral("Finish"))
                                                                       : (zh ? QStringLiteral("一键安装") : QStringLiteral("Install")));
                QStringList settings { QStringLiteral("startMenu checked"), QStringLiteral("autoRun checked"), QStringLiteral("path read-only"),
                                       QStringLiteral("label_bg centred"), QStringLiteral("label_bg picture ") + QLatin1String(edition.second),
                                       QStringLiteral("progressBar %1 of 0-100").arg(state.progress),
                                       QStringLiteral("installFB ") + (finished && !offersSibling ? QStringLiteral("unchecked") : QStringLiteral("checked")) };
                if (!e.third.isEmpty())
                    settings << QStringLiteral("label picture 16x16");
                QTest::addRow("%s, %s, %s", state.name, zh ? "Chinese" : "English", qPrintable(e.tag))
                    << e << (zh ? QStringLiteral("zh_cn") : QStringLiteral("en_us")) << QString::fromLatin1(state.name) << installForm(state.panel)
                    << installStyles(e, QLatin1String(state.arrow)) << pairLines(texts) << lines(settings)
                    << QString::fromLatin1(state.shown) + (offersSibling ? QStringLiteral(" installFB") : QString()) << QString();
            }
        }
    }
}

void TestFidelity::installWindow()
{
    QFETCH(Edition, edition);
    QFETCH(QString, lang);
    QFETCH(QString, state);
    QJsonObject dump;
    runView(QStringLiteral("installview"), makeDelivery(edition, lang), { state }, &dump);
    if (QTest::currentTestFailed())
        return;
    compareView(View(dump));
}

void TestFidelity::uninstallWindow_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("stacking");
    addViewColumns();

    const QString confirmationShown = QStringLiteral("widget_2 title label minBtn closeBtn stackedWidget page label_bg uninstall cancel");
    const QString reasonShown = QStringLiteral(
        "widget_2 title label minBtn closeBtn stackedWidget page_2 uninstall_commit widget label_2 check1 check2 check3 check4 checkOther "
        "textEdit label_3 phone");
    const QString finishShown = QStringLiteral("widget_2 title label closeBtn label_bg_2 uninstall_ok");
    const QString withStack = QStringLiteral("progressBar uninstall_ok title label minBtn closeBtn label_bg_2 stackedWidget");
    const QString withoutStack = QStringLiteral("progressBar uninstall_ok title label minBtn closeBtn label_bg_2");

    struct Row {
        const char *state;
        Edition edition;
        bool zh;
        const char *picture;
    };
    // The NPZ picture, 203 x 218, keeps its aspect ratio inside 308 x 154.
    const Row rows[] = {
        { "confirmation", General, true, "308x154" }, { "confirmation", General, false, "308x154" },
        { "confirmation", Channel, true, "308x154" }, { "confirmation", Npz, true, "143x154" },
        { "reasons", General, true, "308x154" },      { "reasons", Unity, true, "308x154" },
        { "finished", General, true, nullptr },       { "finished", General, false, nullptr },
    };
    for (const Row &row : rows) {
        const Edition &e = row.edition;
        const bool finished = !row.picture;
        const bool reasons = qstrcmp(row.state, "reasons") == 0;
        Pairs texts;
        if (finished) {
            texts << qMakePair(QStringLiteral("Widget title"), QStringLiteral("Widget"))
                  << qMakePair(QStringLiteral("uninstall_ok"), row.zh ? QStringLiteral("卸载完成") : QStringLiteral("Finish"));
        } else {
            texts << inLanguage(UninstallTexts, row.zh) << ShownReasons;
        }
        texts << qMakePair(QStringLiteral("title"), row.zh ? e.name : e.nameEN);
        QStringList settings;
        if (finished) {
            settings << QStringLiteral("progressBar 100 of 0-100");
        } else {
            settings << QStringLiteral("check1 unchecked") << QStringLiteral("check2 unchecked") << QStringLiteral("check3 unchecked")
                     << QStringLiteral("check4 unchecked") << QStringLiteral("checkOther unchecked") << QStringLiteral("label_bg centred")
                     << QStringLiteral("label_bg picture ") + QLatin1String(row.picture) << QStringLiteral("phone at most 30")
                     << QStringLiteral("progressBar 0 of 0-100") << QStringLiteral("stackedWidget shows %1").arg(reasons ? 1 : 0);
        }
        if (!e.third.isEmpty())
            settings << QStringLiteral("label picture 16x16");
        const char *stateName = finished ? "finish view" : reasons ? "reason page" : "confirmation";
        QTest::addRow("%s, %s, %s", stateName, row.zh ? "Chinese" : "English", qPrintable(e.tag))
            << e << (row.zh ? QStringLiteral("zh_cn") : QStringLiteral("en_us")) << QString::fromLatin1(row.state)
            << (finished ? withoutStack : withStack) << (finished ? FinishViewForm : UninstallForm) << pairLines(uninstallStyles(e, !finished))
            << pairLines(texts) << lines(settings) << (finished ? finishShown : reasons ? reasonShown : confirmationShown)
            << (finished ? QString() : QStringLiteral("uninstall_commit"));
    }
}

void TestFidelity::uninstallWindow()
{
    QFETCH(Edition, edition);
    QFETCH(QString, lang);
    QFETCH(QString, state);
    QFETCH(QString, stacking);
    QJsonObject dump;
    runView(QStringLiteral("uninstallview"), makeInstallation(edition, lang, QStringLiteral("uninstallview")), { state }, &dump);
    if (QTest::currentTestFailed())
        return;
    const View view(dump);
    compareView(view);
    // Bottom to top: the page stack covers the finish view until it is deleted.
    compareLines("stacking", view.stacking(QStringLiteral("widget_2")), stacking);
}

void TestFidelity::updateWindow_data()
{
    QTest::addColumn<Edition>("edition");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("state");
    addViewColumns();

    struct Row {
        const char *tag;
        Edition edition;
        bool zh;
        const char *route;
        const char *fault;
        const char *button;
        const char *red;
        int progress;
    };
    const Row rows[] = {
        { "running with a note, Chinese", General, true, "stream", "stall", "更新中", "", 40 },
        { "running with a note, English", General, false, "stream", "stall", "Updating", "", 40 },
        { "running with a note, Chinese, channel build", Channel, true, "stream", "stall", "更新中", "", 40 },
        { "failed download, Chinese", General, true, "stream", "404", "更新", "下载文件失败！请重试！", 40 },
        { "failed download, English", General, false, "stream", "404", "Update", "File download error!Please retry!", 40 },
        { "failed file list, Chinese", General, true, "manifest", "500", "更新", "获取更新文件列表失败！请重试！", 0 },
        { "failed file list, English", General, false, "manifest", "500", "Update", "File list error!Please retry!", 0 },
        { "finished, Chinese", General, true, "stream", "none", "完成", "", 100 },
        { "finished, English", General, false, "stream", "none", "Finish", "", 100 },
    };
    for (const Row &row : rows) {
        const bool running = qstrcmp(row.fault, "stall") == 0;
        const bool noted = qstrcmp(row.route, "manifest") != 0;
        Pairs texts {
            { QStringLiteral("Widget title"), QStringLiteral("Widget") },
            { QStringLiteral("title"), row.zh ? row.edition.name : row.edition.nameEN },
            { QStringLiteral("ut"), row.zh ? QStringLiteral("更新内容") : QStringLiteral("Updates") },
            { QStringLiteral("update"), QString::fromUtf8(row.button) },
        };
        if (*row.red)
            texts << qMakePair(QStringLiteral("err"), QString::fromUtf8(row.red));
        if (noted)
            texts << qMakePair(QStringLiteral("textEdit"), QString::fromUtf8(Note));
        QStringList settings { QStringLiteral("progressBar %1 of 0-100").arg(row.progress), QStringLiteral("textEdit read-only") };
        if (!row.edition.third.isEmpty())
            settings << QStringLiteral("label picture 16x16");
        QTest::newRow(row.tag) << row.edition << (row.zh ? QStringLiteral("zh_cn") : QStringLiteral("en_us")) << QString::fromLatin1(row.route)
                               << QString::fromLatin1(row.fault) << (running ? QStringLiteral("running") : QStringLiteral("settled"))
                               << UpdateForm << updateStyles(row.edition) << pairLines(texts) << lines(settings)
                               << QStringLiteral("widget label title ut textEdit progressBar err update") + (running ? QString() : QStringLiteral(" closeBtn"))
                               << (running ? QStringLiteral("update") : QString());
    }
}

void TestFidelity::updateWindow()
{
    QFETCH(Edition, edition);
    QFETCH(QString, lang);
    QFETCH(QString, route);
    QFETCH(QString, fault);
    QFETCH(QString, state);
    QVERIFY(server->setFault(route, fault));
    QJsonObject dump;
    runView(QStringLiteral("updateview"), makeInstallation(edition, lang, QStringLiteral("updateview")),
            { QLatin1String(NewVersion), state }, &dump);
    if (QTest::currentTestFailed())
        return;
    compareView(View(dump));
}

void TestFidelity::messageBox_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    addViewColumns();

    const QString settings = lines({ QStringLiteral("title centred"), QStringLiteral("info policy Expanding,Expanding"), QStringLiteral("info wraps"),
                                     QStringLiteral("info point size 12") });
    const struct {
        const char *tag;
        bool zh;
        const char *kind;
        const char *message;
    } rows[] = {
        { "information, Chinese", true, "information", "请先关闭max，再安装客户端！" },
        { "information, English", false, "information", "Pleace close max first and install client!" },
        { "question, Chinese", true, "question", "客户端已安装，是否覆盖安装？" },
        { "question, English", false, "question",
          "The program is already installed on this computer, do you want to reinstall it? Press OK to continue." },
    };
    for (const auto &row : rows) {
        const bool question = qstrcmp(row.kind, "question") == 0;
        Pairs texts {
            { QStringLiteral("MsgBox title"), QStringLiteral("Form") },
            { QStringLiteral("info"), QString::fromUtf8(row.message) },
            { QStringLiteral("okBtn"), row.zh ? QStringLiteral("确定") : QStringLiteral("OK") },
            { QStringLiteral("noBtn"), row.zh ? QStringLiteral("取消") : QStringLiteral("Cancel") },
        };
        if (row.zh)
            texts << qMakePair(QStringLiteral("title"), QStringLiteral("提示"));
        QTest::newRow(row.tag) << (row.zh ? QStringLiteral("zh_cn") : QStringLiteral("en_us")) << QString::fromLatin1(row.kind)
                               << QString::fromUtf8(row.message) << MsgBoxForm << MsgBoxStyles << pairLines(texts) << settings
                               << QStringLiteral("widget widget_2 title closeButton widget_3 info okBtn") + (question ? QStringLiteral(" noBtn") : QString())
                               << QString();
    }
}

void TestFidelity::messageBox()
{
    QFETCH(QString, lang);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QJsonObject dump;
    runView(QStringLiteral("installview"), makeDelivery(General, lang), { kind, message }, &dump);
    if (QTest::currentTestFailed())
        return;
    compareView(View(dump));
}

// The pictures compiled into each program, by their sizes.
void TestFidelity::pictures_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("resources");

    QTest::newRow("installer") << "installview" << QStringList { QStringLiteral("folded") }
                               << lines({ ":/bg.png 308x154", ":/bg_third.png 308x154", ":/bg_NPZ.png 160x206", ":/logo.png 13x14",
                                          ":/min.png 20x18", ":/close.png 12x12", ":/down.png 10x7", ":/up.png 10x7" });
    QTest::newRow("uninstaller") << "uninstallview" << QStringList { QStringLiteral("confirmation") }
                                 << lines({ ":/bg1.png 308x154", ":/bg1_third.png 308x154", ":/bg1_NPZ.png 203x218", ":/bg2.png 306x138",
                                            ":/logo.png 13x14", ":/min.png 20x18", ":/close.png 12x12" });
    QTest::newRow("updater") << "updateview" << QStringList { QLatin1String(NewVersion), QStringLiteral("settled") }
                             << lines({ ":/logo.png 13x14", ":/min.png 20x18", ":/close.png 12x12" });
}

void TestFidelity::pictures()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, resources);
    const QString folder = program == QLatin1String("installview") ? makeDelivery(General, QStringLiteral("zh_cn"))
                                                                    : makeInstallation(General, QStringLiteral("zh_cn"), program);
    QJsonObject dump;
    runView(program, folder, arguments, &dump);
    if (QTest::currentTestFailed())
        return;
    compareLines("pictures", View(dump).resources(), resources);
}

QTEST_MAIN(TestFidelity)
#include "tst_fidelity.moc"
