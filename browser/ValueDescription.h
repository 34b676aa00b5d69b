#pragma once

#include <QJSValue>
#include <QString>

#include <functional>

class QJSEngine;

// A value's string conversion, as the engine gives it, bounded for display. The engine's own conversion of an
// array recurses natively through nested arrays: a cyclic array, or one nested a million deep, takes the process
// down, and a 150-million-element array becomes a 150-million-character text. Arrays and typed arrays that still
// use the built-in toString and join are joined here instead, without native recursion, stopping once the text is
// long enough; a cycle gives the empty text, as browsers do. Every other value goes through the engine's ToString.
class ValueDescription
{
public:
    // What a description that was cut short ends with.
    static const QString ellipsis;

    // Captures the engine's built-in conversion functions. Create it on a fresh engine, before any script runs,
    // so that a script replacing Array.prototype.join cannot pass for the built-in. Script code is compiled in the
    // engine for the join on first need only; the built-ins it compares against are captured now.
    explicit ValueDescription(QJSEngine *engine);

    // At most maxLength characters of the value's text, then ellipsis when there was more. A conversion that
    // throws gives the thrown value's text.
    QString describe(const QJSValue &value, int maxLength) const;

private:
    bool plainObject(const QJSValue &value) const;
    static QString finish(QString text, int maxLength, bool cut);

    QJSEngine *engine;
    QJSValue objectToString;
    QJSValue builtins;      // what the join compares against, captured from the fresh engine
    mutable QJSValue join;  // compiled on first need: most trees hold no array
    mutable bool joinTried = false;
};
