#include "qt/accessible_link.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace penwick::qt {

namespace {

constexpr const char* kLinkProperty = "penwickLink";

class AccessibleLink final : public QAccessibleWidget {
public:
    explicit AccessibleLink(QWidget* w) : QAccessibleWidget(w, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        // Without a name of its own, the link's words, as a label's would be.
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) s = static_cast<QLabel*>(widget())->text();
        return s;
    }
};

QAccessibleInterface* linkFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QLabel") && object != nullptr &&
        object->property(kLinkProperty).toBool())
        return new AccessibleLink(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

void markAsLink(QWidget& label) {
    static const bool installed = [] {
        QAccessible::installFactory(linkFactory);
        return true;
    }();
    (void)installed;
    label.setProperty(kLinkProperty, true);
    // Qt keeps the interface it made for the widget (setting a label's text makes one): dropped,
    // so that the next one asked for is the link's.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&label))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

}  // namespace penwick::qt
