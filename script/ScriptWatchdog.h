#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class QJSEngine;

// Stops runaway scripts: while a Scope is open, a helper thread interrupts the engine once the time limit has
// passed (QJSEngine::setInterrupted is safe to call from another thread). The engine then raises an error, the
// evaluation returns and the window is usable again. Everything else stays on the GUI thread.
class ScriptWatchdog
{
public:
    static constexpr int defaultLimit = 10;

    ScriptWatchdog();
    ~ScriptWatchdog();
    ScriptWatchdog(const ScriptWatchdog &) = delete;
    ScriptWatchdog &operator=(const ScriptWatchdog &) = delete;

    // Whole seconds; 0 means no limit.
    void setLimit(int seconds);
    int limit() const;

    // Whether the limit of the open scope has passed. Native walks that call into script code (a getter, a
    // toString) poll this between steps: the engine's interruption only stops script code.
    bool timeUp() const { return fired.load(std::memory_order_acquire); }

    // Arms the limit for one piece of script work on engine. Nested scopes on the same watchdog share the outer
    // scope's deadline. finish() disarms (the destructor does it otherwise) and tells whether the limit expired.
    class Scope
    {
    public:
        Scope(ScriptWatchdog &watchdog, QJSEngine *engine);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

        bool finish();

    private:
        ScriptWatchdog &watchdog;
        bool outer;
        bool finished = false;
        bool expired = false;
    };

private:
    void arm(QJSEngine *engine);
    bool disarm();
    void run();

    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
    QJSEngine *engine = nullptr;
    std::chrono::steady_clock::time_point deadline;
    std::uint64_t generation = 0;
    int seconds = defaultLimit;
    int depth = 0;
    std::atomic<bool> fired{false};
    bool stopping = false;
};
