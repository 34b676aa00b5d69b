#include "tools/CodeFormatter.h"

#include "common/Utf8Text.h"
#include "script/EngineInternals.h"
#include "script/ScriptLowering.h"
#include "script/ScriptSyntax.h"
#include "script/ScriptWatchdog.h"

#include <QFile>
#include <QJSEngine>

CodeFormatter::CodeFormatter() = default;

CodeFormatter::~CodeFormatter()
{
    beautify = QJSValue();
}

bool CodeFormatter::prepare()
{
    // The last format's engine goes now, when the window is idle, rather than on the user's path.
    retired.reset();
    if (engine)
        return true;
    QFile resource(QStringLiteral(":/hex/res/js_format.js"));
    if (!resource.open(QIODevice::ReadOnly))
        return false;
    // An engine that only interprets. The engine's JIT-compiled code, when the time limit stops it in a script
    // compiled with property-lookup caches (as below), goes on with a garbage value and dies reading address 0x1:
    // about one interrupted format in thirteen took the process down, none of 230 in the interpreter. With the
    // caches the interpreter runs the beautifier about a quarter faster than the JIT compiler does without them.
    engine = EngineInternals::newInterpretingEngine();
    // The resource runs as the body of a function made with the Function constructor: evaluate() compiles its
    // program, nested functions included, without the engine's property-lookup caches, so every property access
    // of the beautifier would be a full search. An error here shows when js_beautify turns out not to be callable.
    QJSValue global = engine->globalObject();
    global.property(QStringLiteral("Function"))
        .callAsConstructor({QJSValue(Utf8Text::decode(resource.readAll()))})
        .callWithInstance(global);
    beautify = global.property(QStringLiteral("js_beautify"));
    return true;
}

CodeFormatter::Result CodeFormatter::format(const QString &source, ScriptWatchdog &watchdog)
{
    Result result;
    if (!prepare())
        return result;
    // This engine serves this one format: nothing of it outlives the call.
    std::unique_ptr<QJSEngine> used = std::move(engine);
    QJSValue entry = beautify;
    beautify = QJSValue();

    // js-beautify tokenizes the whole text before it writes anything, so most of what it allocates stays live to
    // the end, and collections in a growing heap mark it again and again (a quarter to a third of the time on a
    // 500 KB library). The engine is thrown away after this call: let its heap grow first.
    EngineInternals::deferGarbageCollection(used.get(), formatHeapBudget);

    QJSValue formatted;
    {
        ScriptWatchdog::Scope scope(watchdog, used.get());
        formatted = entry.isCallable() ? entry.call({QJSValue(source), QJSValue(1), QJSValue(QStringLiteral("\t"))})
                                       : QJSValue(QStringLiteral("js_beautify不可用"));
        result.interrupted = scope.finish();
    }
    if (result.interrupted) {
        result.status = Status::Failed;
        result.error = QStringLiteral("Error: Interrupted");
    } else if (formatted.isError()) {
        result.status = Status::Failed;
        result.error = formatted.toString();
    } else if (!formatted.isString()) {
        result.status = Status::Failed;
        result.error = entry.isCallable() ? QStringLiteral("js_beautify返回的不是字符串") : formatted.toString();
    } else {
        result.text = formatted.toString();
        result.status = Status::Ok;
        // The output is parsed first: when it parses, as it usually does, the input need not be parsed at all.
        if (result.text != source) {
            ScriptSyntax::Check after = ScriptSyntax::check(result.text);
            bool broken = !after.parses && ScriptSyntax::check(source).parses;
            if (!after.parses && !broken) {
                // Neither parses in the engine: modern syntax, most likely. esbuild, which reads today's JavaScript,
                // tells whether the input was whole and the output is not (it runs only for such texts).
                const ScriptLowering::Result output = ScriptLowering::lower(result.text, esbuildCheckMs);
                if (output.status == ScriptLowering::Status::SyntaxError
                    && ScriptLowering::lower(source, esbuildCheckMs).status != ScriptLowering::Status::SyntaxError) {
                    broken = true;
                    after.line = output.line;
                    after.message = output.message;
                }
            }
            if (broken) {
                result.status = Status::Failed;
                result.error = QStringLiteral("js-beautify的结果第%1行有语法错误(%2),代码未改动").arg(after.line).arg(after.message);
                result.text.clear();
            }
        }
    }
    formatted = QJSValue();
    entry = QJSValue();
    retired.reset();
    retired = std::move(used);
    return result;
}
