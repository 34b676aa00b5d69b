#include "script/ScriptWatchdog.h"

#include <QJSEngine>

ScriptWatchdog::ScriptWatchdog() = default;

ScriptWatchdog::~ScriptWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        engine = nullptr;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
}

void ScriptWatchdog::setLimit(int limitSeconds)
{
    std::lock_guard<std::mutex> lock(mutex);
    seconds = limitSeconds < 0 ? 0 : limitSeconds;
}

int ScriptWatchdog::limit() const
{
    return seconds;
}

void ScriptWatchdog::arm(QJSEngine *target)
{
    // A flag left over from an earlier interruption would stop the next evaluation at once.
    target->setInterrupted(false);
    {
        std::lock_guard<std::mutex> lock(mutex);
        fired = false;
        if (seconds == 0)
            return;
        engine = target;
        deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        ++generation;
        if (!thread.joinable())
            thread = std::thread([this] { run(); });
    }
    wake.notify_all();
}

bool ScriptWatchdog::disarm()
{
    QJSEngine *target = nullptr;
    bool expired = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        target = engine;
        engine = nullptr;
        ++generation;
        expired = fired;
        fired = false;
    }
    wake.notify_all();
    if (target && expired)
        target->setInterrupted(false);
    return expired;
}

void ScriptWatchdog::run()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        if (!engine || fired) {
            wake.wait(lock);
            continue;
        }
        const std::uint64_t armed = generation;
        if (wake.wait_until(lock, deadline, [&] { return stopping || generation != armed; }))
            continue;
        // Still the same evaluation and its time is up. The lock keeps disarm() (and so the engine's deletion)
        // waiting until the flag is set.
        engine->setInterrupted(true);
        fired = true;
    }
}

ScriptWatchdog::Scope::Scope(ScriptWatchdog &watchdog, QJSEngine *engine)
    : watchdog(watchdog), outer(watchdog.depth++ == 0)
{
    if (outer && engine)
        watchdog.arm(engine);
}

ScriptWatchdog::Scope::~Scope()
{
    finish();
}

bool ScriptWatchdog::Scope::finish()
{
    if (!finished) {
        finished = true;
        --watchdog.depth;
        if (outer)
            expired = watchdog.disarm();
    }
    return expired;
}
