#include "browser/ObjectTree.h"

#include "browser/ValueDescription.h"

#include <QJSValueIterator>
#include <QTreeWidget>

#include <vector>

const QStringList ObjectTree::hiddenGlobalNames = {QStringLiteral("console"), QStringLiteral("undefined"),
                                                   QStringLiteral("Infinity"), QStringLiteral("Function")};
const QString ObjectTree::moreItemsName = QStringLiteral("...");

namespace {

// Items for the properties of owner, built apart and inserted in one go by the caller (one model update instead
// of one per property). A getter or toString of the script's may run here and throw: reading the property
// through QJSValue::property (the iterator's value() would swallow the error as undefined) gives the thrown error,
// whose text then becomes the description. A list cut short, by the item limit or by stop, ends with one item
// named "...". False when stop cut the walk short.
bool propertyItems(const QJSValue &owner, const ValueDescription &description, const ObjectTree::StopCheck &stop,
                   const QStringList &hidden, QList<QTreeWidgetItem *> *items)
{
    QJSValueIterator it(owner);
    const auto more = [items] {
        items->append(new QTreeWidgetItem(QStringList{ObjectTree::moreItemsName, QString()}, QTreeWidgetItem::Type));
    };
    while (it.hasNext()) {
        if (stop && stop()) {
            more();
            return false;
        }
        if (items->size() == ObjectTree::itemLimit) {
            more();
            return true;
        }
        it.next();
        const QString name = it.name();
        if (hidden.contains(name))
            continue;
        const QString text = description.describe(owner.property(name), ObjectTree::descriptionLength);
        items->append(new QTreeWidgetItem(QStringList{name, text}, QTreeWidgetItem::Type));
    }
    return true;
}

} // namespace

bool ObjectTree::fill(QTreeWidget *tree, const QJSValue &globalObject, const ValueDescription &description,
                      const StopCheck &stop, const QStringList &alsoHidden)
{
    QList<QTreeWidgetItem *> items;
    const bool complete = propertyItems(globalObject, description, stop,
                                        alsoHidden.isEmpty() ? hiddenGlobalNames : hiddenGlobalNames + alsoHidden, &items);
    tree->addTopLevelItems(items);
    return complete;
}

bool ObjectTree::expand(QTreeWidgetItem *item, const QJSValue &value, const ValueDescription &description,
                        const StopCheck &stop)
{
    if (item->childCount() > 0)
        return true;
    QList<QTreeWidgetItem *> children;
    const bool complete = propertyItems(value, description, stop, QStringList(), &children);
    item->addChildren(children);
    return complete;
}

QJSValue ObjectTree::lookup(const QTreeWidgetItem *item, const QJSValue &globalObject)
{
    std::vector<QString> path;
    for (const QTreeWidgetItem *at = item; at; at = at->parent())
        path.push_back(at->data(0, Qt::DisplayRole).toString());
    QJSValue value = globalObject;
    for (auto name = path.rbegin(); name != path.rend(); ++name)
        value = value.property(*name);
    return value;
}

bool ObjectTree::isFunction(const QJSValue &value)
{
    // This engine writes every function as "function name() { [native code] }", so the text cannot tell.
    return value.isObject() && value.isCallable();
}

QString ObjectTree::callText(const QString &name, const QJSValue &function)
{
    // A script can give a function any "length"; past this many letters the text would only exhaust memory.
    constexpr int maxParameters = 1000;
    const int count = qMin(function.property(QStringLiteral("length")).toInt(), maxParameters);
    QString text = name + QLatin1Char('(');
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += QStringLiteral(", ");
        text += QChar(97 + i);
    }
    return text + QLatin1Char(')');
}
