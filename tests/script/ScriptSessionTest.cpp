// The script session on its own, without the window: modern syntax through lowering, timers, promise jobs and their
// errors, lines mapped back to the user's, what the engine cannot run. Behaviour is compared with node's, run here.
#include "TestSupport.h"

#include "script/JsConsole.h"
#include "script/ScriptSession.h"
#include "script/ScriptWatchdog.h"

#include <QJSEngine>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <memory>

class ScriptSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void printsWhatNodePrints_data();
    void printsWhatNodePrints();
    void errorLinesAreTheUsersLines_data();
    void errorLinesAreTheUsersLines();
    void engineCannotRunIt_data();
    void engineCannotRunIt();
    void missingEsbuildNamesThePackage();
    void asyncErrorsAreReported_data();
    void asyncErrorsAreReported();
    void loweringHelpersStayOutOfTheTree();
    void loweredExpressionKeepsTheScriptsGlobals();
    void workbenchGlobalsStayOutOfTheTree();
    void timersStopWithTheScript();
    void runawayCallbackIsStoppedAndItsTimersCancelled();
    void errorValueThatWasNotThrownIsAValue();

private:
    // What the script printed with console.log, each line as node would print the one string it was given.
    QStringList printed() const;
    // Compiles and lets its timers run out (at most a few seconds).
    ScriptOutcome compileAndSettle(const QString &code);
    static QStringList nodeOutput(const QString &code);

    std::unique_ptr<QObject> owner;
    std::unique_ptr<ScriptWatchdog> watchdog;
    std::unique_ptr<ScriptSession> session;
    QStringList messages;
    QList<ScriptOutcome> callbackOutcomes;
};

void ScriptSessionTest::init()
{
    owner = std::make_unique<QObject>();
    watchdog = std::make_unique<ScriptWatchdog>();
    watchdog->setLimit(5);
    session = std::make_unique<ScriptSession>(owner.get(), *watchdog);
    messages.clear();
    callbackOutcomes.clear();
    connect(session.get(), &ScriptSession::consoleLine, this, [this](const QString &text) { messages.append(text); });
    connect(session.get(), &ScriptSession::callbackOutcome, this,
            [this](const ScriptOutcome &outcome) { callbackOutcomes.append(outcome); });
}

void ScriptSessionTest::cleanup()
{
    session.reset();
    owner.reset();
    watchdog.reset();
    qunsetenv("VELMORA_ESBUILD");
    TestSupport::flushDeferredDeletes();
    TestSupport::verifyNoWindowsLeft();
}

QStringList ScriptSessionTest::printed() const
{
    QStringList lines;
    for (const QString &message : messages) {
        const QString prefix = QStringLiteral("Log：\"");
        lines.append(message.startsWith(prefix) && message.endsWith(QLatin1Char('"'))
                         ? message.mid(prefix.size(), message.size() - prefix.size() - 1)
                         : message);
    }
    return lines;
}

ScriptOutcome ScriptSessionTest::compileAndSettle(const QString &code)
{
    const ScriptOutcome outcome = session->compile(code);
    QElapsedTimer clock;
    clock.start();
    while (session->pendingTimers() > 0 && clock.elapsed() < 30000)
        QTest::qWait(10);
    return outcome;
}

QStringList ScriptSessionTest::nodeOutput(const QString &code)
{
    QString failure;
    QString out = TestSupport::runNode({QStringLiteral("-")}, code.toUtf8(), &failure);
    if (!failure.isEmpty())
        return {failure};
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out.isEmpty() ? QStringList() : out.split(QLatin1Char('\n'));
}

void ScriptSessionTest::printsWhatNodePrints_data()
{
    QTest::addColumn<QString>("code");
    // Each snippet prints strings only, so that node's output and the workbench's log say the same.
    QTest::newRow("async function and await") << R"(async function g() { return 2; }
async function f() { const v = await g(); console.log('got ' + v); }
f().then(() => console.log('done'));
console.log('sync first');)";
    QTest::newRow("async arrow, try and catch") << R"(const f = async (x) => { try { await Promise.reject(new Error('no ' + x)); } catch (e) { return e.message; } };
f(1).then(m => console.log(m));)";
    QTest::newRow("async generator and for await") << R"(async function* count(n) { for (let i = 0; i < n; i++) { await null; yield i; } }
(async () => { const seen = []; for await (const v of count(3)) seen.push(v); console.log(seen.join(',')); })();)";
    QTest::newRow("optional chaining and logical assignment") << R"(const o = { a: { b: 1 } };
let x = null, y = 0, z;
x ??= 'x'; y ||= 'y'; z &&= 'z';
console.log([o?.a?.b, o.c?.d, o.f?.(), x, y, String(z)].join('|'));)";
    QTest::newRow("numeric separators and catch without binding") << R"(let n = 1_000_000;
try { null.x; } catch { n += 1; }
console.log(String(n));)";
    QTest::newRow("object spread and rest") << R"(const o = { a: 1, b: 2, c: 3 };
const { a, ...rest } = o;
const copy = { ...rest, d: 4 };
console.log(a + ' ' + JSON.stringify(copy));)";
    QTest::newRow("class fields, static block, private members") << R"(class Counter {
  static made = 0;
  #count = 0;
  label = 'c';
  static { Counter.ready = true; }
  constructor() { Counter.made++; }
  inc() { return ++this.#count; }
  static has(o) { return #count in o; }
}
const c = new Counter(); c.inc(); c.inc();
console.log([c.inc(), c.label, Counter.made, Counter.ready, Counter.has(c), Counter.has({})].join(','));)";
    QTest::newRow("timers in order") << R"(setTimeout(() => console.log('t20'), 20);
setTimeout((a, b) => console.log('t0 ' + a + b), 0, 'x', 'y');
const id = setTimeout(() => console.log('cleared'), 5); clearTimeout(id);
Promise.resolve().then(() => console.log('micro'));
queueMicrotask(() => console.log('queued'));
let n = 0; const iv = setInterval(() => { console.log('iv ' + n); if (++n === 3) clearInterval(iv); }, 30);
console.log('sync');)";
    QTest::newRow("timer inside a promise executor") << R"(new Promise(resolve => setTimeout(() => resolve('later'), 10)).then(v => console.log(v));)";
    QTest::newRow("today's built-ins") << R"(const arr = [1, [2, [3]], 4];
console.log([arr.at(-1), arr.flat(Infinity).join(), [1, 2].flatMap(x => [x, x * 2]).join(), arr.findLast(x => typeof x === 'number'),
  JSON.stringify(Object.fromEntries([['a', 1]])), Object.hasOwn({b: 1}, 'b'), 'a-b-c'.replaceAll('-', '+'),
  [...'a1b2'.matchAll(/\d/g)].map(m => m[0]).join(), '  x '.trimStart() + '|', typeof globalThis,
  JSON.stringify(structuredClone({d: [1, {e: 2}]})), Symbol('s').description, typeof Symbol.asyncIterator].join(' '));
Promise.allSettled([Promise.resolve(1), Promise.reject(new Error('r'))]).then(r => console.log(r.map(x => x.status).join()));
Promise.any([Promise.reject(1), Promise.resolve(2)]).then(v => console.log('any ' + v));
Promise.resolve(3).finally(() => console.log('finally')).then(v => console.log('after ' + v));)";
    QTest::newRow("exponent operator") << R"(/** the engine's own ** answers 1 for 1 ** NaN */
var one = 1; let y = 1; y **= NaN;
console.log([one ** NaN, 2 ** 10, (-2) ** 3, y].join(' '));)";
    QTest::newRow("strict-mode __proto__ assignment") << R"((function () { 'use strict'; function K() {} K.__proto__ = function () {}; console.log(typeof Object.getPrototypeOf(K)); })();)";
}

void ScriptSessionTest::printsWhatNodePrints()
{
    QFETCH(QString, code);
    const ScriptOutcome outcome = compileAndSettle(code);
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Value));
    QVERIFY2(outcome.asyncErrors.isEmpty(), qPrintable(outcome.asyncErrors.value(0).text));
    QCOMPARE(printed(), nodeOutput(code));
    QVERIFY(callbackOutcomes.isEmpty());
    QVERIFY(session->compiled());
}

void ScriptSessionTest::errorLinesAreTheUsersLines_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("thrown on a lowered line") << "let a = {};\nconst b = a?.x;\n\nconst c = a?.x.y;\nnull.boom;" << 4
                                              << "TypeError: Cannot read property 'y' of undefined";
    QTest::newRow("thrown in an async function") << "const f = async () => {\n  await 1;\n  throw new Error('late');\n};\nf().catch(e => { throw e; });"
                                                 << 3 << "Error: late";
    QTest::newRow("mistake in modern code") << "const f = async () => {\n  await g(;\n};" << 2 << "";
    QTest::newRow("thrown by a host function") << "var a = 1;\nsetTimeout('not a function', 1);" << 2 << "";
    QTest::newRow("thrown by a built-in the workbench added") << "var a = 1;\nObject.fromEntries(5);" << 2 << "";
}

void ScriptSessionTest::errorLinesAreTheUsersLines()
{
    QFETCH(QString, code);
    QFETCH(int, line);
    QFETCH(QString, text);
    const ScriptOutcome outcome = compileAndSettle(code);
    if (outcome.kind == ScriptOutcome::Kind::Error) {
        QCOMPARE(outcome.lineNumber, line);
        if (!text.isEmpty())
            QCOMPARE(outcome.text, text);
        QVERIFY2(!outcome.stack.contains(QLatin1String("velmora:")), qPrintable(outcome.stack));
    } else {
        QCOMPARE(outcome.asyncErrors.size(), 1);
        QCOMPARE(outcome.asyncErrors.first().lineNumber, line);
        QCOMPARE(outcome.asyncErrors.first().text, text);
    }
    QVERIFY(!session->compiled());
}

void ScriptSessionTest::engineCannotRunIt_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("feature");
    QTest::newRow("BigInt") << "const big = 2n ** 64n;" << "BigInt";
    QTest::newRow("top-level await") << "const v = await Promise.resolve(1);" << "await";
    QTest::newRow("module syntax") << "import fs from 'fs';\nexport const x = 1;" << "import/export";
}

void ScriptSessionTest::engineCannotRunIt()
{
    QFETCH(QString, code);
    QFETCH(QString, feature);
    const ScriptOutcome outcome = session->compile(code);
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Error));
    // The engine's own error stays, and one more line names what it cannot run.
    QVERIFY2(outcome.text.startsWith(QLatin1String("SyntaxError")), qPrintable(outcome.text));
    QCOMPARE(outcome.notes.size(), 1);
    QVERIFY(!session->compiled());
    QVERIFY2(outcome.notes.first().contains(feature), qPrintable(outcome.notes.first()));
    QVERIFY(outcome.notes.first().contains(QStringLiteral("无法运行")));
}

void ScriptSessionTest::missingEsbuildNamesThePackage()
{
    qputenv("VELMORA_ESBUILD", "/nonexistent/esbuild");
    const ScriptOutcome outcome = session->compile(QStringLiteral("var x = 1;\nconst y = x?.z;"));
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Error));
    QCOMPARE(outcome.lineNumber, 2);
    QVERIFY(outcome.text.startsWith(QLatin1String("SyntaxError")));
    QCOMPARE(outcome.notes.size(), 1);
    QVERIFY(outcome.notes.first().contains(QStringLiteral("软件包 esbuild")));
    // Scripts the engine accepts do not need it.
    QCOMPARE(int(session->compile(QStringLiteral("var x = 1;")).kind), int(ScriptOutcome::Kind::Value));
}

void ScriptSessionTest::asyncErrorsAreReported_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("rejection");
    QTest::addColumn<QString>("text");
    QTest::newRow("throw in an executor") << "new Promise(() => { throw new Error('in executor'); });" << true
                                          << "Error: in executor";
    QTest::newRow("throw in then") << "Promise.resolve(1).then(v => { throw new TypeError('in then ' + v); });" << true
                                   << "TypeError: in then 1";
    QTest::newRow("rejected with a string") << "Promise.reject('plain');" << true << "plain";
    QTest::newRow("async function without catch") << "(async () => { null.x; })();" << true
                                                  << "TypeError: Cannot read property 'x' of null";
    QTest::newRow("throw in queueMicrotask") << "queueMicrotask(() => { throw new Error('job'); });" << false
                                             << "Error: job";
}

void ScriptSessionTest::asyncErrorsAreReported()
{
    QFETCH(QString, code);
    QFETCH(bool, rejection);
    QFETCH(QString, text);
    const ScriptOutcome outcome = session->compile(code);
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Value));
    QCOMPARE(outcome.asyncErrors.size(), 1);
    QCOMPARE(outcome.asyncErrors.first().rejection, rejection);
    QCOMPARE(outcome.asyncErrors.first().text, text);
    QVERIFY(!session->compiled());

    // Handled ones are not reported, whenever in the jobs they were handled.
    const ScriptOutcome handled = session->compile(
        QStringLiteral("const p = Promise.reject(new Error('x'));\nPromise.resolve().then(() => p.catch(() => {}));"));
    QVERIFY(handled.asyncErrors.isEmpty());
}

void ScriptSessionTest::loweringHelpersStayOutOfTheTree()
{
    const ScriptOutcome outcome = session->compile(QStringLiteral(
        "class Box { #v = 1; static count = 0; get v() { return this.#v; } }\n"
        "const run = async () => { await 1; };\nlet { a, ...others } = { a: 1, b: 2 };\nvar plain = others?.b;"));
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Value));
    QTreeWidget tree;
    QVERIFY(session->fillTree(&tree));
    QStringList names;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        names.append(tree.topLevelItem(i)->text(0));
    for (const char *name : {"Box", "run", "a", "others", "plain"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    for (const QString &name : qAsConst(names))
        QVERIFY2(!name.startsWith(QLatin1Char('_')), qPrintable(name));
    // The top-level let and const of the lowered script stay reachable and keep their rules.
    QCOMPARE(session->evaluate(QStringLiteral("new Box().v + a + others.b")).valueText, QStringLiteral("4"));
    QCOMPARE(int(session->evaluate(QStringLiteral("run = 1")).kind), int(ScriptOutcome::Kind::Error));
}

void ScriptSessionTest::workbenchGlobalsStayOutOfTheTree()
{
    // The script names what the workbench supplies, and gives one of them a value of its own.
    session->compile(QStringLiteral("var f = Intl.NumberFormat, g = globalThis, c = structuredClone;\n"
                                    "setTimeout(() => {}, 1); queueMicrotask(() => {});\nvar WeakRef = 'mine';"));
    QTreeWidget tree;
    QVERIFY(session->fillTree(&tree));
    QStringList names;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        names.append(tree.topLevelItem(i)->text(0));
    for (const char *name : {"f", "g", "c", "WeakRef", "Object", "Promise"})
        QVERIFY2(names.contains(QLatin1String(name)), name);
    for (const char *name : {"Intl", "globalThis", "structuredClone", "setTimeout", "queueMicrotask", "console"})
        QVERIFY2(!names.contains(QLatin1String(name)), name);
}

void ScriptSessionTest::loweredExpressionKeepsTheScriptsGlobals()
{
    QCOMPARE(int(session->compile(QStringLiteral("var __async = 'mine';\nvar o = { p: { q: 7 } };")).kind),
             int(ScriptOutcome::Kind::Value));
    ScriptOutcome outcome = session->evaluate(QStringLiteral("o?.p?.q ?? 0"));
    QCOMPARE(outcome.valueText, QStringLiteral("7"));
    outcome = session->evaluate(QStringLiteral("(async () => { await 1; return o.p.q; })()"));
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Value));
    QCOMPARE(session->evaluate(QStringLiteral("__async")).valueText, QStringLiteral("\"mine\""));
    QCOMPARE(session->evaluate(QStringLiteral("o.p.q ** 0 + (1 ** NaN)")).valueText, QStringLiteral("NaN"));
    // A lowered expression's own error names its own line.
    outcome = session->evaluate(QStringLiteral("o?.p\n.q.r.s"));
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Error));
    QCOMPARE(outcome.lineNumber, 2);
}

void ScriptSessionTest::timersStopWithTheScript()
{
    session->compile(QStringLiteral("setInterval(() => console.log('old'), 10);\nsetTimeout(() => console.log('late'), 50);"));
    QCOMPARE(session->pendingTimers(), 2);
    QTRY_VERIFY(messages.contains(QStringLiteral("Log：\"old\"")));
    session->compile(QStringLiteral("var fresh = 1;"));
    QCOMPARE(session->pendingTimers(), 0);
    messages.clear();
    QTest::qWait(100);
    QVERIFY(messages.isEmpty());
    session->compile(QStringLiteral("setTimeout(() => console.log('x'), 10);"));
    session->cancelTimers();
    QTest::qWait(50);
    QVERIFY(messages.isEmpty());
}

void ScriptSessionTest::runawayCallbackIsStoppedAndItsTimersCancelled()
{
    watchdog->setLimit(1);
    session->compile(QStringLiteral("setInterval(() => console.log('tick'), 10);\nsetTimeout(() => { while (true) {} }, 30);"));
    QTRY_COMPARE_WITH_TIMEOUT(callbackOutcomes.size(), 1, 10000);
    QCOMPARE(int(callbackOutcomes.first().kind), int(ScriptOutcome::Kind::Interrupted));
    QCOMPARE(session->pendingTimers(), 0);
    // The engine works again afterwards.
    QCOMPARE(session->evaluate(QStringLiteral("1 + 1")).valueText, QStringLiteral("2"));
}

void ScriptSessionTest::errorValueThatWasNotThrownIsAValue()
{
    ScriptOutcome outcome = session->compile(QStringLiteral("var e = new Error('x');\ne"));
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Value));
    QVERIFY(session->compiled());
    outcome = session->evaluate(QStringLiteral("e"));
    QCOMPARE(int(outcome.kind), int(ScriptOutcome::Kind::Value));
}

QTEST_MAIN(ScriptSessionTest)
#include "ScriptSessionTest.moc"
