#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QJSValue>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <map>

class QJSEngine;

// What a script expects of its host beyond the language: setTimeout, setInterval, clearTimeout, clearInterval and
// queueMicrotask, and the tracking of promise rejections that nothing handles. One per engine; installed lazily,
// from the names a text mentions, by script code (res/script_host.js) that reaches this object through a closure
// only.
//
// Timers keep their callbacks here and ask for them to run, one per turn of the event loop, with timerDue; whoever
// runs them (the script session) does so under the time limit.
class ScriptHost : public QObject
{
    Q_OBJECT

public:
    // The host script is evaluated when a text first needs it: before the compiled script runs, with the engine's
    // built-ins as they come, or later, before an expression, with whatever the script left of them (which then
    // affects only this engine).
    explicit ScriptHost(QJSEngine *engine);
    ~ScriptHost() override;

    // Installs what text may use (timers, promise tracking), each once. Calls into the engine: run under the limit.
    void prepareFor(const QString &text);
    // The globals it added, which the object tree does not show.
    QStringList globalNames() const { return added; }

    struct AsyncError
    {
        bool rejection = true; // a promise rejected with nobody to handle it; otherwise an exception of a job
        QJSValue reason;
    };
    // What went wrong in promise jobs since the last call: unhandled rejections and exceptions thrown by
    // queueMicrotask callbacks. Calls into the engine: run under the limit.
    QList<AsyncError> takeAsyncErrors();

    // Forgets every timer: nothing of this script runs again by itself.
    void cancelTimers();
    int pendingTimers() const { return timers.size(); }
    // Drops every script value it holds; call before the engine goes.
    void release();

    // Bounds that keep a script that schedules without end from freezing the window or exhausting memory.
    static constexpr int maxTimers = 100000;
    static constexpr int minimumInterval = 10;   // milliseconds between two runs of an interval
    static constexpr int nestedMinimum = 4;       // milliseconds for a timeout set at the fifth level of nesting
    static constexpr int nestingLevels = 5;

    // Called by the host script only.
    Q_INVOKABLE int addTimer(const QJSValue &callback, const QJSValue &delay, const QJSValue &arguments, bool repeat);
    Q_INVOKABLE void clearTimer(const QJSValue &id);
    Q_INVOKABLE int promiseState(const QJSValue &value) const;
    Q_INVOKABLE QJSValue promiseResult(const QJSValue &value) const;
    Q_INVOKABLE void reportException(const QJSValue &error);

signals:
    // A timer is due: run callback with arguments (and this undefined).
    void timerDue(const QJSValue &callback, const QJSValueList &arguments);

private:
    struct Timer
    {
        QJSValue callback;
        QJSValueList arguments;
        qint64 due = 0;
        qint64 interval = 0;
        bool repeat = false;
        int nesting = 0;
    };

    void schedule(int id, Timer &timer, qint64 delay);
    void unschedule(int id, const Timer &timer);
    void rearm();
    void fireNext();

    QJSEngine *engine;
    QJSValue api; // the host script's prepare and unhandledRejections
    QStringList added;
    bool timersWanted = false;
    bool promisesWanted = false;
    QList<QJSValue> exceptions;

    QHash<int, Timer> timers;
    std::multimap<qint64, int> queue; // due time, id
    QTimer wake;
    QElapsedTimer clock;
    int nextId = 1;
    int runningNesting = 0;
};
