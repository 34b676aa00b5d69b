#pragma once

#include "script/ScriptOutcome.h"
#include "script/ScriptLowering.h"
#include "script/ScriptRunner.h"

#include <QJSValue>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class JsConsole;
class QJSEngine;
class QTreeWidget;
class QTreeWidgetItem;
class ScriptWatchdog;

// The script context of the workbench: the engine of the last compile with its console, the built-ins and host
// functions installed into it, the lowering of syntax the engine refuses and the mapping of its lines back to the
// user's, the timers the script set, and the accessors that keep its top-level let/const/class reachable. Every call
// into script code it makes runs under the time limit, and comes back as a typed outcome whose texts were taken under
// that limit too. The window turns outcomes into log lines and selections.
class ScriptSession : public QObject
{
    Q_OBJECT

public:
    // Engines and consoles are made with owner as their Qt parent and released with deleteLater.
    ScriptSession(QObject *owner, ScriptWatchdog &watchdog);
    ~ScriptSession() override;

    // Runs before any user code (and before lowering): the window keeps the crash journal there.
    void setBeforeUserCode(const std::function<void()> &hook);
    // Runs around each timer callback, so that its console output can be batched.
    void setCallbackScope(const std::function<void(const std::function<void()> &)> &scope);

    QJSEngine *engine() const;
    JsConsole *console() const;
    // Whether the current engine holds a script that ran to its end without an error.
    bool compiled() const;

    // Throws the current context away (its timers too) and runs program in a fresh one. The tree is not filled.
    ScriptOutcome compile(const QString &program);
    // Evaluates expression in the current engine; a value comes with its value text.
    ScriptOutcome evaluate(const QString &expression);

    // Fills tree with the current engine's globals, except those the workbench added. False when the limit cut it.
    bool fillTree(QTreeWidget *tree);
    // Adds the properties of item's value beneath it. False when the limit cut it.
    bool expand(QTreeWidgetItem *item);
    // Looks item's value up; *isFunction tells whether a click makes a call text of it. False when the limit cut it.
    bool lookUp(const QTreeWidgetItem *item, QJSValue *value, bool *isFunction);
    // The call text of a clicked function ("name(a, b)"). False when the limit cut it (reading length is a call).
    bool callText(const QString &name, const QJSValue &function, QString *text);

    // Cancels every timer of the current script: nothing of it runs again by itself.
    void cancelTimers();
    int pendingTimers() const;

    // The name under which lowered code runs: its stack frames and errors carry it until mapped.
    static const QString loweredScriptName;
    static const QString loweredExpressionName;

signals:
    // A line of the script's console output; error for console.error, console.warn and the console's warnings.
    void consoleLine(const QString &text, bool error);
    // A timer's callback, or the jobs it queued, left something to report: an error, rejections, or the limit.
    void callbackOutcome(const ScriptOutcome &outcome);

private:
    struct Context;

    void releaseContext();
    // Installs what text may use into the current engine (under the limit). False when the limit cut it.
    bool prepareFor(const QString &text);
    ScriptOutcome runLowered(const QString &program, ScriptOutcome engineError);
    // Runs what lowering gave; a syntax error in the outcome means the engine refused even that (nothing ran).
    ScriptOutcome runLoweredText(const QString &program, const ScriptLowering::Result &lowered);
    // Whether text must be lowered for its ** operators to answer right.
    bool lowerExponent(const QString &text) const;
    // Whether this engine's ** gives 1 for 1 ** NaN (asked once per process).
    static bool exponentOperatorWrong();
    // What to report when lowering gave no code to run: the engine's own error with a line saying why, or the
    // mistake esbuild found (its line less lineOffset, the lines put before the user's text).
    static ScriptOutcome withoutLowering(const ScriptLowering::Result &lowered, ScriptOutcome engineError,
                                         int lineOffset);
    // The engine refused even the lowered text.
    static ScriptOutcome refusedAfterLowering(const QString &lowered, const ScriptOutcome &outcome,
                                              ScriptOutcome engineError);
    // *ran, when given, tells whether the lowered expression ran (otherwise the outcome says why it did not).
    ScriptOutcome evaluateLowered(const QString &expression, ScriptOutcome engineError, bool *ran = nullptr);
    // Under the limit, after code and its jobs: what the promise jobs left unhandled.
    bool collectAsyncErrors(ScriptOutcome &outcome, const ScriptRunner::StopCheck &stop);
    // The user's line for a line of code evaluated under source; 0 when it maps to nothing.
    int userLine(const QString &source, int line) const;
    void mapLines(ScriptOutcome *outcome) const;
    void followAccessorCaller(ScriptOutcome *outcome) const;
    void runTimer(const QJSValue &callback, const QJSValueList &arguments);
    int timeLimitMs() const;

    QObject *owner;
    ScriptWatchdog &watchdog;
    ScriptRunner runner;
    std::function<void(const std::function<void()> &)> callbackScope;
    std::unique_ptr<Context> context;
};
