#include "script/ScriptHost.h"

#include "common/Utf8Text.h"
#include "script/EngineInternals.h"
#include "script/ScriptSyntax.h"

#include <QFile>
#include <QJSEngine>
#include <QQmlEngine>

#include <cmath>
#include <limits>

namespace {

QString hostScript()
{
    static const QString text = [] {
        QFile file(QStringLiteral(":/hex/res/script_host.js"));
        return file.open(QIODevice::ReadOnly) ? Utf8Text::decode(file.readAll()) : QString();
    }();
    return text;
}

// The longest delay a timer takes; longer ones run at once, as browsers and node do with delays past 32 bits.
constexpr qint64 maxDelay = std::numeric_limits<qint32>::max();

} // namespace

ScriptHost::ScriptHost(QJSEngine *engine) : engine(engine)
{
    // The engine must never take this object for its own to delete.
    QQmlEngine::setObjectOwnership(this, QQmlEngine::CppOwnership);
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    connect(&wake, &QTimer::timeout, this, &ScriptHost::fireNext);
    clock.start();
}

ScriptHost::~ScriptHost()
{
    release();
}

void ScriptHost::release()
{
    cancelTimers();
    exceptions.clear();
    api = QJSValue();
}

void ScriptHost::prepareFor(const QString &text)
{
    // A script cannot reach timers or promises without naming them (lowered async code names Promise); three names
    // cover the five timer functions (set and clear of Timeout and Interval).
    const quint32 named = timersWanted && promisesWanted
                              ? 0
                              : ScriptSyntax::mentions(text, {QLatin1String("Promise"), QLatin1String("Timeout"),
                                                              QLatin1String("Interval"), QLatin1String("queueMicrotask")});
    const bool promisesNow = !promisesWanted && (named & 1);
    const bool timersNow = !timersWanted && (named & ~1u);
    if (!timersNow && !promisesNow)
        return;
    timersWanted = timersWanted || timersNow;
    promisesWanted = promisesWanted || promisesNow;
    if (api.isUndefined()) {
        // Evaluated on first need only: most scripts use neither timers nor promises. Named so that the session can
        // tell the host script's frames from the user's.
        const QJSValue factory =
            EngineInternals::evaluate(engine, hostScript(), 1, QStringLiteral("velmora-host")).value;
        if (factory.isCallable())
            api = QJSValue(factory).call({engine->newQObject(this), engine->globalObject()});
    }
    const QJSValue names = api.property(QStringLiteral("prepare")).callWithInstance(api, {timersNow, promisesNow});
    const quint32 count = names.isArray() ? names.property(QStringLiteral("length")).toUInt() : 0;
    for (quint32 i = 0; i < count && i < 100; ++i)
        added.append(names.property(i).toString());
}

QList<ScriptHost::AsyncError> ScriptHost::takeAsyncErrors()
{
    QList<AsyncError> errors;
    for (const QJSValue &exception : qAsConst(exceptions))
        errors.append(AsyncError{false, exception});
    exceptions.clear();
    if (!promisesWanted)
        return errors;
    const QJSValue reasons = api.property(QStringLiteral("unhandledRejections")).callWithInstance(api);
    const quint32 count = reasons.isArray() ? reasons.property(QStringLiteral("length")).toUInt() : 0;
    for (quint32 i = 0; i < count; ++i)
        errors.append(AsyncError{true, reasons.property(i)});
    return errors;
}

int ScriptHost::addTimer(const QJSValue &callback, const QJSValue &delay, const QJSValue &arguments, bool repeat)
{
    if (timers.size() >= maxTimers)
        return -1;
    const double requested = delay.toNumber();
    qint64 milliseconds = std::isfinite(requested) && requested > 0 ? qint64(std::min(requested, double(maxDelay))) : 0;
    if (repeat)
        milliseconds = std::max<qint64>(milliseconds, minimumInterval);
    const int nesting = runningNesting + 1;
    if (nesting >= nestingLevels)
        milliseconds = std::max<qint64>(milliseconds, nestedMinimum);
    Timer timer;
    timer.callback = callback;
    const quint32 count = arguments.isArray() ? arguments.property(QStringLiteral("length")).toUInt() : 0;
    for (quint32 i = 0; i < count; ++i)
        timer.arguments.append(arguments.property(i));
    timer.interval = milliseconds;
    timer.repeat = repeat;
    timer.nesting = nesting;
    // Ids are never reused within one engine: a cleared id cannot stop a later timer.
    const int id = nextId++;
    Timer &stored = timers.insert(id, timer).value();
    schedule(id, stored, milliseconds);
    return id;
}

void ScriptHost::clearTimer(const QJSValue &id)
{
    const double number = id.toNumber();
    if (!std::isfinite(number) || number < 1 || number >= nextId || number != std::floor(number))
        return;
    const auto it = timers.find(int(number));
    if (it == timers.end())
        return;
    unschedule(it.key(), it.value());
    timers.erase(it);
    rearm();
}

int ScriptHost::promiseState(const QJSValue &value) const
{
    return int(EngineInternals::promiseState(value));
}

QJSValue ScriptHost::promiseResult(const QJSValue &value) const
{
    return EngineInternals::promiseResult(value);
}

void ScriptHost::reportException(const QJSValue &error)
{
    // Bounded like everything a script can produce without end; the first ones are what the user needs.
    if (exceptions.size() < 1000)
        exceptions.append(error);
}

void ScriptHost::cancelTimers()
{
    wake.stop();
    queue.clear();
    timers.clear();
}

void ScriptHost::schedule(int id, Timer &timer, qint64 delay)
{
    timer.due = clock.elapsed() + delay;
    queue.emplace(timer.due, id);
    rearm();
}

void ScriptHost::unschedule(int id, const Timer &timer)
{
    const auto range = queue.equal_range(timer.due);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == id) {
            queue.erase(it);
            return;
        }
    }
}

void ScriptHost::rearm()
{
    if (queue.empty()) {
        wake.stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, queue.begin()->first - clock.elapsed());
    wake.start(int(std::min(wait, maxDelay)));
}

void ScriptHost::fireNext()
{
    // One callback per turn of the event loop: input and painting go on between them, whatever the script does.
    if (queue.empty() || queue.begin()->first > clock.elapsed()) {
        rearm();
        return;
    }
    const int id = queue.begin()->second;
    queue.erase(queue.begin());
    const auto it = timers.find(id);
    if (it == timers.end()) {
        rearm();
        return;
    }
    const QJSValue callback = it->callback;
    const QJSValueList arguments = it->arguments;
    const int nesting = it->nesting;
    if (it->repeat)
        schedule(id, it.value(), it->interval);
    else
        timers.erase(it);
    rearm();
    runningNesting = nesting;
    emit timerDue(callback, arguments);
    runningNesting = 0;
}
