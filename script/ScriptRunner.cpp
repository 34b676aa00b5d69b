#include "script/ScriptRunner.h"

#include "browser/ValueDescription.h"
#include "script/EngineInternals.h"
#include "script/ScriptWatchdog.h"

#include <QJSEngine>
#include <QStringList>

namespace {

// As much of a thrown value's text as the output log shows of any entry.
constexpr int thrownTextLength = 50000;

// The stack text of a thrown value that carries none, in the engine's own form ("f@:3").
QString stackText(const QList<EngineInternals::Frame> &frames)
{
    QStringList lines;
    for (const EngineInternals::Frame &frame : frames)
        lines.append(QStringLiteral("%1@:%2").arg(frame.function).arg(frame.line));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ScriptRunner::ScriptRunner(ScriptWatchdog &watchdog) : watchdog(watchdog)
{
}

void ScriptRunner::setBeforeUserCode(const std::function<void()> &hook)
{
    beforeUserCode = hook;
}

ScriptRunner::StopCheck ScriptRunner::stopCheck() const
{
    const ScriptWatchdog *dog = &watchdog;
    return [dog] { return dog->timeUp(); };
}

ScriptOutcome ScriptRunner::evaluate(QJSEngine *engine, const QString &program, const ValueDescription *description)
{
    if (beforeUserCode)
        beforeUserCode();
    ScriptWatchdog::Scope scope(watchdog, engine);
    const EngineInternals::Evaluation evaluation = EngineInternals::evaluate(engine, program, 1);
    bool jobsDone = true;
    if (evaluation.interrupted)
        EngineInternals::dropPendingJobs(engine);
    else
        jobsDone = EngineInternals::runPendingJobs(engine, stopCheck());
    EngineInternals::clearPendingException(engine);
    scope.finish();

    ScriptOutcome outcome;
    if (evaluation.interrupted || !jobsDone) {
        outcome.kind = ScriptOutcome::Kind::Interrupted;
        return outcome;
    }
    const QJSValue &value = evaluation.value;
    if (value.isError()) {
        outcome.kind = ScriptOutcome::Kind::Error;
        outcome.lineNumber = value.property(QStringLiteral("lineNumber")).toInt();
        outcome.stack = value.property(QStringLiteral("stack")).toString();
        outcome.text = value.toString();
    } else if (evaluation.thrown) {
        outcome.kind = ScriptOutcome::Kind::Error;
        outcome.lineNumber = evaluation.frames.isEmpty() ? 0 : evaluation.frames.first().line;
        outcome.stack = stackText(evaluation.frames);
        outcome.text = description ? description->describe(value, thrownTextLength) : value.toString();
    } else {
        outcome.value = value;
    }
    return outcome;
}

bool ScriptRunner::walk(QJSEngine *engine, const std::function<bool(const StopCheck &)> &work)
{
    if (beforeUserCode)
        beforeUserCode();
    ScriptWatchdog::Scope scope(watchdog, engine);
    const StopCheck stop = stopCheck();
    const bool complete = work(stop);
    // Getters may queue promise jobs, and a throwing Proxy trap leaves its exception pending in the engine, where
    // the next evaluation would report it as its own.
    const bool jobsDone = EngineInternals::runPendingJobs(engine, stop);
    EngineInternals::clearPendingException(engine);
    scope.finish();
    return complete && jobsDone;
}
