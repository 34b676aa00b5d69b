#pragma once

#include "app/OutputLog.h"
#include "script/ScriptOutcome.h"

#include <QList>
#include <QString>

// What the output log says of script work, and which editor line it selects: the words of the workbench for each
// outcome of the script session. The window only shows a report.
class ScriptReport
{
public:
    struct Line
    {
        OutputLog::Kind kind;
        QString text;
    };

    QList<Line> lines;
    int selectLine = -1; // zero-based editor line to select, or -1
    bool ranToEnd = false; // the code ran without an error (for a compile: the tree may be filled)

    // After "开始编译": the error, or what promise jobs left unhandled. A compile that ran to its end adds nothing
    // yet: its last line waits for the object tree.
    static ScriptReport compile(const ScriptOutcome &outcome, int limitSeconds);
    // The expression's result or its four error lines, then what its promise jobs left unhandled.
    static ScriptReport expression(const ScriptOutcome &outcome, int limitSeconds);
    // What a timer's callback left to report. The user may be typing meanwhile: nothing is selected, lines are named.
    static ScriptReport callback(const ScriptOutcome &outcome, int limitSeconds);

    static QString timeout(int limitSeconds);

private:
    void addNotes(const ScriptOutcome &outcome);
    void addAsyncErrors(const ScriptOutcome &outcome, bool select, bool nameLines);
    void error(const QString &text);
};
