#pragma once

#include "script/ScriptOutcome.h"

#include <QString>

#include <functional>

class QJSEngine;
class ScriptWatchdog;
class ValueDescription;

// The one place where script code runs: every evaluation and every native walk that calls into script code
// (getters and toString during the object tree's fill and lookups) runs here, under the time limit, and comes back
// as what it was. Promise jobs the code queued run here too, under the same limit, instead of later from the
// event loop where nothing could stop them.
class ScriptRunner
{
public:
    using StopCheck = std::function<bool()>;

    explicit ScriptRunner(ScriptWatchdog &watchdog);

    // Runs before any user code: the window keeps the crash journal there.
    void setBeforeUserCode(const std::function<void()> &hook);

    // Evaluates program with its first line numbered 1. description, when given, gives the text of a thrown value
    // that is not an error object (a thrown cyclic array would take the process down through its own toString).
    ScriptOutcome evaluate(QJSEngine *engine, const QString &program, const ValueDescription *description = nullptr);

    // Runs work, which calls into engine and polls the stop check it is given between steps. Returns false when
    // the time limit cut it off (work returns false when it stopped early).
    bool walk(QJSEngine *engine, const std::function<bool(const StopCheck &)> &work);

    // Holds once the limit of the running evaluation or walk has passed.
    StopCheck stopCheck() const;

private:
    ScriptWatchdog &watchdog;
    std::function<void()> beforeUserCode;
};
