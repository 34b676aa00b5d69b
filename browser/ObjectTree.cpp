#include "browser/ObjectTree.h"

#include <QJSValueIterator>
#include <QTreeWidget>

#include <vector>

const QStringList ObjectTree::hiddenGlobalNames = {QStringLiteral("console"), QStringLiteral("undefined"),
                                                   QStringLiteral("Infinity"), QStringLiteral("Function")};

namespace {

// One property as a two-column item. A getter or toString of the script's may run here and throw: reading the
// property through QJSValue::property (the iterator's value() would swallow the error as undefined) and
// converting with toString both give the thrown error, whose text then becomes the description.
QTreeWidgetItem *propertyItem(const QJSValue &owner, const QJSValueIterator &it)
{
    const QString name = it.name();
    return new QTreeWidgetItem(QStringList{name, owner.property(name).toString()}, QTreeWidgetItem::Type);
}

} // namespace

void ObjectTree::fill(QTreeWidget *tree, const QJSValue &globalObject)
{
    // Built apart and inserted in one go: one model update instead of one per global.
    QList<QTreeWidgetItem *> items;
    QJSValueIterator it(globalObject);
    while (it.hasNext()) {
        it.next();
        if (hiddenGlobalNames.contains(it.name()))
            continue;
        items.append(propertyItem(globalObject, it));
    }
    tree->addTopLevelItems(items);
}

int ObjectTree::expand(QTreeWidgetItem *item, const QJSValue &value)
{
    if (item->childCount() > 0)
        return 0;
    QList<QTreeWidgetItem *> children;
    QJSValueIterator it(value);
    while (it.hasNext()) {
        it.next();
        children.append(propertyItem(value, it));
    }
    item->addChildren(children);
    return children.size();
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
