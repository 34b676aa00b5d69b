#pragma once

#include <QJSValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

class QJSEngine;

// Today's JavaScript library on Qt 5.15's engine: supplies the built-ins the engine lacks (Array.prototype.at,
// Object.fromEntries, Promise.allSettled, structuredClone, ...) and replaces the ones it gets wrong, each only after
// a check in that engine finds its answer wrong. Everything is plain script from the resource :/hex/res/builtins.js;
// nothing of the workbench is reachable from it, and a script that replaces or deletes what it installed affects
// only its own engine.
//
// Installation is lazy: before a text runs, its words are scanned and only the pieces it mentions are installed,
// each once per engine, so a script that mentions none of them pays only the scan. A piece is compiled once per
// process and every engine runs the compiled unit, so the library is used from one thread (the GUI thread).
// Promise statics go on whatever the global Promise is when they install (the session's wrapper, say).
class BuiltinLibrary
{
public:
    // engine is fresh: nothing of the user's has run in it yet. What the pieces build with is taken from its
    // pristine built-ins now.
    explicit BuiltinLibrary(QJSEngine *engine);

    // Called before each text (the compiled script, its lowered form, an expression, a timer's code string) runs in
    // the engine: installs what that text may need and the engine lacks, each piece once. Never throws into the
    // script and never replaces a built-in that gives the right answer.
    void prepareFor(const QString &text);

    // The global-object properties the library defined (globalThis, structuredClone, WeakRef, ...).
    QStringList globalNames() const;
    // Whether value is what the library defined as the global name (a script may have assigned its own since).
    bool isLibraryValue(const QString &name, const QJSValue &value) const;

    // A stack text without the library's own frames (and the marks its strict code leaves for calls in tail
    // position), as the log shows it: an error passing through the library lists the user's frames only.
    static QString userFrames(const QString &stack);

    // Every word that makes some piece install: a text holding each of them after a dot installs everything.
    static QStringList knownWords();

private:
    QJSEngine *engine;
    QJSValue kit;        // what the installed sections share
    QJSValueList values; // the engine's own built-ins, taken when it was fresh, as the sections get them
    std::vector<bool> installed;
    int remaining = 0;
    QList<QPair<QString, QJSValue>> globals;
};
