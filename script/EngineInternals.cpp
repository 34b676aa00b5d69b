#include "script/EngineInternals.h"

#include <QCoreApplication>
#include <QJSEngine>

#include <algorithm>

#include <private/qv4context_p.h>
#include <private/qv4engine_p.h>
#include <private/qv4function_p.h>
#include <private/qv4mm_p.h>
#include <private/qv4promiseobject_p.h>
#include <private/qv4script_p.h>

namespace {

// Counts the events a receiver is sent, so a drain can tell when its queue ran dry.
class EventCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *) override
    {
        ++count;
        return false;
    }
};

} // namespace

EngineInternals::Evaluation EngineInternals::evaluate(QJSEngine *engine, const QString &program, int lineNumber)
{
    Evaluation evaluation;
    QV4::ExecutionEngine *v4 = engine->handle();
    QV4::Scope scope(v4);
    if (v4->hasException)
        v4->catchException();

    // The same steps as QJSEngine::evaluate, keeping what it forgets: whether the result was thrown. The script is
    // compiled exactly as it compiles it: inheriting the context (without that the engine compiles with its fast
    // property lookups, which break a strict-mode assignment to a function's __proto__) and strict only inside
    // strict code.
    QV4::ScopedValue result(scope);
    QV4::Script script(v4->rootContext(), QV4::Compiler::ContextType::Global, program, QString(), lineNumber);
    script.strictMode = false;
    if (v4->currentStackFrame)
        script.strictMode = v4->currentStackFrame->v4Function->isStrict();
    else if (v4->globalCode)
        script.strictMode = v4->globalCode->isStrict();
    script.inheritContext = true;
    script.parse();
    if (!v4->hasException)
        result = script.run();
    if (v4->hasException) {
        evaluation.thrown = true;
        QV4::StackTrace trace;
        result = v4->catchException(&trace);
        for (const QV4::StackFrame &frame : qAsConst(trace))
            evaluation.frames.append(Frame{frame.function, frame.line});
    }
    // An interruption unwinds the script without an exception (no catch block can stop it); only the flag tells.
    if (v4->isInterrupted.loadAcquire()) {
        evaluation.interrupted = true;
        evaluation.thrown = true;
        evaluation.frames.clear();
        result = v4->newErrorObject(QStringLiteral("Interrupted"));
    }
    evaluation.value = QJSValue(v4, result->asReturnedValue());
    return evaluation;
}

bool EngineInternals::runPendingJobs(QJSEngine *engine, const std::function<bool()> &stop)
{
    // The engine makes its job queue on the first promise reaction; no queue, no jobs.
    QObject *jobs = engine->handle()->getPromiseReactionHandler();
    if (!jobs)
        return true;
    EventCounter counter;
    jobs->installEventFilter(&counter);
    bool complete = true;
    for (;;) {
        if (stop && stop()) {
            complete = false;
            break;
        }
        const int before = counter.count;
        // Each pass runs the jobs queued so far; the jobs they queue wait for the next pass.
        QCoreApplication::sendPostedEvents(jobs, 0);
        if (counter.count == before)
            break;
    }
    jobs->removeEventFilter(&counter);
    if (!complete)
        QCoreApplication::removePostedEvents(jobs);
    return complete;
}

void EngineInternals::dropPendingJobs(QJSEngine *engine)
{
    if (QObject *jobs = engine->handle()->getPromiseReactionHandler())
        QCoreApplication::removePostedEvents(jobs);
}

std::unique_ptr<QJSEngine> EngineInternals::newInterpretingEngine()
{
    // The engine reads this variable when it is made, and only then.
    static const char *const variable = "QV4_FORCE_INTERPRETER";
    const bool wasSet = qEnvironmentVariableIsSet(variable);
    const QByteArray previous = qgetenv(variable);
    qputenv(variable, "1");
    auto engine = std::make_unique<QJSEngine>();
    if (wasSet)
        qputenv(variable, previous);
    else
        qunsetenv(variable);
    return engine;
}

void EngineInternals::deferGarbageCollection(QJSEngine *engine, std::size_t bytes)
{
    QV4::MemoryManager *memory = engine->handle()->memoryManager;
    // A collection starts when the managed heap reaches twice the slots the last one left in use, or when the
    // text held by strings passes a limit (which then adapts): as if the last collection had left half of bytes.
    memory->usedSlotsAfterLastFullSweep =
        std::max(memory->usedSlotsAfterLastFullSweep, bytes / 2 / QV4::Chunk::SlotSize);
    memory->unmanagedHeapSizeGCLimit = std::max(memory->unmanagedHeapSizeGCLimit, bytes / 4);
}

QList<EngineInternals::Frame> EngineInternals::currentStack(QJSEngine *engine, int depth)
{
    QList<Frame> frames;
    for (const QV4::StackFrame &frame : engine->handle()->stackTrace(depth))
        frames.append(Frame{frame.function, frame.line});
    return frames;
}

bool EngineInternals::clearPendingException(QJSEngine *engine)
{
    QV4::ExecutionEngine *v4 = engine->handle();
    if (!v4->hasException)
        return false;
    v4->catchException();
    return true;
}
