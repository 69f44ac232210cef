// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AccessibleWidgets.h"

#include "ui/DisplayMap.h"
#include "ui/ShortcutRecorderButton.h"

#include <QAccessibleWidget>

namespace Dartline {

namespace {

class AccessibleRecorder : public QAccessibleWidget
{
public:
    explicit AccessibleRecorder(ShortcutRecorderButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }

    QString text(QAccessible::Text t) const override
    {
        auto *button = static_cast<ShortcutRecorderButton *>(widget());
        switch (t) {
        case QAccessible::Value:
            return button->accessibleValue();
        case QAccessible::Description:
            return button->toolTip();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction()) {
            static_cast<ShortcutRecorderButton *>(widget())->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

// One element; the pictures inside are drawing, not children.
class AccessibleMap : public QAccessibleWidget
{
public:
    explicit AccessibleMap(DisplayMap *map)
        : QAccessibleWidget(map, QAccessible::Graphic)
    { }

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    // Asked with the meta-object's class name, namespace included.
    if (className == QLatin1String(ShortcutRecorderButton::staticMetaObject.className())) {
        if (auto *button = qobject_cast<ShortcutRecorderButton *>(object))
            return new AccessibleRecorder(button);
    }
    if (className == QLatin1String(DisplayMap::staticMetaObject.className())) {
        if (auto *map = qobject_cast<DisplayMap *>(object))
            return new AccessibleMap(map);
    }
    return nullptr;
}

} // namespace

namespace AccessibleWidgets {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace AccessibleWidgets

} // namespace Dartline
