#pragma once

#include <QJSValue>
#include <QList>
#include <QString>
#include <QStringList>

// What became of one piece of script work: an evaluation, a call of a script function, a timer's callback. Every
// text in it was taken under the time limit, so reading it calls no script code.
struct ScriptOutcome
{
    enum class Kind
    {
        Value,      // the code ran to its end
        Error,      // it threw (whatever it threw)
        Interrupted // the time limit stopped it, or stopped reading what it left
    };

    // A failure that showed only after the code ran: a promise rejected with nobody to handle it, or an exception
    // thrown by a queued job with nobody to catch it.
    struct AsyncError
    {
        bool rejection = true; // a rejection; otherwise an uncaught exception of a job
        QString text;          // the reason's text
        int lineNumber = 0;    // the line the reason names, first line 1; 0 when it names none
    };

    Kind kind = Kind::Value;
    QJSValue value;          // the code's value, when it ran to its end
    QString valueText;       // its value text, when the caller asked for it
    int lineNumber = 0;      // the error's line, first line 1; 0 when it names none
    QString stack;           // the error's stack text
    QString text;            // the error's text: "Name: message" for an error object, the thrown value's text otherwise
    struct Frame
    {
        QString source; // the name the code was evaluated under (empty for the user's own text)
        int line = 0;
    };
    QString source;          // where the error's line is (as a frame's source)
    QList<Frame> frames;     // the error's stack, innermost first
    bool syntaxError = false; // the engine refused the text before running any of it
    QStringList notes;       // more to say about an error, one red line each (a feature the engine cannot run)
    QList<AsyncError> asyncErrors;
};
