#include "script/ValueText.h"

#include "browser/ValueDescription.h"

#include <QJSValueIterator>

namespace {

const QString separator = QStringLiteral(" ,");
const QString cutMarker = QStringLiteral(" ,...");

void appendMember(QString &out, const QJSValue &member, const ValueTextContext &context)
{
    if (member.isArray()) {
        out += QStringLiteral("Array(%1)").arg(member.property(QStringLiteral("length")).toUInt());
    } else if (member.isString()) {
        out += QLatin1Char('"');
        out += member.toString();
        out += QLatin1Char('"');
    } else if (context.description) {
        out += context.description->describe(member, valueTextLengthLimit);
    } else {
        out += member.toString();
    }
}

// Whether the listing must stop before the next entry.
bool full(const QString &list, const ValueTextContext &context)
{
    return list.size() > valueTextLengthLimit || (context.stop && context.stop());
}

} // namespace

QString valueText(const QJSValue &value, const ValueTextContext &context)
{
    if (value.isArray()) {
        const quint32 length = value.property(QStringLiteral("length")).toUInt();
        const quint32 shown = qMin(length, valueTextElementLimit);
        QString list;
        quint32 i = 0;
        for (; i < shown && !full(list, context); ++i) {
            if (i > 0)
                list += separator;
            appendMember(list, value.property(i), context);
        }
        if (i < length)
            list += cutMarker;
        return QStringLiteral("(%1) [%2]").arg(length).arg(list);
    }
    if (value.isObject()) {
        // Typed arrays, array-likes and objects with millions of keys take this branch: bounded like arrays.
        QString list;
        quint32 count = 0;
        bool cut = false;
        QJSValueIterator it(value);
        while (it.hasNext()) {
            if (count == valueTextElementLimit || full(list, context)) {
                cut = true;
                break;
            }
            it.next();
            if (count > 0)
                list += separator;
            list += it.name();
            list += QStringLiteral(": ");
            appendMember(list, it.value(), context);
            ++count;
        }
        if (cut)
            list += cutMarker;
        return QStringLiteral("(%1) {%2}").arg(cut ? QString::number(count) + QLatin1Char('+') : QString::number(count))
            .arg(list);
    }
    if (value.isString())
        return QStringLiteral("\"%1\"").arg(value.toString());
    return value.toString();
}
