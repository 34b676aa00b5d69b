#pragma once

#include "script/SourceMap.h"

#include <QString>

// Lowers JavaScript that the engine (about ES2016) refuses to a text it runs, with esbuild (--target=es2016), and
// maps the lowered text's lines back to the user's. esbuild runs as a process: it is found beside the installed
// program, in the build tree, or on PATH (Debian's package "esbuild"); VELMORA_ESBUILD names another one.
class ScriptLowering
{
public:
    enum class Status
    {
        Lowered,     // text holds the lowered program
        Missing,     // no esbuild to run
        Unsupported, // the program uses something the engine cannot run even lowered (feature names it)
        SyntaxError, // the program is not JavaScript at all (message, line)
        Failed,      // esbuild failed otherwise (message)
        TimedOut     // it took longer than it was given
    };

    struct Result
    {
        Status status = Status::Failed;
        QString text;
        SourceMap map;
        QString feature;
        QString message;
        int line = 0; // first line 1
    };

    // The esbuild binary to run, or an empty string when there is none.
    static QString esbuildPath();

    // Lowers source, giving esbuild at most timeoutMs (0: no limit). With exponent, a ** b becomes Math.pow(a, b)
    // as well (the engine's operator answers 1 for 1 ** NaN).
    static Result lower(const QString &source, int timeoutMs, bool exponent = false);

    // What the user is told about a feature that the engine cannot run, named in esbuild's words.
    static QString featureName(const QString &esbuildMessage);
};
