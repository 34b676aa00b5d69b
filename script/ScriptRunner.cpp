#include "script/ScriptRunner.h"

#include "browser/ValueDescription.h"
#include "script/EngineInternals.h"
#include "script/ScriptWatchdog.h"

#include <QJSEngine>
#include <QStringList>

namespace {

// As much of a thrown value's text as the output log shows of any entry.
constexpr int thrownTextLength = 50000;

} // namespace

ScriptRunner::ScriptRunner(ScriptWatchdog &watchdog) : watchdog(watchdog)
{
}

void ScriptRunner::setBeforeUserCode(const std::function<void()> &hook)
{
    beforeUserCodeHook = hook;
}

void ScriptRunner::beforeUserCode() const
{
    if (beforeUserCodeHook)
        beforeUserCodeHook();
}

ScriptRunner::StopCheck ScriptRunner::stopCheck() const
{
    const ScriptWatchdog *dog = &watchdog;
    return [dog] { return dog->timeUp(); };
}

void ScriptRunner::describeError(const QJSValue &value, const ValueDescription *description, ScriptOutcome *outcome)
{
    if (value.isError()) {
        outcome->lineNumber = value.property(QStringLiteral("lineNumber")).toInt();
        const QJSValue fileName = value.property(QStringLiteral("fileName"));
        outcome->source = fileName.isString() ? fileName.toString() : QString();
        outcome->stack = value.property(QStringLiteral("stack")).toString();
    } else if (!outcome->frames.isEmpty()) {
        // Anything else thrown carries no line of its own: the innermost frame of the throw gives it.
        outcome->lineNumber = outcome->frames.first().line;
        outcome->source = outcome->frames.first().source;
    }
    outcome->text = description ? description->describe(value, thrownTextLength) : value.toString();
}

template <typename Run>
ScriptOutcome ScriptRunner::run(QJSEngine *engine, const ValueDescription *description, const Finish &finish,
                                Run evaluate)
{
    beforeUserCode();
    ScriptWatchdog::Scope scope(watchdog, engine);
    const StopCheck stop = stopCheck();
    const EngineInternals::Evaluation evaluation = evaluate();
    ScriptOutcome outcome;
    bool complete = !evaluation.interrupted;
    if (complete)
        complete = EngineInternals::runPendingJobs(engine, stop);
    else
        EngineInternals::dropPendingJobs(engine);
    if (complete) {
        outcome.syntaxError = evaluation.syntaxError;
        for (const EngineInternals::Frame &frame : evaluation.frames)
            outcome.frames.append(ScriptOutcome::Frame{frame.source, frame.line});
        if (evaluation.thrown) {
            outcome.kind = ScriptOutcome::Kind::Error;
            describeError(evaluation.value, description, &outcome);
            if (!evaluation.value.isError()) {
                // The engine's own form of a stack text ("f@:3").
                QStringList lines;
                for (const EngineInternals::Frame &frame : evaluation.frames)
                    lines.append(QStringLiteral("%1@%2:%3").arg(frame.function, frame.source).arg(frame.line));
                outcome.stack = lines.join(QLatin1Char('\n'));
            }
        } else {
            // An error object the code returned without throwing it is a value like any other.
            outcome.value = evaluation.value;
        }
        if (finish && !finish(outcome, stop))
            complete = false;
    }
    // Getters may queue promise jobs that nothing runs any more, and a throwing Proxy trap leaves its exception pending
    // in the engine, where the next evaluation would report it as its own.
    EngineInternals::clearPendingException(engine);
    if (scope.finish() || !complete || stop()) {
        EngineInternals::dropPendingJobs(engine);
        ScriptOutcome interrupted;
        interrupted.kind = ScriptOutcome::Kind::Interrupted;
        return interrupted;
    }
    return outcome;
}

ScriptOutcome ScriptRunner::evaluate(QJSEngine *engine, const QString &program, const ValueDescription *description,
                                     const Finish &finish, const QString &fileName)
{
    return run(engine, description, finish, [&] { return EngineInternals::evaluate(engine, program, 1, fileName); });
}

ScriptOutcome ScriptRunner::call(QJSEngine *engine, const QJSValue &function, const QJSValue &thisObject,
                                 const QJSValueList &arguments, const ValueDescription *description,
                                 const Finish &finish)
{
    return run(engine, description, finish,
               [&] { return EngineInternals::call(engine, function, thisObject, arguments); });
}

bool ScriptRunner::walk(QJSEngine *engine, const std::function<bool(const StopCheck &)> &work)
{
    beforeUserCode();
    ScriptWatchdog::Scope scope(watchdog, engine);
    const StopCheck stop = stopCheck();
    bool complete = work(stop);
    // Getters may queue promise jobs, and a throwing Proxy trap leaves its exception pending in the engine, where
    // the next evaluation would report it as its own.
    if (complete)
        complete = EngineInternals::runPendingJobs(engine, stop);
    EngineInternals::clearPendingException(engine);
    // The limit may fire on the walk's last step, after which nothing polled it: the scope knows.
    if (scope.finish() || !complete) {
        EngineInternals::dropPendingJobs(engine);
        return false;
    }
    return true;
}
