#include "windowdump.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMetaEnum>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>

#include <cstdio>

namespace {

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

bool named(const QObject *object)
{
    return !object->objectName().isEmpty() && !object->objectName().startsWith(QLatin1String("qt_"));
}

QString parentName(const QObject *object)
{
    for (const QObject *parent = object->parent(); parent; parent = parent->parent()) {
        if (named(parent))
            return parent->objectName();
    }
    return QString();
}

// The panels paint the dark background, so a widget lying wholly under a
// later (higher) visible sibling of itself or of a container is not seen.
bool covered(QWidget *widget)
{
    for (QWidget *item = widget; item->parentWidget() && !item->isWindow(); item = item->parentWidget()) {
        const QObjectList siblings = item->parentWidget()->children();
        for (int i = siblings.indexOf(item) + 1; i < siblings.size(); ++i) {
            auto *above = qobject_cast<QWidget *>(siblings.at(i));
            if (above && above->isVisible() && !above->isWindow() && above->geometry().contains(item->geometry()))
                return true;
        }
    }
    return false;
}

QJsonObject widgetFacts(QWidget *widget)
{
    const QRect g = widget->geometry();
    QJsonObject facts {
        { QStringLiteral("name"), widget->objectName() },
        { QStringLiteral("class"), QLatin1String(widget->metaObject()->className()) },
        { QStringLiteral("parent"), parentName(widget) },
        { QStringLiteral("geometry"), QStringLiteral("%1,%2 %3").arg(g.x()).arg(g.y()).arg(sizeText(g.size())) },
        { QStringLiteral("min"), sizeText(widget->minimumSize()) },
        { QStringLiteral("max"), sizeText(widget->maximumSize()) },
        { QStringLiteral("hand"), widget->cursor().shape() == Qt::PointingHandCursor },
        { QStringLiteral("visible"), widget->isVisible() },
        // On screen: visible, not clipped away by a parent, not covered.
        { QStringLiteral("seen"), widget->isVisible() && !widget->visibleRegion().isEmpty() && !covered(widget) },
        { QStringLiteral("enabled"), widget->isEnabled() },
        { QStringLiteral("style"), widget->styleSheet() },
        { QStringLiteral("toolTip"), widget->toolTip() },
    };
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        facts.insert(QStringLiteral("text"), button->text());
        if (button->isCheckable())
            facts.insert(QStringLiteral("checked"), button->isChecked());
    }
    if (auto *button = qobject_cast<QPushButton *>(widget))
        facts.insert(QStringLiteral("flat"), button->isFlat());
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        facts.insert(QStringLiteral("text"), label->text());
        facts.insert(QStringLiteral("alignment"), int(label->alignment()));
        facts.insert(QStringLiteral("wordWrap"), label->wordWrap());
        const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
        facts.insert(QStringLiteral("pixmap"), pixmap.isNull() ? QString() : sizeText(pixmap.size()));
    }
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        facts.insert(QStringLiteral("text"), edit->text());
        facts.insert(QStringLiteral("placeholder"), edit->placeholderText());
        facts.insert(QStringLiteral("readOnly"), edit->isReadOnly());
        facts.insert(QStringLiteral("maxLength"), edit->maxLength());
        facts.insert(QStringLiteral("clearButton"), edit->isClearButtonEnabled());
    }
    if (auto *edit = qobject_cast<QTextEdit *>(widget)) {
        facts.insert(QStringLiteral("text"), edit->toPlainText());
        facts.insert(QStringLiteral("readOnly"), edit->isReadOnly());
    }
    if (auto *bar = qobject_cast<QProgressBar *>(widget)) {
        facts.insert(QStringLiteral("value"), bar->value());
        facts.insert(QStringLiteral("range"), QStringLiteral("%1-%2").arg(bar->minimum()).arg(bar->maximum()));
        facts.insert(QStringLiteral("textVisible"), bar->isTextVisible());
    }
    if (auto *stack = qobject_cast<QStackedWidget *>(widget)) {
        QJsonArray pages;
        for (int i = 0; i < stack->count(); ++i)
            pages.append(stack->widget(i)->objectName());
        facts.insert(QStringLiteral("pages"), pages);
        facts.insert(QStringLiteral("currentIndex"), stack->currentIndex());
    }
    const QSizePolicy policy = widget->sizePolicy();
    const QMetaEnum policies = QMetaEnum::fromType<QSizePolicy::Policy>();
    facts.insert(QStringLiteral("policy"), QStringLiteral("%1,%2").arg(QLatin1String(policies.valueToKey(policy.horizontalPolicy())),
                                                                      QLatin1String(policies.valueToKey(policy.verticalPolicy()))));
    facts.insert(QStringLiteral("pointSize"), widget->font().pointSize());
    return facts;
}

QJsonObject layoutFacts(QLayout *layout)
{
    const QMargins m = layout->contentsMargins();
    QJsonArray items;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget())
            items.append(item->widget()->objectName());
        else if (item->layout())
            items.append(item->layout()->objectName());
        else if (QSpacerItem *spacer = item->spacerItem())
            items.append(QStringLiteral("spacer %1%2").arg(sizeText(spacer->sizeHint()),
                                                       spacer->sizePolicy().horizontalPolicy() == QSizePolicy::Expanding
                                                           ? QStringLiteral(" expanding")
                                                           : QString()));
    }
    return {
        { QStringLiteral("name"), layout->objectName() },
        { QStringLiteral("class"), QLatin1String(layout->metaObject()->className()) },
        { QStringLiteral("parent"), parentName(layout) },
        { QStringLiteral("margins"), QStringLiteral("%1,%2,%3,%4").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom()) },
        { QStringLiteral("spacing"), layout->spacing() },
        { QStringLiteral("items"), items },
    };
}

// Children of each named container, bottom to top.
QJsonObject stacking(QWidget *window)
{
    QJsonObject order;
    QList<QWidget *> containers = window->findChildren<QWidget *>();
    containers.prepend(window);
    for (QWidget *container : containers) {
        QJsonArray names;
        for (QObject *child : container->children()) {
            if (child->isWidgetType() && named(child))
                names.append(child->objectName());
        }
        if (named(container) && !names.isEmpty())
            order.insert(container->objectName(), names);
    }
    return order;
}

QJsonObject resources()
{
    QJsonObject sizes;
    QDirIterator it(QStringLiteral(":/"), { QStringLiteral("*.png") }, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        sizes.insert(path, sizeText(QImageReader(path).size()));
    }
    return sizes;
}

}

QByteArray WindowDump::describe(QWidget *window)
{
    QJsonArray widgets;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (named(widget))
            widgets.append(widgetFacts(widget));
    }
    QJsonArray layouts;
    for (QLayout *layout : window->findChildren<QLayout *>()) {
        if (named(layout))
            layouts.append(layoutFacts(layout));
    }
    QJsonObject top = widgetFacts(window);
    top.insert(QStringLiteral("title"), window->windowTitle());
    top.insert(QStringLiteral("frameless"), bool(window->windowFlags() & Qt::FramelessWindowHint));
    top.insert(QStringLiteral("translucent"), window->testAttribute(Qt::WA_TranslucentBackground));
    top.insert(QStringLiteral("modality"), int(window->windowModality()));
    const QJsonObject all {
        { QStringLiteral("window"), top },
        { QStringLiteral("widgets"), widgets },
        { QStringLiteral("layouts"), layouts },
        { QStringLiteral("stacking"), stacking(window) },
        { QStringLiteral("resources"), resources() },
    };
    return QJsonDocument(all).toJson(QJsonDocument::Compact);
}

void WindowDump::print(QWidget *window)
{
    std::printf("DUMP %s\n", describe(window).constData());
    std::fflush(stdout);
}

bool WindowDump::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}
