#include "browser/ValueDescription.h"

#include <QJSEngine>

const QString ValueDescription::ellipsis = QStringLiteral("…");

namespace {

// Gets the built-ins it uses as arguments, captured before any script ran, so a script that later replaces String
// or the array methods changes nothing here. Returns [text, cut]; a cycle joins as the empty text.
const char joinSource[] = R"JS((function (str, toPrimitive, arrayToString, arrayJoin, typedToString, typedJoin) {
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
}))JS";

// The built-ins the join compares against, read from a fresh engine: [String, Symbol.toPrimitive, Array's toString
// and join, typed arrays' toString and join].
const char builtinsSource[] = R"JS([String, Symbol.toPrimitive, Array.prototype.toString, Array.prototype.join,
    Object.getPrototypeOf(Uint8Array.prototype).toString, Object.getPrototypeOf(Uint8Array.prototype).join])JS";

// Enough elements and nesting for any text a view shows. The path is searched for cycles at every nested array, so
// the nesting bound also bounds that search.
constexpr int maxSteps = 100000;
constexpr int maxDepth = 256;

} // namespace

ValueDescription::ValueDescription(QJSEngine *engine)
    : engine(engine),
      objectToString(engine->globalObject().property(QStringLiteral("Object")).property(QStringLiteral("prototype"))
                         .property(QStringLiteral("toString"))),
      builtins(engine->evaluate(QString::fromUtf8(builtinsSource)))
{
}

bool ValueDescription::plainObject(const QJSValue &value) const
{
    // Converted by Object.prototype.toString ("[object Math]"), which recurses nowhere.
    return !value.isArray() && value.property(QStringLiteral("toString")).strictlyEquals(objectToString);
}

QString ValueDescription::describe(const QJSValue &value, int maxLength) const
{
    QString text;
    bool cut = false;
    if (!value.isObject() || value.isCallable() || plainObject(value)) {
        // No array among them: a primitive, a function or a plain object, whose conversion recurses nowhere.
        text = value.toString();
        return finish(text, maxLength, false);
    }
    if (!joinTried) {
        joinTried = true;
        const QJSValue factory = engine->evaluate(QString::fromUtf8(joinSource));
        QJSValueList arguments;
        for (quint32 i = 0; i < 6; ++i)
            arguments.append(builtins.property(i));
        join = builtins.isArray() && factory.isCallable() ? QJSValue(factory).call(arguments) : QJSValue();
    }
    if (!join.isCallable()) {
        // No helper (its engine failed to run it): nothing that might be an array is converted.
    } else {
        const QJSValue result = QJSValue(join).call({value, maxLength, maxSteps, maxDepth});
        if (result.isArray()) {
            text = result.property(0).toString();
            cut = result.property(1).toBool();
        } else {
            text = result.toString(); // the conversion threw this
        }
    }
    return finish(text, maxLength, cut);
}

QString ValueDescription::finish(QString text, int maxLength, bool cut)
{
    if (text.size() > maxLength) {
        text.truncate(maxLength);
        cut = true;
    }
    if (cut)
        text += ellipsis;
    return text;
}
