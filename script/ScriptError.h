#pragma once

#include <QJSValue>
#include <QString>

// What the output log reports of an error value returned by an evaluation.
class ScriptError
{
public:
    explicit ScriptError(const QJSValue &error);

    int lineNumber; // as the engine counts, first line 1; 0 when the error has none
    QString stack;
    QString text;   // the error's string form, "Name: message"
};
