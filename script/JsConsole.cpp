#include "script/JsConsole.h"

#include "script/ConsoleCalls.h"
#include "script/ConsoleTable.h"
#include "script/EngineInternals.h"
#include "script/ValueText.h"

#include <QJSEngine>
#include <QQmlEngine>

#include <cmath>
#include <initializer_list>

#include <pthread.h>

// The slot definitions below, and the generated meta-object code included at the end, spell the name "assert".
#pragma push_macro("assert")
#undef assert

namespace {

const QString logLabel = QStringLiteral("Log：");
const QString debugLabel = QStringLiteral("debug：");
const QString printLabel = QStringLiteral("print：");
const QString infoLabel = QStringLiteral("info：");
const QString assertLabel = QStringLiteral("assert：");

// The labels of the methods that take any number of values, by JsConsole::Method.
const QString methodLabels[] = {
    QStringLiteral("error："), QStringLiteral("warn："),    QStringLiteral("table："),      QStringLiteral("dir："),
    QStringLiteral("trace："), QStringLiteral("time："),    QStringLiteral("timeEnd："),    QStringLiteral("timeLog："),
    QStringLiteral("count："), QStringLiteral("countReset："), QStringLiteral("group："), QStringLiteral("groupCollapsed："),
    QStringLiteral("groupEnd："),
};

// Run once in a console's engine before any script: makes the methods that take any number of values, each a
// script function that hands its arguments object to the native end, and the helpers that read values as the
// language does. The built-ins they use are taken now, so a script that replaces them later changes nothing here.
const QString installer = QStringLiteral(R"js(
(function (target, calls) {
    'use strict';
    var uncurry = Function.prototype.bind.bind(Function.prototype.call);
    var hasOwn = uncurry(Object.prototype.hasOwnProperty);
    var describe = Object.getOwnPropertyDescriptor, prototypeOf = Object.getPrototypeOf;
    var defineProperty = Object.defineProperty;
    var mapSize = uncurry(describe(Map.prototype, 'size').get), mapEntries = uncurry(Map.prototype.entries);
    var mapNext = uncurry(prototypeOf(new Map().entries()).next);
    var setSize = uncurry(describe(Set.prototype, 'size').get), setValues = uncurry(Set.prototype.values);
    var setNext = uncurry(prototypeOf(new Set().values()).next);
    var helpers = {
        keys: function (value, limit) {
            var keys = [];
            for (var key in value) {
                if (hasOwn(value, key)) {
                    if (keys.length === limit)
                        break;
                    keys[keys.length] = key;
                }
            }
            return keys;
        },
        entries: function (value, limit) {
            var size, iterator, next, map = true;
            try {
                size = mapSize(value);
                iterator = mapEntries(value);
                next = mapNext;
            } catch (notMap) {
                try {
                    size = setSize(value);
                    iterator = setValues(value);
                    next = setNext;
                    map = false;
                } catch (notSet) {
                    return null;
                }
            }
            var items = [];
            for (var step = next(iterator); !step.done && items.length < limit; step = next(iterator))
                items[items.length] = step.value;
            return {map: map, size: size, items: items};
        },
        constructorName: function (value) {
            var first, object = value;
            while (object !== null && object !== undefined) {
                var own = describe(object, 'constructor');
                if (own !== undefined && typeof own.value === 'function' && own.value.name !== '' &&
                    value instanceof own.value)
                    return String(own.value.name);
                object = prototypeOf(object);
                if (first === undefined)
                    first = object;
            }
            return first === null ? null : 'Object';
        }
    };
    function method(index, name) {
        var call = function () {
            calls.run(index, arguments, helpers);
        };
        defineProperty(call, 'name', {value: name});
        return call;
    }
    var names = ['error', 'warn', 'table', 'dir', 'trace', 'time', 'timeEnd', 'timeLog', 'count', 'countReset', 'group',
                 'groupCollapsed', 'groupEnd'];
    for (var i = 0; i < names.length; ++i)
        target[names[i]] = method(i, names[i]);
})
)js");

int argumentCount(const QJSValue &arguments)
{
    return int(qMin(arguments.property(QStringLiteral("length")).toUInt(), quint32(INT_MAX)));
}

// Number.prototype.toFixed(3) and then the shortest text of that number, as node's timers print.
QString fixed3(double value)
{
    return QString::number(value, 'f', 3);
}

QString shortest(const QString &fixed)
{
    QString text = fixed;
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

// A stack frame as node shows one, with the script's line.
QString frameText(const QString &function, int line)
{
    const bool anonymous = function.isEmpty() || function == QLatin1String("%entry");
    return QStringLiteral("\n    at %1 (第%2行)").arg(anonymous ? QStringLiteral("<anonymous>") : function, QString::number(line));
}

QString twoDigits(const QString &text)
{
    return text.rightJustified(2, QLatin1Char('0'));
}

} // namespace

JsConsole::JsConsole(QObject *parent) : QObject(parent)
{
    clock.start();
    // The first receiver of every emission, before the window's and the script's own.
    for (auto signal : {&JsConsole::onMsg, &JsConsole::onErrorMsg}) {
        connect(this, signal, this, [this] {
            if (stackLow())
                blockSignals(true);
        });
    }
}

bool JsConsole::stackLow()
{
    // The stack of the thread that runs scripts (the GUI thread, the only one): its lowest address and size, looked
    // up once.
    static const char *low = nullptr;
    static size_t size = 0;
    if (!low) {
        pthread_attr_t attributes;
        void *address = nullptr;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstack(&attributes, &address, &size);
            pthread_attr_destroy(&attributes);
        }
        if (!address)
            return false;
        low = static_cast<const char *>(address);
    }
    const char here = 0;
    return size_t(&here - low) < size_t(double(size) * minStackShare);
}

void JsConsole::setValueTextContext(const ValueTextContext &context)
{
    textContext = context;
}

QJSValue JsConsole::scriptValue(QJSEngine *engine)
{
    auto *calls = new ConsoleCalls(this);
    // The engine must never delete it; it goes with this console.
    QQmlEngine::setObjectOwnership(calls, QQmlEngine::CppOwnership);
    const QJSValue console = engine->newQObject(this);
    // Compiled once per process (every compile makes a console): each engine runs the compiled unit.
    static const std::shared_ptr<const EngineInternals::Compiled> compiled =
        EngineInternals::compile(engine, installer, QStringLiteral("velmora-console"));
    const QJSValue install = compiled ? EngineInternals::run(engine, *compiled) : engine->evaluate(installer);
    QJSValue(install).call({console, engine->newQObject(calls)});
    return console;
}

void JsConsole::guarded(const std::function<void()> &call)
{
    if (nesting >= maxNesting)
        return;
    // A runaway emission chain blocked the signals; the script has unwound since.
    if (nesting == 0 && signalsBlocked() && !stackLow())
        blockSignals(false);
    ++nesting;
    call();
    --nesting;
}

void JsConsole::emitLine(Colour colour, const QString &label, const QString &text, bool inGroup)
{
    const QString indent(inGroup ? int(qMin<qint64>(groupDepth, maxGroupIndent)) * 2 : 0, QLatin1Char(' '));
    QString line = indent + label + text;
    if (!indent.isEmpty())
        line.replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
    if (colour == Colour::Error)
        emit onErrorMsg(line);
    else
        emit onMsg(line);
}

void JsConsole::warn(const QString &label, const QString &text)
{
    emitLine(Colour::Error, label, QStringLiteral("Warning: ") + text, false);
}

void JsConsole::say(const QString &label, std::initializer_list<const QJSValue *> values)
{
    guarded([&] {
        QString text;
        bool first = true;
        for (const QJSValue *value : values) {
            if (!first)
                text += QLatin1Char(' ');
            first = false;
            text += valueText(*value, textContext);
        }
        emitLine(Colour::Console, label, text);
    });
}

QString JsConsole::valuesText(const QJSValue &arguments, int first) const
{
    QString text;
    const int count = argumentCount(arguments);
    for (int i = first; i < count; ++i) {
        if (i > first)
            text += QLatin1Char(' ');
        // As a value text cuts its list: the rest would only be cut by the log.
        if (text.size() > valueTextLengthLimit || (textContext.stop && textContext.stop())) {
            text += QStringLiteral("...");
            break;
        }
        text += argumentText(arguments.property(quint32(i)));
    }
    return text;
}

QString JsConsole::argumentText(const QJSValue &value) const
{
    if (!value.isError())
        return valueText(value, textContext);
    // As node shows an error: its text, then where it was made. The engine's stack reads "function@file:line".
    QString text = value.toString();
    const QStringList frames = value.property(QStringLiteral("stack")).toString().split(QLatin1Char('\n'));
    for (int i = 0; i < qMin(int(frames.size()), traceFrames); ++i) {
        const QString &frame = frames.at(i);
        const int at = frame.lastIndexOf(QLatin1Char('@'));
        const int colon = frame.lastIndexOf(QLatin1Char(':'));
        if (at >= 0 && colon > at)
            text += frameText(frame.left(at), frame.mid(colon + 1).toInt());
    }
    return text;
}

QString JsConsole::labelOf(const QJSValue &arguments) const
{
    // As node: the first argument as a string, "default" when there is none.
    const QJSValue label = arguments.property(0);
    return label.isUndefined() ? QStringLiteral("default") : label.toString().left(maxLabelLength);
}

bool JsConsole::roomFor(const QHash<QString, qint64> &table, const QString &method, const QString &name)
{
    if (table.size() < maxLabels || table.contains(name))
        return true;
    emitLine(Colour::Error, method, QStringLiteral("已有%1个标签,'%2'未记录").arg(maxLabels).arg(name));
    return false;
}

QString JsConsole::durationText(double ms)
{
    // node's formatTime.
    constexpr double second = 1000, minute = 60 * second, hour = 60 * minute;
    double hours = 0, minutes = 0, seconds = 0;
    if (ms >= second) {
        if (ms >= minute) {
            if (ms >= hour) {
                hours = std::floor(ms / hour);
                ms = std::fmod(ms, hour);
            }
            minutes = std::floor(ms / minute);
            ms = std::fmod(ms, minute);
        }
        seconds = ms / second;
    }
    if (hours != 0 || minutes != 0) {
        const QStringList parts = fixed3(seconds).split(QLatin1Char('.'));
        const QString lead = hours != 0 ? QStringLiteral("%1:%2").arg(hours).arg(twoDigits(QString::number(minutes)))
                                        : QString::number(minutes);
        return QStringLiteral("%1:%2.%3 (%4m:ss.mmm)")
            .arg(lead, twoDigits(parts.value(0)), parts.value(1), hours != 0 ? QStringLiteral("h:m") : QString());
    }
    if (seconds != 0)
        return fixed3(seconds) + QLatin1Char('s');
    return shortest(fixed3(ms)) + QStringLiteral("ms");
}

void JsConsole::callMethod(Method method, const QJSValue &arguments, const QJSValue &helpers, QJSEngine *engine)
{
    const QString &label = methodLabels[int(method)];
    guarded([&] {
        switch (method) {
        case Method::Error:
        case Method::Warn:
            emitLine(Colour::Error, label, valuesText(arguments, 0));
            break;
        case Method::Dir:
            emitLine(Colour::Console, label, argumentText(arguments.property(0)));
            break;
        case Method::Table:
            table(arguments, helpers, engine);
            break;
        case Method::Trace:
            trace(arguments, engine);
            break;
        case Method::Time:
        case Method::TimeEnd:
        case Method::TimeLog:
            timer(method, arguments);
            break;
        case Method::Count: {
            const QString name = labelOf(arguments);
            if (roomFor(counters, label, name))
                emitLine(Colour::Console, label, name + QStringLiteral(": ") + QString::number(++counters[name]));
            break;
        }
        case Method::CountReset: {
            const QString name = labelOf(arguments);
            if (!counters.remove(name))
                warn(label, QStringLiteral("Count for '%1' does not exist").arg(name));
            break;
        }
        case Method::Group:
        case Method::GroupCollapsed:
            if (argumentCount(arguments) > 0)
                emitLine(Colour::Console, label, valuesText(arguments, 0));
            ++groupDepth;
            break;
        case Method::GroupEnd:
            groupDepth = qMax<qint64>(groupDepth - 1, 0);
            break;
        }
    });
}

void JsConsole::timer(Method method, const QJSValue &arguments)
{
    const QString &label = methodLabels[int(method)];
    const QString name = labelOf(arguments);
    const auto found = timers.constFind(name);
    if (method == Method::Time) {
        if (found != timers.constEnd())
            warn(label, QStringLiteral("Label '%1' already exists for console.time()").arg(name));
        else if (roomFor(timers, label, name))
            timers.insert(name, clock.nsecsElapsed());
        return;
    }
    const bool end = method == Method::TimeEnd;
    if (found == timers.constEnd()) {
        warn(label, QStringLiteral("No such label '%1' for console.%2()").arg(name, end ? QStringLiteral("timeEnd") : QStringLiteral("timeLog")));
        return;
    }
    QString text = name + QStringLiteral(": ") + durationText(double(clock.nsecsElapsed() - found.value()) / 1e6);
    if (end)
        timers.remove(name);
    else if (argumentCount(arguments) > 1)
        text += QLatin1Char(' ') + valuesText(arguments, 1);
    emitLine(Colour::Console, label, text);
}

void JsConsole::table(const QJSValue &arguments, const QJSValue &helpers, QJSEngine *engine)
{
    const QString &label = methodLabels[int(Method::Table)];
    const QJSValue data = arguments.property(0);
    const QJSValue properties = arguments.property(1);
    if (!properties.isUndefined() && !properties.isArray()) {
        engine->throwError(QJSValue::TypeError, QStringLiteral("The \"properties\" argument must be an instance of Array"));
        return;
    }
    if (!data.isObject() || data.isCallable()) {
        // As node: what is not a table is logged.
        emitLine(Colour::Console, label, valueText(data, textContext));
        return;
    }
    // The table starts on a line of its own, so that its frame lines up.
    emitLine(Colour::Console, label, QLatin1Char('\n') + ConsoleTable::text(data, properties, helpers, textContext));
}

void JsConsole::trace(const QJSValue &arguments, QJSEngine *engine)
{
    QString text = QStringLiteral("Trace");
    if (argumentCount(arguments) > 0)
        text += QStringLiteral(": ") + valuesText(arguments, 0);
    // The innermost frame is the console's own script function.
    const QList<EngineInternals::Frame> frames = EngineInternals::currentStack(engine, traceFrames + 1);
    for (int i = 1; i < frames.size(); ++i)
        text += frameText(frames.at(i).function, frames.at(i).line);
    emitLine(Colour::Console, methodLabels[int(Method::Trace)], text);
}

void JsConsole::log(QJSValue msg)
{
    say(logLabel, {&msg});
}

void JsConsole::log(QJSValue msg, QJSValue msg1)
{
    say(logLabel, {&msg, &msg1});
}

void JsConsole::log(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(logLabel, {&msg, &msg1, &msg3});
}

void JsConsole::debug(QJSValue msg)
{
    say(debugLabel, {&msg});
}

void JsConsole::debug(QJSValue msg, QJSValue msg1)
{
    say(debugLabel, {&msg, &msg1});
}

void JsConsole::debug(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(debugLabel, {&msg, &msg1, &msg3});
}

void JsConsole::print(QJSValue msg)
{
    say(printLabel, {&msg});
}

void JsConsole::print(QJSValue msg, QJSValue msg1)
{
    say(printLabel, {&msg, &msg1});
}

void JsConsole::print(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(printLabel, {&msg, &msg1, &msg3});
}

void JsConsole::info(QJSValue msg)
{
    say(infoLabel, {&msg});
}

void JsConsole::info(QJSValue msg, QJSValue msg1)
{
    say(infoLabel, {&msg, &msg1});
}

void JsConsole::info(QJSValue msg, QJSValue msg1, QJSValue msg3)
{
    say(infoLabel, {&msg, &msg1, &msg3});
}

void JsConsole::assert(bool cond, QJSValue msg)
{
    if (cond)
        say(assertLabel, {&msg});
}

void JsConsole::assert(bool cond, QJSValue msg, QJSValue msg1)
{
    if (cond)
        say(assertLabel, {&msg, &msg1});
}

void JsConsole::assert(bool cond, QJSValue msg, QJSValue msg1, QJSValue msg2)
{
    if (cond)
        say(assertLabel, {&msg, &msg1, &msg2});
}

#include "moc_JsConsole.cpp"

#pragma pop_macro("assert")
