#pragma once

#include <QJSValue>
#include <QString>

#include <functional>

class ValueDescription;

// The display text of one script value: arrays as "(n) [e0 ,e1]", other objects as "(n) {name: v ,...}", strings in
// double quotes, everything else as the engine converts it. Members get one level: a member array shows as
// "Array(n)", a member string in quotes, anything else as its string conversion.
//
// Every list is bounded, so no value can freeze the window or exhaust memory: at most valueTextElementLimit
// entries are listed, and listing stops once the text passes valueTextLengthLimit characters; a list cut short ends
// with " ,...". An array still shows its real length; an object cut short shows the count listed followed by "+".
constexpr quint32 valueTextElementLimit = 10000;
constexpr int valueTextLengthLimit = 100000;

// What valueText may know of the engine the value lives in.
struct ValueTextContext
{
    // The engine's own conversion, bounded, for member texts; without it members use plain toString.
    const ValueDescription *description = nullptr;
    // Holds once the script time limit has passed: the listing stops there.
    std::function<bool()> stop;
};

QString valueText(const QJSValue &value, const ValueTextContext &context = ValueTextContext());
