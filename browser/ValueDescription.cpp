#include "browser/ValueDescription.h"

#include <QJSEngine>

const QString ValueDescription::ellipsis = QStringLiteral("…");

namespace {

// Runs once per engine before any script: everything it uses is captured then, so a script that later replaces
// String or the array methods changes nothing here. Returns [text, cut]; a cycle joins as the empty text.
const char joinSource[] = R"JS((function () {
    var str = String;
    var toPrimitive = Symbol.toPrimitive;
    var typed = Object.getPrototypeOf(Uint8Array.prototype);
    var arrayToString = Array.prototype.toString, typedToString = typed.toString;
    var arrayJoin = Array.prototype.join, typedJoin = typed.join;
    function joinsLikeArray(v) {
        if (v === null || (typeof v !== 'object' && typeof v !== 'function'))
            return false;
        if (v[toPrimitive] !== undefined)
            return false;
        var t = v.toString, j = v.join;
        return (t === arrayToString || t === typedToString) && (j === arrayJoin || j === typedJoin);
    }
    return function (value, max, steps, maxDepth) {
        if (!joinsLikeArray(value))
            return [str(value), false];
        var out = '';
        var arrays = [value], lengths = [value.length >>> 0], next = [0], depth = 1;
        while (depth > 0) {
            var top = depth - 1;
            if (next[top] >= lengths[top]) {
                arrays[top] = undefined;
                depth = top;
                continue;
            }
            if (out.length > max || --steps < 0)
                return [out, true];
            var k = next[top]++;
            if (k > 0)
                out += ',';
            var e = arrays[top][k];
            if (e === undefined || e === null)
                continue;
            if (!joinsLikeArray(e)) {
                out += str(e);
                continue;
            }
            var onPath = false;
            for (var i = 0; i < depth && !onPath; ++i)
                onPath = arrays[i] === e;
            if (onPath)
                continue;
            if (depth === maxDepth)
                return [out, true];
            arrays[depth] = e;
            lengths[depth] = e.length >>> 0;
            next[depth] = 0;
            ++depth;
        }
        return [out, false];
    };
})())JS";

// Enough elements and nesting for any text a view shows. The path is searched for cycles at every nested array, so
// the nesting bound also bounds that search.
constexpr int maxSteps = 100000;
constexpr int maxDepth = 256;

} // namespace

ValueDescription::ValueDescription(QJSEngine *engine)
    : join(engine->evaluate(QString::fromUtf8(joinSource)))
{
}

QString ValueDescription::describe(const QJSValue &value, int maxLength) const
{
    QString text;
    bool cut = false;
    if (!join.isCallable()) {
        // No helper (its engine failed to run it): only values that convert without script code.
        if (!value.isObject())
            text = value.toString();
    } else {
        const QJSValue result = QJSValue(join).call({value, maxLength, maxSteps, maxDepth});
        if (result.isArray()) {
            text = result.property(0).toString();
            cut = result.property(1).toBool();
        } else {
            text = result.toString(); // the conversion threw this
        }
    }
    if (text.size() > maxLength) {
        text.truncate(maxLength);
        cut = true;
    }
    if (cut)
        text += ellipsis;
    return text;
}
