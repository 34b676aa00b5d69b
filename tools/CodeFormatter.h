#pragma once

#include <QString>

class ScriptWatchdog;

// Reindents JavaScript with js-beautify from the resource ":/hex/res/js_format.js", one tab per level, in a
// short-lived engine of its own that sees nothing of the user's compiled script. Text that does not parse is not
// formatted: the beautifier would happily rearrange it and hide the mistake.
class CodeFormatter
{
public:
    enum class Status { Ok, NoResource, Failed };

    struct Result
    {
        Status status = Status::NoResource;
        QString text;             // the reindented source, when Ok
        QString error;            // why it failed, when Failed
        int errorLine = 0;        // the syntax error's line (first line 1), 0 when there is none
        bool interrupted = false; // the watchdog stopped the beautifier
    };

    static Result format(const QString &source, ScriptWatchdog &watchdog);
};
