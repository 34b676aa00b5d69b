#pragma once

#include <QJSValue>
#include <QString>

// What became of one evaluation of script code.
struct ScriptOutcome
{
    enum class Kind
    {
        Value,      // the code ran to its end
        Error,      // it threw (whatever it threw), or its value is an error object
        Interrupted // the time limit stopped it
    };

    Kind kind = Kind::Value;
    QJSValue value;      // the code's value, when it ran to its end
    int lineNumber = 0;  // the error's line, first line 1; 0 when it names none
    QString stack;       // the error's stack text
    QString text;        // the error's text: "Name: message" for an error object, the thrown value's text otherwise
};
