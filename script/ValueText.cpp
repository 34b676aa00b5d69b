#include "script/ValueText.h"

#include <QJSValueIterator>

namespace {

const QString separator = QStringLiteral(" ,");

void appendMember(QString &out, const QJSValue &member)
{
    if (member.isArray()) {
        out += QStringLiteral("Array(%1)").arg(member.property(QStringLiteral("length")).toUInt());
    } else if (member.isString()) {
        out += QLatin1Char('"');
        out += member.toString();
        out += QLatin1Char('"');
    } else {
        out += member.toString();
    }
}

} // namespace

QString valueText(const QJSValue &value)
{
    if (value.isArray()) {
        const quint32 length = value.property(QStringLiteral("length")).toUInt();
        const quint32 shown = qMin(length, valueTextElementLimit);
        QString list;
        for (quint32 i = 0; i < shown; ++i) {
            if (i > 0)
                list += separator;
            appendMember(list, value.property(i));
        }
        if (shown < length)
            list += QStringLiteral(" ,...");
        return QStringLiteral("(%1) [%2]").arg(length).arg(list);
    }
    if (value.isObject()) {
        QString list;
        int count = 0;
        QJSValueIterator it(value);
        while (it.hasNext()) {
            it.next();
            if (count > 0)
                list += separator;
            list += it.name();
            list += QStringLiteral(": ");
            appendMember(list, it.value());
            ++count;
        }
        return QStringLiteral("(%1) {%2}").arg(count).arg(list);
    }
    if (value.isString())
        return QStringLiteral("\"%1\"").arg(value.toString());
    return value.toString();
}
