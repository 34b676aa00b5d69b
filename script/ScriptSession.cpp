#include "script/ScriptSession.h"

#include "browser/ObjectTree.h"
#include "browser/ValueDescription.h"
#include "script/BuiltinLibrary.h"
#include "script/IntlLibrary.h"
#include "script/JsConsole.h"
#include "script/ScriptHost.h"
#include "script/ScriptLowering.h"
#include "script/ScriptSyntax.h"
#include "script/ScriptWatchdog.h"
#include "script/SourceMap.h"
#include "script/ValueText.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <QJSEngine>
#include <QRegularExpression>
#include <QSet>
#include <QTreeWidget>

const QString ScriptSession::loweredScriptName = QStringLiteral("velmora:lowered-script");
const QString ScriptSession::loweredExpressionName = QStringLiteral("velmora:lowered-expression");

namespace {

// Every word a text holds that could be an identifier, comments and strings included: what the user wrote.
QSet<QString> identifierWords(const QString &text)
{
    QSet<QString> words;
    const auto isWordChar = [](QChar ch) {
        return ch.isLetterOrNumber() || ch == QLatin1Char('_') || ch == QLatin1Char('$');
    };
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        const bool word = i < text.size() && isWordChar(text.at(i));
        if (word && start < 0)
            start = i;
        else if (!word && start >= 0) {
            words.insert(text.mid(start, i - start));
            start = -1;
        }
    }
    return words;
}

// A lowered text the engine still refuses: esbuild passes module syntax through as it is.
bool usesModules(const QString &lowered)
{
    static const QRegularExpression statement(QStringLiteral("^(import|export)\\b"), QRegularExpression::MultilineOption);
    return statement.match(lowered).hasMatch();
}

QString unsupportedNote(const QString &feature)
{
    return QStringLiteral("此代码使用了%1,Qt 5.15的脚本引擎无法运行").arg(feature);
}

const QString missingEsbuildNote = QStringLiteral(
    "这段代码的语法需要先用esbuild转换成引擎能运行的代码,但未找到esbuild：请安装软件包 esbuild");

ScriptOutcome interruptedOutcome()
{
    ScriptOutcome outcome;
    outcome.kind = ScriptOutcome::Kind::Interrupted;
    return outcome;
}

} // namespace

struct ScriptSession::Context
{
    QJSEngine *engine = nullptr;
    QPointer<JsConsole> console;
    std::unique_ptr<ValueDescription> description;
    std::unique_ptr<ScriptHost> host;
    std::unique_ptr<BuiltinLibrary> builtins;
    std::unique_ptr<IntlLibrary> intl;
    // Holds one value in the engine for as long as it lives. The engine releases a page of its persistent value
    // storage (an mmap/munmap pair) whenever the page empties; without this every console call, which wraps its
    // arguments, would allocate and free a page.
    QJSValue anchor;
    // Globals the workbench installed, with the values it gave them: hidden from the tree while they keep them.
    QHash<QString, QJSValue> installedGlobals;
    // Top-level names that lowering added (helpers, temporaries): the user never wrote them.
    QStringList helpers;
    SourceMap scriptMap;     // the lowered script's lines, when the script was lowered
    SourceMap expressionMap; // the lowered expression's lines, while one runs
    int expressionOffset = 0;
    bool compiled = false;
    // Where the accessors of the script's top-level let/const/class stand, 0 for none.
    int accessorLine = 0;
    QString accessorSource;
};

ScriptSession::ScriptSession(QObject *owner, ScriptWatchdog &watchdog)
    : owner(owner), watchdog(watchdog), runner(watchdog)
{
}

ScriptSession::~ScriptSession()
{
    // The engine goes with the owner, after this: the values held here go first.
    if (context) {
        context->host.reset();
        context->builtins.reset();
        context->intl.reset();
        context->installedGlobals.clear();
        context->description.reset();
        context->anchor = QJSValue();
    }
}

void ScriptSession::setBeforeUserCode(const std::function<void()> &hook)
{
    runner.setBeforeUserCode(hook);
}

void ScriptSession::setCallbackScope(const std::function<void(const std::function<void()> &)> &scope)
{
    callbackScope = scope;
}

QJSEngine *ScriptSession::engine() const
{
    return context ? context->engine : nullptr;
}

JsConsole *ScriptSession::console() const
{
    return context ? context->console.data() : nullptr;
}

bool ScriptSession::compiled() const
{
    return context && context->compiled;
}

int ScriptSession::timeLimitMs() const
{
    return watchdog.limit() * 1000;
}

void ScriptSession::releaseContext()
{
    if (!context)
        return;
    Context &c = *context;
    if (c.host) {
        c.host->disconnect(this);
        c.host.reset();
    }
    c.builtins.reset();
    c.intl.reset();
    c.installedGlobals.clear();
    c.description.reset();
    c.anchor = QJSValue();
    c.engine->deleteLater();
    if (c.console)
        c.console->deleteLater();
    context.reset();
}

bool ScriptSession::prepareFor(const QString &text)
{
    Context &c = *context;
    return runner.walk(c.engine, [&](const ScriptRunner::StopCheck &) {
        c.host->prepareFor(text);
        c.builtins->prepareFor(text);
        c.intl->prepareFor(text);
        const QJSValue global = c.engine->globalObject();
        for (const QString &name : c.host->globalNames() + c.builtins->globalNames() + c.intl->globalNames()) {
            if (!c.installedGlobals.contains(name))
                c.installedGlobals.insert(name, global.property(name));
        }
        return true;
    });
}

bool ScriptSession::collectAsyncErrors(ScriptOutcome &outcome, const ScriptRunner::StopCheck &stop)
{
    Context &c = *context;
    for (const ScriptHost::AsyncError &error : c.host->takeAsyncErrors()) {
        if (stop())
            return false;
        ScriptOutcome reason;
        ScriptRunner::describeError(error.reason, c.description.get(), &reason);
        outcome.asyncErrors.append(
            ScriptOutcome::AsyncError{error.rejection, reason.text, userLine(reason.source, reason.lineNumber)});
    }
    return !stop();
}

int ScriptSession::userLine(const QString &source, int line) const
{
    const Context &c = *context;
    if (source == loweredScriptName)
        return c.scriptMap.originalLine(line);
    if (source == loweredExpressionName) {
        // The lowered expression runs wrapped in a function whose first line is the wrapper's own.
        const int original = c.expressionMap.originalLine(line - 1) - c.expressionOffset;
        return original > 0 ? original : 0;
    }
    // The workbench's own script is no line of the user's.
    if (source.startsWith(QLatin1String("velmora-")))
        return 0;
    return line;
}

void ScriptSession::mapLines(ScriptOutcome *outcome) const
{
    if (outcome->kind != ScriptOutcome::Kind::Error)
        return;
    // An error passing through the workbench's own script (the built-in library, the host functions) lists the
    // user's frames only.
    outcome->stack = BuiltinLibrary::userFrames(outcome->stack);
    if (outcome->stack.contains(QLatin1String("@velmora-"))) {
        QStringList frames = outcome->stack.split(QLatin1Char('\n'));
        frames.erase(std::remove_if(frames.begin(), frames.end(),
                                    [](const QString &frame) { return frame.contains(QLatin1String("@velmora-")); }),
                     frames.end());
        outcome->stack = frames.join(QLatin1Char('\n'));
    }
    if (outcome->source.startsWith(QLatin1String("velmora"))) {
        int line = userLine(outcome->source, outcome->lineNumber);
        // An error raised inside a helper that lowering added, or inside the workbench's own script, names no line
        // of the user's: the nearest frame that does is where the user's code called it.
        for (int i = 0; line <= 0 && i < outcome->frames.size(); ++i)
            line = userLine(outcome->frames.at(i).source, outcome->frames.at(i).line);
        outcome->lineNumber = qMax(line, 0);
    }
    if (!outcome->stack.contains(QLatin1String("velmora:lowered-")))
        return;
    static const QRegularExpression frame(QStringLiteral("@(velmora:lowered-(?:script|expression)):(\\d+)$"),
                                          QRegularExpression::MultilineOption);
    QString stack;
    int last = 0;
    for (auto it = frame.globalMatch(outcome->stack); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        stack += outcome->stack.midRef(last, match.capturedStart() - last);
        stack += QStringLiteral("@:%1").arg(userLine(match.captured(1), match.captured(2).toInt()));
        last = match.capturedEnd();
    }
    stack += outcome->stack.midRef(last);
    outcome->stack = stack;
}

ScriptOutcome ScriptSession::compile(const QString &program)
{
    releaseContext();
    context = std::make_unique<Context>();
    Context &c = *context;
    c.engine = new QJSEngine(owner);
    // Captures the built-in conversions before any script can replace them.
    c.description = std::make_unique<ValueDescription>(c.engine);
    c.console = new JsConsole(owner);
    c.console->setValueTextContext({c.description.get(), runner.stopCheck()});
    connect(c.console, &JsConsole::onMsg, this, [this](const QString &text) { emit consoleLine(text, false); });
    connect(c.console, &JsConsole::onErrorMsg, this, [this](const QString &text) { emit consoleLine(text, true); });
    c.anchor = c.engine->globalObject();
    c.anchor.setProperty(QStringLiteral("console"), c.console->scriptValue(c.engine));
    c.host = std::make_unique<ScriptHost>(c.engine);
    connect(c.host.get(), &ScriptHost::timerDue, this, &ScriptSession::runTimer);
    // Takes the engine's own built-ins while no script has touched them.
    c.builtins = std::make_unique<BuiltinLibrary>(c.engine);
    c.intl = std::make_unique<IntlLibrary>(c.engine);

    if (!prepareFor(program))
        return interruptedOutcome();
    const auto finish = [this](ScriptOutcome &outcome, const ScriptRunner::StopCheck &stop) {
        return collectAsyncErrors(outcome, stop);
    };
    const ScriptSyntax::CodeFacts facts = ScriptSyntax::facts(program);
    if (facts.mayUseExponent && exponentOperatorWrong()) {
        // The text runs lowered even though the engine accepts it, so that ** answers as the language says. Should
        // esbuild fail, the text runs as written.
        runner.beforeUserCode();
        const ScriptLowering::Result lowered = ScriptLowering::lower(program, timeLimitMs(), true);
        if (lowered.status == ScriptLowering::Status::TimedOut)
            return interruptedOutcome();
        if (lowered.status == ScriptLowering::Status::Lowered) {
            const ScriptOutcome outcome = runLoweredText(program, lowered);
            if (outcome.kind != ScriptOutcome::Kind::Error || !outcome.syntaxError) {
                c.compiled = outcome.kind == ScriptOutcome::Kind::Value && outcome.asyncErrors.isEmpty();
                return outcome;
            }
        }
    }
    const QString accessors = ScriptSyntax::globalAccessors(program, QStringList(), facts);
    ScriptOutcome outcome = runner.evaluate(c.engine, program + accessors, c.description.get(), finish);
    if (outcome.kind == ScriptOutcome::Kind::Error && outcome.syntaxError) {
        outcome = runLowered(program, outcome);
    } else {
        if (outcome.kind == ScriptOutcome::Kind::Value && !accessors.isEmpty() && outcome.value.isNumber())
            c.accessorLine = outcome.value.toInt();
        mapLines(&outcome);
    }
    c.compiled = outcome.kind == ScriptOutcome::Kind::Value && outcome.asyncErrors.isEmpty();
    return outcome;
}

ScriptOutcome ScriptSession::withoutLowering(const ScriptLowering::Result &lowered, ScriptOutcome engineError,
                                             int lineOffset)
{
    switch (lowered.status) {
    case ScriptLowering::Status::Lowered:
        break;
    case ScriptLowering::Status::Missing:
        engineError.notes.append(missingEsbuildNote);
        break;
    case ScriptLowering::Status::Unsupported:
        engineError.notes.append(unsupportedNote(lowered.feature));
        break;
    case ScriptLowering::Status::SyntaxError: {
        // Not a feature the engine lacks but a mistake: esbuild, which knows today's syntax, says where it is (the
        // engine stops at the first modern construct, often lines earlier).
        ScriptOutcome mistake;
        mistake.kind = ScriptOutcome::Kind::Error;
        mistake.syntaxError = true;
        mistake.text = QStringLiteral("SyntaxError: %1").arg(lowered.message);
        mistake.lineNumber = qMax(lowered.line - lineOffset, 1);
        mistake.stack = QStringLiteral("@:%1").arg(mistake.lineNumber);
        return mistake;
    }
    case ScriptLowering::Status::Failed:
        engineError.notes.append(QStringLiteral("esbuild转换失败：%1").arg(lowered.message));
        break;
    case ScriptLowering::Status::TimedOut:
        return interruptedOutcome();
    }
    return engineError;
}

ScriptOutcome ScriptSession::refusedAfterLowering(const QString &lowered, const ScriptOutcome &outcome,
                                                  ScriptOutcome engineError)
{
    engineError.notes.append(usesModules(lowered)
                                 ? unsupportedNote(QStringLiteral("import/export(ES模块)"))
                                 : QStringLiteral("esbuild转换后的代码引擎仍无法解析：%1").arg(outcome.text));
    return engineError;
}

ScriptOutcome ScriptSession::runLowered(const QString &program, ScriptOutcome engineError)
{
    // esbuild is part of the script work: the journal comes first, and the limit bounds it.
    runner.beforeUserCode();
    const ScriptLowering::Result lowered = ScriptLowering::lower(program, timeLimitMs(), lowerExponent(program));
    if (lowered.status != ScriptLowering::Status::Lowered)
        return withoutLowering(lowered, engineError, 0);
    ScriptOutcome outcome = runLoweredText(program, lowered);
    if (outcome.kind == ScriptOutcome::Kind::Error && outcome.syntaxError)
        return refusedAfterLowering(lowered.text, outcome, engineError);
    return outcome;
}

ScriptOutcome ScriptSession::runLoweredText(const QString &program, const ScriptLowering::Result &lowered)
{
    Context &c = *context;
    const QSet<QString> written = identifierWords(program);
    for (const QString &name : ScriptSyntax::topLevelNames(lowered.text)) {
        if (!written.contains(name))
            c.helpers.append(name);
    }
    c.scriptMap = lowered.map;
    if (!prepareFor(lowered.text))
        return interruptedOutcome();
    const QString accessors = ScriptSyntax::globalAccessors(lowered.text, c.helpers);
    ScriptOutcome outcome = runner.evaluate(
        c.engine, lowered.text + accessors, c.description.get(),
        [this](ScriptOutcome &o, const ScriptRunner::StopCheck &stop) { return collectAsyncErrors(o, stop); },
        loweredScriptName);
    if (outcome.kind == ScriptOutcome::Kind::Error && outcome.syntaxError) {
        // Nothing ran: the engine refused the lowered text as it refused the original.
        c.scriptMap = SourceMap();
        c.helpers.clear();
        return outcome;
    }
    if (outcome.kind == ScriptOutcome::Kind::Value && !accessors.isEmpty() && outcome.value.isNumber()) {
        c.accessorLine = outcome.value.toInt();
        c.accessorSource = loweredScriptName;
    }
    mapLines(&outcome);
    return outcome;
}

bool ScriptSession::lowerExponent(const QString &text) const
{
    return exponentOperatorWrong() && ScriptSyntax::mayUseExponent(text);
}

bool ScriptSession::exponentOperatorWrong()
{
    // The engine's ** answers 1 for 1 ** NaN (C's pow); Math.pow answers right. Asked once, of a fresh engine.
    static const bool wrong = [] {
        QJSEngine engine;
        return !std::isnan(engine.evaluate(QStringLiteral("var one = 1; one ** NaN")).toNumber());
    }();
    return wrong;
}

ScriptOutcome ScriptSession::evaluate(const QString &expression)
{
    if (!context)
        return interruptedOutcome();
    Context &c = *context;
    if (!prepareFor(expression))
        return interruptedOutcome();
    if (lowerExponent(expression)) {
        // Lowered for its ** operators; should esbuild not take it, it runs as written.
        bool ran = false;
        const ScriptOutcome outcome = evaluateLowered(expression, ScriptOutcome(), &ran);
        if (ran || outcome.kind == ScriptOutcome::Kind::Interrupted)
            return outcome;
    }
    ScriptOutcome outcome = runner.evaluate(
        c.engine, expression, c.description.get(), [this](ScriptOutcome &o, const ScriptRunner::StopCheck &stop) {
            if (o.kind == ScriptOutcome::Kind::Value)
                o.valueText = valueText(o.value, {context->description.get(), stop});
            return !stop() && collectAsyncErrors(o, stop);
        });
    if (outcome.kind == ScriptOutcome::Kind::Error && outcome.syntaxError)
        return evaluateLowered(expression, outcome);
    followAccessorCaller(&outcome);
    mapLines(&outcome);
    return outcome;
}

void ScriptSession::followAccessorCaller(ScriptOutcome *outcome) const
{
    const Context &c = *context;
    if (outcome->kind != ScriptOutcome::Kind::Error || c.accessorLine <= 0 || outcome->lineNumber != c.accessorLine
        || outcome->source != c.accessorSource || outcome->frames.size() < 2)
        return;
    // An assignment to a top-level const fails in the accessor the compile appended after the script, on a line of no
    // text the user wrote: the error is the caller's, so it names the frame that assigned.
    QStringList lines = outcome->stack.split(QLatin1Char('\n'));
    lines.removeFirst();
    outcome->stack = lines.join(QLatin1Char('\n'));
    outcome->frames.removeFirst();
    outcome->lineNumber = outcome->frames.first().line;
    outcome->source = outcome->frames.first().source;
}

ScriptOutcome ScriptSession::evaluateLowered(const QString &expression, ScriptOutcome engineError, bool *ran)
{
    Context &c = *context;
    // The lowered text runs inside a function, so that the helpers esbuild adds stay its own locals and cannot
    // clobber the script's globals. As an expression it keeps its value; statements (a for await, say) give none.
    struct Form
    {
        QString text;
        int offset;
    };
    const Form forms[] = {{QStringLiteral("return (\n%1\n);").arg(expression), 1}, {expression, 0}};
    ScriptLowering::Result lowered;
    int offset = 0;
    for (const Form &form : forms) {
        runner.beforeUserCode();
        lowered = ScriptLowering::lower(form.text, timeLimitMs(), lowerExponent(expression));
        offset = form.offset;
        if (lowered.status != ScriptLowering::Status::SyntaxError)
            break;
    }
    if (lowered.status != ScriptLowering::Status::Lowered)
        return withoutLowering(lowered, engineError, offset);
    const QString program = QStringLiteral("(function () {\n%1\n}).call(this)").arg(lowered.text);
    if (!prepareFor(program))
        return interruptedOutcome();
    c.expressionMap = lowered.map;
    c.expressionOffset = offset;
    ScriptOutcome outcome = runner.evaluate(
        c.engine, program, c.description.get(),
        [this](ScriptOutcome &o, const ScriptRunner::StopCheck &stop) {
            if (o.kind == ScriptOutcome::Kind::Value)
                o.valueText = valueText(o.value, {context->description.get(), stop});
            return !stop() && collectAsyncErrors(o, stop);
        },
        loweredExpressionName);
    followAccessorCaller(&outcome);
    if (outcome.kind == ScriptOutcome::Kind::Error && outcome.syntaxError) {
        c.expressionMap = SourceMap();
        return refusedAfterLowering(lowered.text, outcome, engineError);
    }
    mapLines(&outcome);
    c.expressionMap = SourceMap();
    if (ran)
        *ran = true;
    return outcome;
}

bool ScriptSession::fillTree(QTreeWidget *tree)
{
    if (!context)
        return true;
    Context &c = *context;
    return runner.walk(c.engine, [&](const ScriptRunner::StopCheck &stop) {
        const QJSValue global = c.engine->globalObject();
        QStringList hidden = c.helpers;
        for (auto it = c.installedGlobals.cbegin(); it != c.installedGlobals.cend(); ++it) {
            // A name the script gave a value of its own is the script's, and shows.
            if (global.property(it.key()).strictlyEquals(it.value()))
                hidden.append(it.key());
        }
        return ObjectTree::fill(tree, global, *c.description, stop, hidden);
    });
}

bool ScriptSession::expand(QTreeWidgetItem *item)
{
    if (!context)
        return true;
    Context &c = *context;
    return runner.walk(c.engine, [&](const ScriptRunner::StopCheck &stop) {
        return ObjectTree::expand(item, ObjectTree::lookup(item, c.engine->globalObject()), *c.description, stop);
    });
}

bool ScriptSession::lookUp(const QTreeWidgetItem *item, QJSValue *value, bool *isFunction)
{
    *isFunction = false;
    if (!context)
        return true;
    Context &c = *context;
    return runner.walk(c.engine, [&](const ScriptRunner::StopCheck &) {
        *value = ObjectTree::lookup(item, c.engine->globalObject());
        *isFunction = ObjectTree::isFunction(*value);
        return true;
    });
}

bool ScriptSession::callText(const QString &name, const QJSValue &function, QString *text)
{
    if (!context)
        return true;
    return runner.walk(context->engine, [&](const ScriptRunner::StopCheck &) {
        *text = ObjectTree::callText(name, function);
        return true;
    });
}

void ScriptSession::cancelTimers()
{
    if (context && context->host)
        context->host->cancelTimers();
}

int ScriptSession::pendingTimers() const
{
    return context && context->host ? context->host->pendingTimers() : 0;
}

void ScriptSession::runTimer(const QJSValue &callback, const QJSValueList &arguments)
{
    if (!context)
        return;
    Context &c = *context;
    ScriptOutcome outcome;
    const auto work = [&] {
        outcome = runner.call(c.engine, callback, QJSValue(), arguments, c.description.get(),
                              [this](ScriptOutcome &o, const ScriptRunner::StopCheck &stop) {
                                  return collectAsyncErrors(o, stop);
                              });
    };
    if (callbackScope)
        callbackScope(work);
    else
        work();
    mapLines(&outcome);
    // A callback that ran into the limit would freeze the window again at every turn of its interval.
    if (outcome.kind == ScriptOutcome::Kind::Interrupted)
        cancelTimers();
    if (outcome.kind != ScriptOutcome::Kind::Value || !outcome.asyncErrors.isEmpty())
        emit callbackOutcome(outcome);
}
