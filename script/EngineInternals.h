#pragma once

#include <QJSValue>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>

class QJSEngine;

namespace QV4 {
struct ExecutionEngine;
struct ScopedValue;
}

// The few things the workbench needs from the script engine that its public interface does not offer. Everything
// that touches the engine's private interface stays in this one unit, so a new Qt release changes one file.
class EngineInternals
{
public:
    struct Frame
    {
        QString function;
        QString source;
        int line = 0;
    };

    struct Evaluation
    {
        QJSValue value;       // what the script returned, or what it threw
        bool thrown = false;  // an exception left the script, whatever its value (throw "x" included)
        bool interrupted = false; // setInterrupted stopped the script (value is then an "Interrupted" error)
        bool syntaxError = false; // the engine's own compile step refused the text: nothing of it ran
        QList<Frame> frames;  // where the exception was thrown, innermost first
    };

    // QJSEngine::evaluate, except that it tells a thrown value from a returned one and keeps the thrown one's stack.
    // An exception left pending by earlier work (a Proxy trap during a property walk, say) is dropped first instead
    // of being reported as this script's.
    // fileName names the code in its stack frames and errors, as QJSEngine::evaluate's does.
    static Evaluation evaluate(QJSEngine *engine, const QString &program, int lineNumber,
                               const QString &fileName = QString());
    // QJSValue::callWithInstance, telling a thrown value from a returned one in the same way.
    static Evaluation call(QJSEngine *engine, const QJSValue &function, const QJSValue &thisObject,
                           const QJSValueList &arguments);

    enum class PromiseState { NotAPromise, Pending, Fulfilled, Rejected };
    // The state of a promise, which no script can read synchronously, and its value or reason once settled.
    static PromiseState promiseState(const QJSValue &value);
    static QJSValue promiseResult(const QJSValue &value);

    // Runs the promise jobs the engine has queued (they would otherwise run from the event loop, later, outside
    // any time limit), including the jobs they queue, until none is left or stop() holds. Returns false when
    // stop() cut them off; the jobs left are dropped then.
    static bool runPendingJobs(QJSEngine *engine, const std::function<bool()> &stop);
    // Forgets the promise jobs still queued.
    static void dropPendingJobs(QJSEngine *engine);

    // An engine that runs every function in the interpreter, never in JIT-compiled code; engines made afterwards
    // compile as usual.
    static std::unique_ptr<QJSEngine> newInterpretingEngine();

    // Lets the engine's heap grow to about bytes before its first garbage collection (the collector otherwise
    // runs whenever the heap has doubled since the last one, from a small start). Memory for speed: for work that
    // builds a large live structure in a fresh engine, collecting early marks the same live objects again and
    // again. After that first collection the engine's own policy applies again.
    static void deferGarbageCollection(QJSEngine *engine, std::size_t bytes);

    // A program compiled once for the process and run in any engine: compiling costs each engine about a
    // microsecond per byte of text, running what was compiled almost nothing. Null when the text does not parse.
    struct Compiled;
    static std::shared_ptr<const Compiled> compile(QJSEngine *engine, const QString &program, const QString &fileName);
    // Runs it as a global script in engine and returns its value; an exception is caught and comes back as the
    // value (no exception is left pending).
    static QJSValue run(QJSEngine *engine, const Compiled &compiled);
    // Where the script code running now stands, innermost frame first, at most depth frames.
    static QList<Frame> currentStack(QJSEngine *engine, int depth);

    // Clears an exception that native work (a property iterator over a throwing Proxy) left pending. True when
    // there was one.
    static bool clearPendingException(QJSEngine *engine);

private:
    // Takes the exception or interruption the engine was left with into evaluation, with result as its value.
    static void finish(QV4::ExecutionEngine *v4, QV4::ScopedValue &result, Evaluation *evaluation);
};
