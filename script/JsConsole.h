#pragma once

#include "script/ValueText.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJSValue>
#include <QObject>
#include <QString>

#include <functional>
#include <initializer_list>

class QJSEngine;

// Scripts must see a method named "assert", the name of the C library's assertion macro (which <QtGlobal> pulls
// in). Keep the macro away from these declarations only, and give it back to whoever includes this header.
#pragma push_macro("assert")
#undef assert

// The script-visible global "console". Each call that prints emits onMsg (onErrorMsg for error, warn and the
// warnings about timers and counters) once with the operation's label followed by its text. The slots below print
// the value texts of their arguments separated by single blanks, the engine picking the overload by argument count.
// scriptValue() adds node's other console methods, which take any number of values.
//
// Inside console.group() every line is indented by two blanks per level, each of its lines, as node does.
class JsConsole : public QObject
{
    Q_OBJECT

public:
    explicit JsConsole(QObject *parent);

    // The engine's bounded conversions and the time limit, for the value texts of this console's engine.
    void setValueTextContext(const ValueTextContext &context);

    // What scripts reach as the global "console" of engine: this object's wrapper, with error, warn, table, dir,
    // trace, time, timeEnd, timeLog, count, countReset, group, groupCollapsed and groupEnd added as script functions
    // that take any number of values. Made before any script runs in engine.
    QJSValue scriptValue(QJSEngine *engine);

    // The methods scriptValue() adds, in the order its script functions number them.
    enum class Method { Error, Warn, Table, Dir, Trace, Time, TimeEnd, TimeLog, Count, CountReset, Group, GroupCollapsed, GroupEnd };
    // Runs one of them with the script's arguments object. helpers: the script functions that read values as the
    // language does (for the table).
    void callMethod(Method method, const QJSValue &arguments, const QJSValue &helpers, QJSEngine *engine);

    // node's text for a duration in milliseconds: "1.234ms", "1.500s", "1:05.000 (m:ss.mmm)".
    static QString durationText(double ms);

    // A script can connect onMsg back to a console method: each message would print the next, natively, until the
    // stack ran out. Calls nested deeper than this print nothing.
    static constexpr int maxNesting = 16;
    // A script can also connect onMsg to itself, which no slot of ours sees. Once an emission finds less than this
    // share of the thread's stack left, the console stops emitting until the script has unwound.
    static constexpr double minStackShare = 0.5;
    // Timers and counters each keep at most this many labels; a label names them by its first maxLabelLength
    // characters.
    static constexpr int maxLabels = 10000;
    static constexpr int maxLabelLength = 1000;
    // Groups nested deeper than this indent no further.
    static constexpr int maxGroupIndent = 32;
    // trace shows this many frames at most, as node does.
    static constexpr int traceFrames = 10;

signals:
    void onMsg(QString msg);
    void onErrorMsg(QString msg);

public slots:
    void log(QJSValue msg);
    void log(QJSValue msg, QJSValue msg1);
    void log(QJSValue msg, QJSValue msg1, QJSValue msg3);
    void debug(QJSValue msg);
    void debug(QJSValue msg, QJSValue msg1);
    void debug(QJSValue msg, QJSValue msg1, QJSValue msg3);
    void print(QJSValue msg);
    void print(QJSValue msg, QJSValue msg1);
    void print(QJSValue msg, QJSValue msg1, QJSValue msg3);
    void info(QJSValue msg);
    void info(QJSValue msg, QJSValue msg1);
    void info(QJSValue msg, QJSValue msg1, QJSValue msg3);
    // Prints when cond holds (not when it fails).
    void assert(bool cond, QJSValue msg);
    void assert(bool cond, QJSValue msg, QJSValue msg1);
    void assert(bool cond, QJSValue msg, QJSValue msg1, QJSValue msg2);

private:
    enum class Colour { Console, Error };

    // Runs one console call, unless calls are nested too deep.
    void guarded(const std::function<void()> &call);
    void say(const QString &label, std::initializer_list<const QJSValue *> values);
    // Emits label and text, indented to the current group unless not inGroup.
    void emitLine(Colour colour, const QString &label, const QString &text, bool inGroup = true);
    // A warning about timers and counters, which node prints outside the group indentation.
    void warn(const QString &label, const QString &text);
    // The value texts of arguments from the first one on, separated by blanks.
    QString valuesText(const QJSValue &arguments, int first) const;
    // A value's text, an error's as node shows it (its text and its stack).
    QString argumentText(const QJSValue &value) const;
    QString labelOf(const QJSValue &arguments) const;
    // Whether table (timers or counters) may take a new label; says why not otherwise.
    bool roomFor(const QHash<QString, qint64> &table, const QString &method, const QString &name);
    void timer(Method method, const QJSValue &arguments);
    void table(const QJSValue &arguments, const QJSValue &helpers, QJSEngine *engine);
    void trace(const QJSValue &arguments, QJSEngine *engine);
    static bool stackLow();

    ValueTextContext textContext;
    int nesting = 0;
    qint64 groupDepth = 0;
    QElapsedTimer clock;
    QHash<QString, qint64> timers;   // label -> start, in nanoseconds of clock
    QHash<QString, qint64> counters; // label -> count
};

#pragma pop_macro("assert")
