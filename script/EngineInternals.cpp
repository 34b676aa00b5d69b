#include "script/EngineInternals.h"

#include <QCoreApplication>
#include <QJSEngine>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <private/qjsvalue_p.h>
#include <private/qv4compileddata_p.h>
#include <private/qv4context_p.h>
#include <private/qv4executablecompilationunit_p.h>
#include <private/qv4engine_p.h>
#include <private/qv4jscall_p.h>
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

EngineInternals::Evaluation EngineInternals::evaluate(QJSEngine *engine, const QString &program, int lineNumber,
                                                      const QString &fileName)
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
    QV4::Script script(v4->rootContext(), QV4::Compiler::ContextType::Global, program, fileName, lineNumber);
    script.strictMode = false;
    if (v4->currentStackFrame)
        script.strictMode = v4->currentStackFrame->v4Function->isStrict();
    else if (v4->globalCode)
        script.strictMode = v4->globalCode->isStrict();
    script.inheritContext = true;
    script.parse();
    if (v4->hasException)
        evaluation.syntaxError = true;
    else
        result = script.run();
    finish(v4, result, &evaluation);
    return evaluation;
}

EngineInternals::Evaluation EngineInternals::call(QJSEngine *engine, const QJSValue &function,
                                                  const QJSValue &thisObject, const QJSValueList &arguments)
{
    Evaluation evaluation;
    QV4::ExecutionEngine *v4 = engine->handle();
    QV4::Scope scope(v4);
    if (v4->hasException)
        v4->catchException();
    QV4::ScopedValue result(scope);
    QV4::ScopedFunctionObject callee(scope, QJSValuePrivate::convertedToValue(v4, function));
    if (!callee) {
        result = v4->throwTypeError();
    } else {
        QV4::JSCallData callData(scope, arguments.size());
        *callData->thisObject = QJSValuePrivate::convertedToValue(v4, thisObject);
        for (int i = 0; i < arguments.size(); ++i)
            callData->args[i] = QJSValuePrivate::convertedToValue(v4, arguments.at(i));
        result = callee->call(callData);
    }
    finish(v4, result, &evaluation);
    return evaluation;
}

void EngineInternals::finish(QV4::ExecutionEngine *v4, QV4::ScopedValue &result, Evaluation *evaluation)
{
    if (v4->hasException) {
        evaluation->thrown = true;
        QV4::StackTrace trace;
        result = v4->catchException(&trace);
        for (const QV4::StackFrame &frame : qAsConst(trace))
            evaluation->frames.append(Frame{frame.function, frame.source, frame.line});
    }
    // An interruption unwinds the script without an exception (no catch block can stop it); only the flag tells.
    if (v4->isInterrupted.loadAcquire()) {
        evaluation->interrupted = true;
        evaluation->thrown = true;
        evaluation->syntaxError = false;
        evaluation->frames.clear();
        result = v4->newErrorObject(QStringLiteral("Interrupted"));
    }
    evaluation->value = QJSValue(v4, result->asReturnedValue());
}

EngineInternals::PromiseState EngineInternals::promiseState(const QJSValue &value)
{
    QV4::ExecutionEngine *v4 = QJSValuePrivate::engine(&value);
    if (!v4)
        return PromiseState::NotAPromise;
    QV4::Scope scope(v4);
    QV4::Scoped<QV4::PromiseObject> promise(scope, QJSValuePrivate::convertedToValue(v4, value));
    if (!promise)
        return PromiseState::NotAPromise;
    // The state is read directly: the engine's accessors for it are not exported.
    switch (promise->d()->state) {
    case QV4::Heap::PromiseObject::Fulfilled:
        return PromiseState::Fulfilled;
    case QV4::Heap::PromiseObject::Rejected:
        return PromiseState::Rejected;
    case QV4::Heap::PromiseObject::Pending:
        break;
    }
    return PromiseState::Pending;
}

QJSValue EngineInternals::promiseResult(const QJSValue &value)
{
    QV4::ExecutionEngine *v4 = QJSValuePrivate::engine(&value);
    if (!v4)
        return QJSValue();
    QV4::Scope scope(v4);
    QV4::Scoped<QV4::PromiseObject> promise(scope, QJSValuePrivate::convertedToValue(v4, value));
    if (!promise || promise->d()->state == QV4::Heap::PromiseObject::Pending)
        return QJSValue();
    QV4::ScopedValue result(scope, promise->d()->resolution);
    return QJSValue(v4, result->asReturnedValue());
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

// The compiled unit, copied out of the engine that compiled it and marked as static data: the engines that run it
// link to it and never free it.
struct EngineInternals::Compiled
{
    QV4::CompiledData::Unit *unit = nullptr;

    Compiled() = default;
    Compiled(const Compiled &) = delete;
    Compiled &operator=(const Compiled &) = delete;
    ~Compiled() { std::free(unit); }
};

std::shared_ptr<const EngineInternals::Compiled> EngineInternals::compile(QJSEngine *engine, const QString &program,
                                                                         const QString &fileName)
{
    QV4::ExecutionEngine *v4 = engine->handle();
    QV4::Scope scope(v4);
    QV4::Script script(v4->rootContext(), QV4::Compiler::ContextType::Global, program, fileName);
    script.inheritContext = true;
    script.parse();
    if (v4->hasException) {
        v4->catchException();
        return nullptr;
    }
    const QV4::CompiledData::Unit *data = script.compilationUnit ? script.compilationUnit->unitData() : nullptr;
    if (!data)
        return nullptr;
    auto compiled = std::make_shared<Compiled>();
    compiled->unit = static_cast<QV4::CompiledData::Unit *>(std::malloc(data->unitSize));
    if (!compiled->unit)
        return nullptr;
    std::memcpy(compiled->unit, data, data->unitSize);
    compiled->unit->flags = compiled->unit->flags | QV4::CompiledData::Unit::StaticData;
    return compiled;
}

QJSValue EngineInternals::run(QJSEngine *engine, const Compiled &compiled)
{
    QV4::ExecutionEngine *v4 = engine->handle();
    QV4::Scope scope(v4);
    QV4::Script script(v4, nullptr,
                       QV4::ExecutableCompilationUnit::create(QV4::CompiledData::CompilationUnit(compiled.unit)));
    QV4::ScopedValue result(scope, script.run());
    if (v4->hasException)
        result = v4->catchException();
    return QJSValue(v4, result->asReturnedValue());
}

QList<EngineInternals::Frame> EngineInternals::currentStack(QJSEngine *engine, int depth)
{
    QList<Frame> frames;
    for (const QV4::StackFrame &frame : engine->handle()->stackTrace(depth))
        frames.append(Frame{frame.function, frame.source, frame.line});
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
