#include "tools/CodeFormatter.h"

#include "app/ScriptFile.h"
#include "script/ScriptWatchdog.h"

#include <QFile>
#include <QJSEngine>

CodeFormatter::Result CodeFormatter::format(const QString &source, ScriptWatchdog &watchdog)
{
    Result result;
    QFile resource(QStringLiteral(":/hex/res/js_format.js"));
    if (!resource.open(QIODevice::ReadOnly))
        return result;
    const QString script = ScriptFile::decode(resource.readAll());

    QJSEngine engine;
    ScriptWatchdog::Scope scope(watchdog, &engine);

    // The engine parses a whole script before running any of it, so a leading throw checks the syntax without
    // running a line of the user's code. It shares the first line, which keeps the error's line number.
    const QJSValue parsed = engine.evaluate(QStringLiteral("throw 0;") + source, QString(), 1);
    QJSValue formatted;
    if (parsed.isError()) {
        formatted = parsed;
        result.errorLine = parsed.property(QStringLiteral("lineNumber")).toInt();
    } else {
        const QJSValue loaded = engine.evaluate(script, QString(), 1);
        QJSValue beautify = engine.globalObject().property(QStringLiteral("js_beautify"));
        formatted = loaded.isError()
            ? loaded
            : beautify.call({QJSValue(source), QJSValue(1), QJSValue(QStringLiteral("\t"))});
    }

    if (formatted.isError()) {
        result.status = Status::Failed;
        result.error = formatted.toString();
    } else if (!formatted.isString()) {
        result.status = Status::Failed;
        result.error = QStringLiteral("js_beautify返回的不是字符串");
    } else {
        result.status = Status::Ok;
        result.text = formatted.toString();
    }
    result.interrupted = scope.finish();
    if (result.interrupted && result.status == Status::Ok) {
        result.status = Status::Failed;
        result.error = QStringLiteral("Error: Interrupted");
    }
    return result;
}
