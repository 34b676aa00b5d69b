#pragma once

#include "script/ValueText.h"

#include <QJSValue>
#include <QObject>
#include <QString>

#include <initializer_list>

// Scripts must see a method named "assert", the name of the C library's assertion macro (which <QtGlobal> pulls
// in). Keep the macro away from these declarations only, and give it back to whoever includes this header.
#pragma push_macro("assert")
#undef assert

// The script-visible global "console". Each call that prints emits onMsg once with the operation's label followed
// by the value texts of its arguments, separated by single blanks. The engine picks the overload by argument count.
class JsConsole : public QObject
{
    Q_OBJECT

public:
    explicit JsConsole(QObject *parent);

    // The engine's bounded conversions and the time limit, for the value texts of this console's engine.
    void setValueTextContext(const ValueTextContext &context);

    // A script can connect onMsg back to a console method: each message would print the next, natively, until the
    // stack ran out. Calls nested deeper than this print nothing.
    static constexpr int maxNesting = 16;
    // A script can also connect onMsg to itself, which no slot of ours sees. Once an emission finds less than this
    // share of the thread's stack left, the console stops emitting until the script has unwound.
    static constexpr double minStackShare = 0.5;

signals:
    void onMsg(QString msg);

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
    void say(const QString &label, std::initializer_list<const QJSValue *> values);
    static bool stackLow();

    ValueTextContext textContext;
    int nesting = 0;
};

#pragma pop_macro("assert")
