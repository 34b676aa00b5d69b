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
    const QJSValue loaded = engine.evaluate(script, QString(), 1);
    QJSValue beautify = engine.globalObject().property(QStringLiteral("js_beautify"));
    const QJSValue formatted = loaded.isError()
        ? loaded
        : beautify.call({QJSValue(source), QJSValue(1), QJSValue(QStringLiteral("\t"))});
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
