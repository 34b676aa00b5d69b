#pragma once

#include <QJSValue>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

// The tree of a compiled script's globals. Items hold texts only (name, and the value's string form when the item
// was made); a value is looked up again from the global object along the item's path of names whenever needed.
class ObjectTree
{
public:
    // Global names that never become top-level items, in the order they are compared.
    static const QStringList hiddenGlobalNames;

    // Appends one top-level item per property of the global object, except the hidden names.
    static void fill(QTreeWidget *tree, const QJSValue &globalObject);
    // Adds the properties of value as children of item, unless the item has children already. Returns how many.
    static int expand(QTreeWidgetItem *item, const QJSValue &value);
    // The value an item stands for: from the global object down the item's path of names. A name that no longer
    // resolves gives undefined.
    static QJSValue lookup(const QTreeWidgetItem *item, const QJSValue &globalObject);
    // Whether a clicked item's value is a function, the only kind that becomes a call text.
    static bool isFunction(const QJSValue &value);
    // "name(a, b, ...)" with one letter per declared parameter of function.
    static QString callText(const QString &name, const QJSValue &function);
};
