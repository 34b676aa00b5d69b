#pragma once

#include <QKeySequence>
#include <QList>

// Keys for the actions: the platform's standard bindings, without clashes. A key held by two actions triggers
// neither (Qt reports an "Ambiguous shortcut overload"), so an action that would share a key gets another of its
// bindings, or none.
class KeyBindings
{
public:
    // The first of bindings that is not among taken; an empty sequence when there is none.
    static QKeySequence firstFree(const QList<QKeySequence> &bindings, const QList<QKeySequence> &taken);
};
