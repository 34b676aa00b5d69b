#include "script/ConsoleTable.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// How many entries node's inspect lists of an array, a Map or a Set in a table cell.
constexpr int cellItems = 3;

QJSValue callHelper(const QJSValue &helpers, const QString &name, const QJSValueList &arguments)
{
    return helpers.property(name).call(arguments);
}

// The value's own enumerable string keys, in the language's order; at most limit of them.
QStringList keysOf(const QJSValue &helpers, const QJSValue &value, int limit)
{
    const QJSValue keys = callHelper(helpers, QStringLiteral("keys"), {value, limit});
    QStringList names;
    const int count = qMin(int(keys.property(QStringLiteral("length")).toUInt()), limit);
    for (int i = 0; i < count; ++i)
        names << keys.property(quint32(i)).toString();
    return names;
}

int length(const QJSValue &array)
{
    return int(qMin(array.property(QStringLiteral("length")).toUInt(), quint32(INT_MAX)));
}

bool isArrayIndex(const QString &key)
{
    static const QRegularExpression index(QStringLiteral("^(0|[1-9][0-9]{0,9})$"));
    return index.match(key).hasMatch() && key.toULongLong() < 4294967295ULL;
}

// node's strEscape: the quotes that need no escaping (single, else double, else backticks), control characters,
// the backslash and lone surrogates escaped.
QString quoted(const QString &text)
{
    ushort quote = '\'';
    if (text.contains(QLatin1Char('\''))) {
        if (!text.contains(QLatin1Char('"')))
            quote = '"';
        else if (!text.contains(QLatin1Char('`')) && !text.contains(QLatin1String("${")))
            quote = '`';
    }
    QString out;
    out.reserve(text.size() + 2);
    out += QChar(quote);
    for (int i = 0; i < text.size(); ++i) {
        const ushort code = text.at(i).unicode();
        if ((code == '\'' && quote == '\'') || code == '\\') {
            out += QLatin1Char('\\');
            out += QChar(code);
        } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            static const char *const named[] = {"b", "t", "n", "x0B", "f", "r"};
            out += QLatin1Char('\\');
            if (code >= 8 && code <= 13)
                out += QLatin1String(named[code - 8]);
            else
                out += QLatin1Char('x') + QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
        } else if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += text.midRef(i, 2);
            ++i;
        } else if (QChar::isSurrogate(code)) {
            out += QStringLiteral("\\u%1").arg(code, 0, 16);
        } else {
            out += QChar(code);
        }
    }
    out += QChar(quote);
    return out;
}

QString stringText(const QString &text)
{
    if (text.size() <= ConsoleTable::maxStringLength)
        return quoted(text);
    const int remaining = text.size() - ConsoleTable::maxStringLength;
    return quoted(text.left(ConsoleTable::maxStringLength))
           + QStringLiteral("... %1 more character%2").arg(remaining).arg(remaining > 1 ? QStringLiteral("s") : QString());
}

QString moreItems(qint64 remaining)
{
    return QStringLiteral("... %1 more item%2").arg(remaining).arg(remaining > 1 ? QStringLiteral("s") : QString());
}

QString emptyItems(qint64 count)
{
    return QStringLiteral("<%1 empty item%2>").arg(count).arg(count > 1 ? QStringLiteral("s") : QString());
}

QString primitive(const QJSValue &value)
{
    if (value.isString())
        return stringText(value.toString());
    if (value.isNumber()) {
        const double number = value.toNumber();
        if (number == 0 && std::signbit(number))
            return QStringLiteral("-0");
    }
    return value.toString();
}

QString braced(const QString &prefix, const QStringList &entries, QChar open, QChar close)
{
    if (entries.isEmpty())
        return prefix + open + close;
    return prefix + open + QLatin1Char(' ') + entries.join(QLatin1String(", ")) + QLatin1Char(' ') + close;
}

// node's key in an object's text: bare when it reads as an identifier, quoted otherwise.
QString keyText(const QString &key)
{
    static const QRegularExpression identifier(QStringLiteral("^[a-zA-Z_][a-zA-Z_0-9]*$"));
    return identifier.match(key).hasMatch() ? key : quoted(key);
}

// A regular expression as node shows it. The engine's toString puts a backslash before every "/" of the pattern,
// escaped or not: that one goes, and the pattern is escaped as node escapes it ("/" outside a class, line breaks).
QString regExpText(const QJSValue &value)
{
    const QString text = value.toString();
    const int end = text.lastIndexOf(QLatin1Char('/'));
    if (!text.startsWith(QLatin1Char('/')) || end <= 0)
        return text;
    const QString pattern = text.mid(1, end - 1).replace(QLatin1String("\\/"), QLatin1String("/"));
    QString source;
    bool escaped = false, inClass = false;
    for (const QChar ch : pattern) {
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            source += ch == QLatin1Char('\n') ? QLatin1String("\\n") : QLatin1String("\\r");
        } else if (escaped) {
            source += ch;
            escaped = false;
        } else {
            escaped = ch == QLatin1Char('\\');
            if (ch == QLatin1Char('['))
                inClass = true;
            else if (ch == QLatin1Char(']'))
                inClass = false;
            if (ch == QLatin1Char('/') && !inClass)
                source += QLatin1Char('\\');
            source += ch;
        }
    }
    return QLatin1Char('/') + source + QLatin1Char('/') + text.mid(end + 1);
}

bool isFullWidth(uint code)
{
    return code >= 0x1100
           && (code <= 0x115f || code == 0x2329 || code == 0x232a || (code >= 0x2e80 && code <= 0x3247 && code != 0x303f)
               || (code >= 0x3250 && code <= 0x4dbf) || (code >= 0x4e00 && code <= 0xa4c6)
               || (code >= 0xa960 && code <= 0xa97c) || (code >= 0xac00 && code <= 0xd7a3)
               || (code >= 0xf900 && code <= 0xfaff) || (code >= 0xfe10 && code <= 0xfe19)
               || (code >= 0xfe30 && code <= 0xfe6b) || (code >= 0xff01 && code <= 0xff60)
               || (code >= 0xffe0 && code <= 0xffe6) || (code >= 0x1b000 && code <= 0x1b001)
               || (code >= 0x1f200 && code <= 0x1f251) || (code >= 0x1f300 && code <= 0x1f64f)
               || (code >= 0x20000 && code <= 0x3fffd));
}

bool isZeroWidth(uint code)
{
    return code <= 0x1F || (code >= 0x7F && code <= 0x9F) || (code >= 0x300 && code <= 0x36F)
           || (code >= 0x200B && code <= 0x200F) || (code >= 0x20D0 && code <= 0x20FF) || (code >= 0xFE00 && code <= 0xFE0F)
           || (code >= 0xFE20 && code <= 0xFE2F) || (code >= 0xE0100 && code <= 0xE01EF);
}

} // namespace

int ConsoleTable::width(const QString &text)
{
    int columns = 0;
    for (const uint code : text.normalized(QString::NormalizationForm_C).toUcs4())
        columns += isFullWidth(code) ? 2 : isZeroWidth(code) ? 0 : 1;
    return columns;
}

QString ConsoleTable::cell(const QJSValue &value, const QJSValue &helpers)
{
    // An object of more than two properties shows as [Object]; anything else one level deep.
    const bool wide = value.isObject() && !value.isArray() && !value.isCallable()
                      && keysOf(helpers, value, 3).size() > 2;
    return inspect(value, 0, wide ? -1 : 0, helpers);
}

QString ConsoleTable::inspect(const QJSValue &value, int recurse, int depth, const QJSValue &helpers)
{
    if (!value.isObject())
        return primitive(value);
    if (value.isCallable()) {
        const QString name = value.property(QStringLiteral("name")).toString();
        return name.isEmpty() ? QStringLiteral("[Function (anonymous)]") : QStringLiteral("[Function: %1]").arg(name);
    }
    if (value.isArray()) {
        if (length(value) == 0)
            return QStringLiteral("[]");
        if (recurse > depth)
            return QStringLiteral("[Array]");
        return braced(QString(), arrayItems(value, recurse + 1, depth, helpers), QLatin1Char('['), QLatin1Char(']'));
    }
    if (value.isDate()) {
        const QDateTime date = value.toDateTime();
        return date.isValid() ? date.toUTC().toString(Qt::ISODateWithMs) : QStringLiteral("Invalid Date");
    }
    if (value.isRegExp())
        return regExpText(value);
    if (value.isError())
        return QLatin1Char('[') + value.toString() + QLatin1Char(']');
    const QJSValue entries = callHelper(helpers, QStringLiteral("entries"), {value, cellItems});
    if (entries.isObject())
        return collection(value, entries, recurse, depth, helpers);

    const QJSValue constructor = callHelper(helpers, QStringLiteral("constructorName"), {value});
    const QString name = constructor.isNull() ? QString() : constructor.toString();
    const QString prefix = constructor.isNull()                  ? QStringLiteral("[Object: null prototype] ")
                           : name == QLatin1String("Object") ? QString()
                                                                 : name + QLatin1Char(' ');
    const QStringList keys = keysOf(helpers, value, maxColumns);
    if (keys.isEmpty())
        return prefix + QStringLiteral("{}");
    if (recurse > depth)
        return constructor.isNull() ? QStringLiteral("[Object: null prototype]") : QLatin1Char('[') + name + QLatin1Char(']');
    QStringList properties;
    for (const QString &key : keys)
        properties << keyText(key) + QStringLiteral(": ") + inspect(value.property(key), recurse + 1, depth, helpers);
    return braced(prefix, properties, QLatin1Char('{'), QLatin1Char('}'));
}

QStringList ConsoleTable::arrayItems(const QJSValue &array, int recurse, int depth, const QJSValue &helpers)
{
    // As node lists an array: up to three entries, a run of holes counting as one ("<2 empty items>").
    const qint64 size = length(array);
    const int shown = int(qMin<qint64>(size, cellItems));
    QStringList items;
    qint64 index = 0;
    for (; index < shown && array.hasOwnProperty(QString::number(index)); ++index)
        items << inspect(array.property(quint32(index)), recurse, depth, helpers);
    if (index == shown) {
        if (size > index)
            items << moreItems(size - index);
        return items;
    }
    // A hole: the present keys tell where the runs of holes end.
    const QStringList keys = keysOf(helpers, array, int(index) + cellItems);
    for (int k = int(index); k < keys.size() && items.size() < shown; ++k) {
        if (!isArrayIndex(keys.at(k)))
            break;
        const qint64 at = keys.at(k).toLongLong();
        if (at != index) {
            items << emptyItems(at - index);
            index = at;
            if (items.size() == shown)
                break;
        }
        items << inspect(array.property(quint32(at)), recurse, depth, helpers);
        ++index;
    }
    const qint64 remaining = size - index;
    if (items.size() != shown && remaining > 0)
        items << emptyItems(remaining);
    else if (remaining > 0)
        items << moreItems(remaining);
    return items;
}

QString ConsoleTable::collection(const QJSValue &value, const QJSValue &entries, int recurse, int depth,
                                 const QJSValue &helpers)
{
    const bool map = entries.property(QStringLiteral("map")).toBool();
    const qint64 size = qint64(entries.property(QStringLiteral("size")).toNumber());
    const QString name = callHelper(helpers, QStringLiteral("constructorName"), {value}).toString();
    const QString prefix = QStringLiteral("%1(%2) ").arg(name).arg(size);
    if (size == 0)
        return prefix + QStringLiteral("{}");
    if (recurse > depth)
        return QLatin1Char('[') + name + QLatin1Char(']');
    const QJSValue items = entries.property(QStringLiteral("items"));
    QStringList shown;
    for (int i = 0; i < qMin(length(items), cellItems); ++i) {
        const QJSValue item = items.property(quint32(i));
        shown << (map ? inspect(item.property(0), recurse + 1, depth, helpers) + QStringLiteral(" => ")
                            + inspect(item.property(1), recurse + 1, depth, helpers)
                      : inspect(item, recurse + 1, depth, helpers));
    }
    if (size > shown.size())
        shown << moreItems(size - shown.size());
    return braced(prefix, shown, QLatin1Char('{'), QLatin1Char('}'));
}

QString ConsoleTable::text(const QJSValue &data, const QJSValue &properties, const QJSValue &helpers,
                           const ValueTextContext &context)
{
    QStringList head;
    QVector<QStringList> columns;
    bool cut = false;
    int characters = 0;
    // Whether the next row may still be read.
    const auto room = [&] {
        if (characters > valueTextLengthLimit || (context.stop && context.stop()))
            cut = true;
        return !cut;
    };
    const auto add = [&](QStringList &column, int row, const QString &text) {
        while (column.size() <= row)
            column << QString();
        column[row] = text;
        characters += text.size();
    };

    const QJSValue entries = callHelper(helpers, QStringLiteral("entries"), {data, maxRows + 1});
    if (entries.isObject()) {
        const bool map = entries.property(QStringLiteral("map")).toBool();
        const QJSValue items = entries.property(QStringLiteral("items"));
        cut = length(items) > maxRows;
        head << QStringLiteral("(iteration index)");
        if (map)
            head << QStringLiteral("Key");
        head << QStringLiteral("Values");
        columns.resize(head.size());
        for (int row = 0; row < qMin(length(items), maxRows) && room(); ++row) {
            const QJSValue item = items.property(quint32(row));
            add(columns[0], row, QString::number(row));
            if (map)
                add(columns[1], row, cell(item.property(0), helpers));
            add(columns.last(), row, cell(map ? item.property(1) : item, helpers));
        }
        return render(head, columns, cut);
    }

    const QStringList rowKeys = keysOf(helpers, data, maxRows + 1);
    cut = rowKeys.size() > maxRows;
    const bool chosen = properties.isArray();
    QStringList wanted;
    for (int i = 0; chosen && i < qMin(length(properties), maxColumns); ++i)
        wanted << properties.property(quint32(i)).toString();

    QStringList index, values;
    QStringList names; // the property columns, in order of appearance
    QHash<QString, QStringList> cells;
    for (int row = 0; row < qMin(rowKeys.size(), maxRows) && room(); ++row) {
        add(index, row, rowKeys.at(row));
        const QJSValue item = data.property(rowKeys.at(row));
        const bool isPrimitive = !item.isObject();
        if (!chosen && isPrimitive) {
            add(values, row, cell(item, helpers));
            continue;
        }
        for (const QString &key : chosen ? wanted : keysOf(helpers, item, maxColumns)) {
            if (!cells.contains(key)) {
                if (names.size() == maxColumns)
                    continue;
                names << key;
            }
            add(cells[key], row, (isPrimitive && chosen) || !item.hasOwnProperty(key) ? QString()
                                                                                        : cell(item.property(key), helpers));
        }
    }
    // node gathers the columns in an object, which lists array indices first, in numeric order.
    std::stable_sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const bool aIndex = isArrayIndex(a), bIndex = isArrayIndex(b);
        if (aIndex != bIndex)
            return aIndex;
        return aIndex && a.toULongLong() < b.toULongLong();
    });
    head << QStringLiteral("(index)") << names;
    columns << index;
    for (const QString &name : qAsConst(names))
        columns << cells.value(name);
    if (!values.isEmpty()) {
        head << QStringLiteral("Values");
        columns << values;
    }
    return render(head, columns, cut);
}

QString ConsoleTable::render(const QStringList &head, const QVector<QStringList> &columns, bool cut)
{
    const int rows = columns.isEmpty() ? 0 : columns.first().size();
    QVector<int> widths;
    for (int c = 0; c < head.size(); ++c) {
        int widest = width(head.at(c));
        for (const QString &text : columns.at(c))
            widest = qMax(widest, width(text));
        widths << widest;
    }
    const auto rule = [&](const QString &left, const QString &middle, const QString &right) -> QString {
        QString line = left;
        for (int c = 0; c < widths.size(); ++c) {
            if (c > 0)
                line += middle;
            line += QString(widths.at(c) + 2, QChar(0x2500));
        }
        return line + right;
    };
    const auto row = [&](const std::function<QString(int)> &text) -> QString {
        QString line = QStringLiteral("\u2502 ");
        for (int c = 0; c < widths.size(); ++c) {
            if (c > 0)
                line += QStringLiteral(" \u2502 ");
            const QString cell = text(c);
            line += cell + QString(widths.at(c) - width(cell), QLatin1Char(' '));
        }
        return line + QStringLiteral(" \u2502");
    };
    QStringList lines;
    lines << rule(QStringLiteral("\u250c"), QStringLiteral("\u252c"), QStringLiteral("\u2510"));
    lines << row([&](int c) { return head.at(c); });
    lines << rule(QStringLiteral("\u251c"), QStringLiteral("\u253c"), QStringLiteral("\u2524"));
    for (int r = 0; r < rows; ++r)
        lines << row([&](int c) { return columns.at(c).value(r); });
    lines << rule(QStringLiteral("\u2514"), QStringLiteral("\u2534"), QStringLiteral("\u2518"));
    if (cut)
        lines << QStringLiteral("...");
    return lines.join(QLatin1Char('\n'));
}
