#pragma once

#include "script/ScriptOutcome.h"

#include <QJSValue>
#include <QString>

#include <functional>

class QJSEngine;
class ScriptWatchdog;
class ValueDescription;

// The one place where script code runs: every evaluation, call and native walk that calls into script code
// (getters, toString, the texts of thrown values and results) runs here, under the time limit, and comes back as
// what it was. Promise jobs the code queued run here too, under the same limit, instead of later from the event loop
// where nothing could stop them.
class ScriptRunner
{
public:
    using StopCheck = std::function<bool()>;

    explicit ScriptRunner(ScriptWatchdog &watchdog);

    // Runs before any user code: the window keeps the crash journal there.
    void setBeforeUserCode(const std::function<void()> &hook);
    void beforeUserCode() const;

    // What to do, still under the limit, once the code and its promise jobs are done (the caller's texts of what it
    // left: a value text, unhandled rejections). Returns false when the limit cut it short.
    using Finish = std::function<bool(ScriptOutcome &, const StopCheck &)>;

    // Evaluates program with its first line numbered 1. description gives the bounded text of a thrown value that is
    // not an error object (a thrown cyclic array would take the process down through its own toString).
    ScriptOutcome evaluate(QJSEngine *engine, const QString &program, const ValueDescription *description,
                           const Finish &finish = Finish(), const QString &fileName = QString());
    // Calls function with thisObject and arguments, in the same way.
    ScriptOutcome call(QJSEngine *engine, const QJSValue &function, const QJSValue &thisObject,
                       const QJSValueList &arguments, const ValueDescription *description,
                       const Finish &finish = Finish());

    // Runs work, which calls into engine and polls the stop check it is given between steps. Returns false when
    // the time limit cut it off (work returns false when it stopped early).
    bool walk(QJSEngine *engine, const std::function<bool(const StopCheck &)> &work);

    // Holds once the limit of the running evaluation or walk has passed.
    StopCheck stopCheck() const;

    // The line, stack and text of a thrown value, as the error lines show them (a value that is no error object takes
    // its line from outcome's frames). Calls script code (toString, getters): run it under the limit.
    static void describeError(const QJSValue &value, const ValueDescription *description, ScriptOutcome *outcome);

private:
    template <typename Run>
    ScriptOutcome run(QJSEngine *engine, const ValueDescription *description, const Finish &finish, Run evaluation);

    ScriptWatchdog &watchdog;
    std::function<void()> beforeUserCodeHook;
};
