#pragma once

#include <QJSValue>
#include <QString>

// The display text of one script value: arrays as "(n) [e0 ,e1]", other objects as "(n) {name: v ,...}", strings in
// double quotes, everything else as the engine converts it. Members get one level: a member array shows as
// "Array(n)", a member string in quotes, anything else as its string conversion.
// Arrays list at most valueTextElementLimit elements; a longer one ends its list with " ,...".
constexpr quint32 valueTextElementLimit = 10000;

QString valueText(const QJSValue &value);
