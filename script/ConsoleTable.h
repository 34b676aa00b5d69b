#pragma once

#include "script/ValueText.h"

#include <QJSValue>
#include <QString>
#include <QStringList>
#include <QVector>

// console.table: a script object laid out as node lays it out. A frame of box-drawing characters; an "(index)"
// column with the row keys, one column per property in the order node lists them, "Values" for rows that are
// primitives; Map and Set entries by "(iteration index)". Each cell is the value as node's inspect shows it at the
// depth console.table asks for: strings quoted as node quotes them, arrays of up to three items, objects of up to
// two properties, deeper values as [Array] and [Object].
//
// Bounded, whatever the script passes: at most maxRows rows and maxColumns columns are read, a string shows its first
// maxStringLength characters (as node's inspect does), and no further row is read once the cells hold
// valueTextLengthLimit characters or the time limit has passed. A table cut short ends with a line "...".
class ConsoleTable
{
public:
    static constexpr int maxRows = 1000;
    static constexpr int maxColumns = 100;
    static constexpr int maxStringLength = 10000;

    // data is an object. properties, when an array, names the columns. helpers holds the console's script functions
    // that read values as the language does: keys(value, limit), entries(value, limit), constructorName(value).
    static QString text(const QJSValue &data, const QJSValue &properties, const QJSValue &helpers,
                        const ValueTextContext &context);

private:
    // How many terminal columns text takes, as node counts them: two for East Asian wide characters, none for
    // combining marks and control characters.
    static int width(const QString &text);

    // A value as node's inspect shows it in a table cell.
    static QString cell(const QJSValue &value, const QJSValue &helpers);
    static QString inspect(const QJSValue &value, int recurse, int depth, const QJSValue &helpers);
    static QStringList arrayItems(const QJSValue &array, int recurse, int depth, const QJSValue &helpers);
    static QString collection(const QJSValue &value, const QJSValue &entries, int recurse, int depth,
                              const QJSValue &helpers);
    static QString render(const QStringList &head, const QVector<QStringList> &columns, bool cut);
};
