#pragma once

#include <QJSValue>
#include <QString>
#include <QStringList>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
class ValueDescription;

// The tree of a compiled script's globals. Items hold texts only (name, and the value's string form when the item
// was made); a value is looked up again from the global object along the item's path of names whenever needed.
// No value can freeze or crash the tree: descriptions are bounded, and so is the number of items one step adds.
class ObjectTree
{
public:
    // Global names that never become top-level items, in the order they are compared.
    static const QStringList hiddenGlobalNames;
    // A description longer than this shows its start and "…".
    static constexpr int descriptionLength = 1000;
    // At most this many items are added at one level; one item named moreItemsName then stands for the rest.
    static constexpr int itemLimit = 10000;
    static const QString moreItemsName;

    // Holds once the script time limit has passed; the walk then stops where it is.
    using StopCheck = std::function<bool()>;

    // Appends one top-level item per property of the global object, except the hidden names and alsoHidden (globals
    // the workbench itself added). False when stop cut the walk short.
    static bool fill(QTreeWidget *tree, const QJSValue &globalObject, const ValueDescription &description,
                     const StopCheck &stop = StopCheck(), const QStringList &alsoHidden = QStringList());
    // Adds the properties of value as children of item, unless the item has children already. False when stop
    // cut the walk short.
    static bool expand(QTreeWidgetItem *item, const QJSValue &value, const ValueDescription &description,
                       const StopCheck &stop = StopCheck());
    // The value an item stands for: from the global object down the item's path of names. A name that no longer
    // resolves gives undefined.
    static QJSValue lookup(const QTreeWidgetItem *item, const QJSValue &globalObject);
    // Whether a clicked item's value is a function, the only kind that becomes a call text.
    static bool isFunction(const QJSValue &value);
    // "name(a, b, ...)" with one letter per declared parameter of function.
    static QString callText(const QString &name, const QJSValue &function);
};
