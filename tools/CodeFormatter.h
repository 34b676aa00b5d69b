#pragma once

#include <QJSValue>
#include <QString>

#include <cstddef>
#include <memory>

class QJSEngine;
class ScriptWatchdog;

// Reindents JavaScript with js-beautify from the resource ":/hex/res/js_format.js", one tab per level, in an engine
// of its own that sees nothing of the user's compiled script and serves one format only.
//
// Creating that engine and evaluating the 113 KB beautifier costs tens of milliseconds; prepare() pays it ahead of
// time, when the window is idle, so a format finds its fresh engine ready.
//
// js-beautify works on tokens: it formats any text, valid or not, and never runs it. It has bugs that turn valid
// code invalid while reporting success (1 .toString() becomes 1.toString()); a text that parsed before and does not
// after is left as it was.
class CodeFormatter
{
public:
    enum class Status { Ok, NoResource, Failed };

    struct Result
    {
        Status status = Status::NoResource;
        QString text;             // the reindented source, when Ok
        QString error;            // why it failed, when Failed
        bool interrupted = false; // the watchdog stopped the beautifier
    };

    CodeFormatter();
    ~CodeFormatter();
    CodeFormatter(const CodeFormatter &) = delete;
    CodeFormatter &operator=(const CodeFormatter &) = delete;

    // Makes the engine for the next format, unless one is ready. False when the resource cannot be read.
    bool prepare();
    bool prepared() const { return bool(engine); }

    // Formats source in the prepared engine (preparing one first when there is none), which is not used again.
    Result format(const QString &source, ScriptWatchdog &watchdog);

private:
    // How far a format's heap may grow before the engine first collects garbage: about what a 600 KB library
    // needs; larger texts get the engine's usual collections beyond it.
    static constexpr std::size_t formatHeapBudget = std::size_t(256) << 20;

    // How long esbuild may take to tell whether a text of modern syntax parses.
    static constexpr int esbuildCheckMs = 10000;

    std::unique_ptr<QJSEngine> engine;
    QJSValue beautify;
    // The engine of the last format, kept until the next prepare() so that destroying it costs no time on the
    // user's path.
    std::unique_ptr<QJSEngine> retired;
};
