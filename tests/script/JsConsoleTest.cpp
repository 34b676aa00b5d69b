// The script-visible console: labels, overloads by argument count, assert's truth rules, one message per call; the
// methods that take any number of values, compared with node's console where the text is node's.
#include <cassert> // the standard macro must keep working next to the console's "assert"

#include "script/ConsoleTable.h"
#include "script/JsConsole.h"
#include "TestSupport.h"

#include <QJSEngine>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <utility>

class JsConsoleTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void messages_data();
    void messages();
    void assertTruth_data();
    void assertTruth();
    void slotsByIndex();
    void standardAssertMacroStillWorks();
    void reentryIsBounded_data();
    void reentryIsBounded();
    void likeNode_data();
    void likeNode();
    void durationLikeNode_data();
    void durationLikeNode();
    void timersMeasure();
    void stateStaysBounded_data();
    void stateStaysBounded();
};

void JsConsoleTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

namespace {

// Lines in the error colour are marked.
const QString red = QStringLiteral("[red]");

struct Console
{
    QJSEngine engine;
    JsConsole console{nullptr};
    QStringList texts;

    Console()
    {
        QObject::connect(&console, &JsConsole::onMsg, [this](const QString &text) { texts << text; });
        QObject::connect(&console, &JsConsole::onErrorMsg, [this](const QString &text) { texts << red + text; });
        engine.globalObject().setProperty(QStringLiteral("console"), console.scriptValue(&engine));
    }

    QStringList run(const QString &script, QJSValue *result = nullptr)
    {
        const QJSValue value = engine.evaluate(script);
        if (result)
            *result = value;
        return std::exchange(texts, QStringList());
    }
};

// What node prints for script, run with a console of its own: one entry per write, process warnings as
// "Warning: ..." in their place.
QStringList nodeLines(const QString &script)
{
    QString failure;
    const QString output = TestSupport::runNode(
               {QStringLiteral("-e"),
                QStringLiteral("const {Console} = require('console'); const {Writable} = require('stream');"
                               "const lines = [];"
                               "const sink = new Writable({write(chunk, encoding, done) {"
                               "  lines.push(String(chunk).replace(/\\n$/, '')); done(); }});"
                               "process.emitWarning = (message) => lines.push('Warning: ' + message);"
                               "const console = new Console({stdout: sink, stderr: sink});"
                               "let source = ''; process.stdin.setEncoding('utf8').on('data', (d) => source += d)"
                               ".on('end', () => { eval(source); process.stdout.write(JSON.stringify(lines)); });")},
               script.toUtf8(), &failure);
    if (!failure.isEmpty())
        return {failure};
    QStringList lines;
    QJSEngine json;
    const QJSValue parsed = json.evaluate(QStringLiteral("(") + output + QStringLiteral(")"));
    for (int i = 0; i < parsed.property(QStringLiteral("length")).toInt(); ++i)
        lines << parsed.property(quint32(i)).toString();
    return lines;
}

} // namespace

void JsConsoleTest::messages_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("throws");
    QTest::newRow("log one") << "console.log(1)" << QStringList{"Log：1"} << false;
    QTest::newRow("log four uses three") << "console.log(1, 2, 3, 4)" << QStringList{"Log：1 2 3"} << false;
    QTest::newRow("log two") << "console.log('a', [1])" << QStringList{"Log：\"a\" (1) [1]"} << false;
    QTest::newRow("info string") << "console.info('hi')" << QStringList{"info：\"hi\""} << false;
    QTest::newRow("debug array object") << "console.debug([1, 2], {})" << QStringList{"debug：(2) [1 ,2] (0) {}"} << false;
    QTest::newRow("print undefined null") << "console.print(undefined, null)" << QStringList{"print：undefined null"} << false;
    QTest::newRow("print three") << "console.print(1, 'b', true)" << QStringList{"print：1 \"b\" true"} << false;
    QTest::newRow("assert true") << "console.assert(true, 'ok')" << QStringList{"assert：\"ok\""} << false;
    QTest::newRow("assert false") << "console.assert(1 > 2, 'bad')" << QStringList{} << false;
    QTest::newRow("assert zero") << "console.assert(0, 1, 2)" << QStringList{} << false;
    QTest::newRow("assert object true") << "console.assert({}, 7)" << QStringList{"assert：7"} << false;
    QTest::newRow("assert three values") << "console.assert(1, 'a', 'b', 'c')" << QStringList{"assert：\"a\" \"b\" \"c\""} << false;
    QTest::newRow("assert five uses four") << "console.assert(1, 2, 3, 4, 5)" << QStringList{"assert：2 3 4"} << false;
    QTest::newRow("log no argument") << "console.log()" << QStringList{} << true;
    QTest::newRow("assert one argument") << "console.assert(true)" << QStringList{} << true;
    QTest::newRow("markup not escaped") << "console.log('<b>x</b>')" << QStringList{"Log：\"<b>x</b>\""} << false;
    QTest::newRow("onMsg direct") << "console.onMsg('text')" << QStringList{"text"} << false;
    QTest::newRow("call order") << "console.log(1); console.info(2); console.debug(3)"
                                << QStringList{"Log：1", "info：2", "debug：3"} << false;
    QTest::newRow("fifth argument not converted")
        << "var n = 0; console.log(1, 2, 3, {toString: function () { n++; return 'x'; }}); console.log(n)"
        << QStringList{"Log：1 2 3", "Log：0"} << false;
    QTest::newRow("error takes any number") << "console.error(1, 'a', [2], null, 5)"
                                            << QStringList{red + "error：1 \"a\" (1) [2] null 5"} << false;
    QTest::newRow("warn of nothing") << "console.warn()" << QStringList{red + "warn："} << false;
    QTest::newRow("error of an error")
        << "function f() { throw new Error('boom'); }\ntry { f(); } catch (e) { console.error('caught', e); }"
        << QStringList{red + "error：\"caught\" Error: boom\n    at f (第1行)\n    at <anonymous> (第2行)"} << false;
    QTest::newRow("dir shows its first value") << "console.dir({a: 1}, {depth: 0})" << QStringList{"dir：(1) {a: 1}"} << false;
    QTest::newRow("trace") << "function f() {\n  console.trace('here', 1);\n}\nf();"
                           << QStringList{"trace：Trace: \"here\" 1\n    at f (第2行)\n    at <anonymous> (第4行)"} << false;
    QTest::newRow("groups indent every line")
        << "console.group('g', 1); console.log(2); console.groupCollapsed(); console.info('x\\ny'); console.groupEnd();"
           "console.groupEnd(); console.groupEnd(); console.log(3)"
        << QStringList{"group：\"g\" 1", "  Log：2", "    info：\"x\n    y\"", "Log：3"} << false;
    QTest::newRow("table of a value that is no table") << "console.table('a')" << QStringList{"table：\"a\""} << false;
    QTest::newRow("table columns not an array") << "console.table([], 'a')" << QStringList{} << true;
    QTest::newRow("methods keep their names") << "console.log(console.error.name + console.groupEnd.name)"
                                              << QStringList{"Log：\"errorgroupEnd\""} << false;
}

void JsConsoleTest::messages()
{
    QFETCH(QString, script);
    QFETCH(QStringList, expected);
    QFETCH(bool, throws);
    Console c;
    QJSValue result;
    QCOMPARE(c.run(script, &result), expected);
    QCOMPARE(result.isError(), throws);
}

void JsConsoleTest::assertTruth_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("prints");
    QTest::newRow("false") << "false" << false;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("-0") << "-0" << false;
    QTest::newRow("NaN") << "NaN" << false;
    QTest::newRow("empty string") << "''" << false;
    QTest::newRow("null") << "null" << false;
    QTest::newRow("undefined") << "undefined" << false;
    QTest::newRow("true") << "true" << true;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("'0'") << "'0'" << true;
    QTest::newRow("'false'") << "'false'" << true;
    QTest::newRow("empty array") << "[]" << true;
    QTest::newRow("empty object") << "({})" << true;
    QTest::newRow("function") << "(function () {})" << true;
}

void JsConsoleTest::assertTruth()
{
    QFETCH(QString, condition);
    QFETCH(bool, prints);
    Console c;
    QCOMPARE(c.run(QStringLiteral("console.assert(%1, 'm')").arg(condition)).size(), prints ? 1 : 0);
}

void JsConsoleTest::slotsByIndex()
{
    const QMetaObject &meta = JsConsole::staticMetaObject;
    QCOMPARE(QByteArray(meta.className()), QByteArray("JsConsole"));
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    const QStringList expected = {
        "onMsg(QString)", "onErrorMsg(QString)",
        "log(QJSValue)", "log(QJSValue,QJSValue)", "log(QJSValue,QJSValue,QJSValue)",
        "debug(QJSValue)", "debug(QJSValue,QJSValue)", "debug(QJSValue,QJSValue,QJSValue)",
        "print(QJSValue)", "print(QJSValue,QJSValue)", "print(QJSValue,QJSValue,QJSValue)",
        "info(QJSValue)", "info(QJSValue,QJSValue)", "info(QJSValue,QJSValue,QJSValue)",
        "assert(bool,QJSValue)", "assert(bool,QJSValue,QJSValue)", "assert(bool,QJSValue,QJSValue,QJSValue)"};
    QCOMPARE(signatures, expected);
    QCOMPARE(meta.method(meta.methodOffset() + 16).parameterNames().last(), QByteArray("msg2"));
    QCOMPARE(meta.method(meta.methodOffset() + 4).parameterNames().last(), QByteArray("msg3"));
}

void JsConsoleTest::standardAssertMacroStillWorks()
{
    JsConsole console(nullptr);
    QSignalSpy spy(&console, &JsConsole::onMsg);
    (console.assert)(true, QJSValue(5));
    assert(spy.count() == 1);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("assert：5"));
}

void JsConsoleTest::reentryIsBounded_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("undo");
    QTest::addColumn<int>("atMost");
    QTest::newRow("messages printed by the console") << "console.onMsg.connect(console.log); console.log('start')"
                                                    << "console.onMsg.disconnect(console.log)" << JsConsole::maxNesting;
    QTest::newRow("errors printed by the console") << "console.onErrorMsg.connect(console.error); console.error('start')"
                                                  << "console.onErrorMsg.disconnect(console.error)" << JsConsole::maxNesting;
    QTest::newRow("signal connected to itself") << "console.onMsg.connect(console.onMsg); console.onMsg('x')"
                                                << "console.onMsg.disconnect(console.onMsg)" << 100000;
    QTest::newRow("signals connected to each other")
        << "console.onMsg.connect(console.onErrorMsg); console.onErrorMsg.connect(console.onMsg); console.onMsg('x')"
        << "console.onMsg.disconnect(console.onErrorMsg)" << 100000;
}

void JsConsoleTest::reentryIsBounded()
{
    QFETCH(QString, script);
    QFETCH(QString, undo);
    QFETCH(int, atMost);
    Console console;
    QJSValue result;
    const QStringList texts = console.run(script, &result);
    QVERIFY2(!result.isError(), qPrintable(result.toString()));
    QVERIFY(texts.size() > 1);
    QVERIFY2(texts.size() <= atMost, qPrintable(QString::number(texts.size())));
    // Once the chain has unwound, the console prints again.
    QCOMPARE(console.run(undo + QStringLiteral("; console.info(1)")), QStringList{"info：1"});
}

void JsConsoleTest::likeNode_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("counters") << "console.count(); console.count(); console.count('a'); console.count(null);"
                                 "console.count(1.5); console.count('x'); console.countReset('x'); console.count('x');"
                                 "console.countReset('nope')";
    QTest::newRow("timer warnings") << "console.time(); console.time(); console.timeEnd('nope'); console.timeLog('t')";
    QTest::newRow("group indentation")
        << "console.group(); console.count(); console.group(1); console.count('a'); console.table([1]);"
           "console.groupEnd(); console.count(); console.groupEnd(); console.groupEnd(); console.count()";
    QTest::newRow("table of objects") << "console.table([{a: 1, b: 'Y'}, {a: 'Z', b: 2}])";
    QTest::newRow("table with values") << "console.table({x: {n: 1}, y: 5, z: 'w'})";
    QTest::newRow("cells as node inspects them")
        << "console.table([[1, [1, [2]], {a: {b: 1}}], [-0, null, undefined], [{p: 1, q: 2, r: 3}, [1, 2, 3, 4, 5],"
           "function named() {}], [\"it's\", 'say \"hi\" it\\'s', 'tab\\there\\u0001\\\\'],"
           "[new Date(0), /a\\/b[/]/g, Object.create(null)], [{k: Object.create(null)}, 'x'.repeat(10003), true]])";
    QTest::newRow("chosen columns") << "console.table([{b: 1, 2: 'x', a: 3, 0: 'z'}, 7], ['a', 'zz', '0'])";
    QTest::newRow("wide characters") << "console.table([{名字: '中文', 注: 'x\\u0301'}])";
    QTest::newRow("holes") << "console.table([[, 1], [1, , , , 3], new Array(5), [[, , 1, , ], [, , ]]])";
    QTest::newRow("Map and Set") << "console.table(new Map([['k', {v: 1}], [{o: 1}, [1]]])); console.table(new Set(['s', 1]))";
    QTest::newRow("collections in cells") << "console.table([{m: new Map([[1, 2], [3, 4], [5, 6], [7, 8]]), s: new Set()}])";
    QTest::newRow("class instances") << "class K { constructor() { this.v = 1; } }\nconsole.table([{k: new K(), e: [], o: {}}])";
    QTest::newRow("empty tables") << "console.table([]); console.table({})";
    QTest::newRow("number is no table") << "console.table(5)";
}

void JsConsoleTest::likeNode()
{
    QFETCH(QString, script);
    const QStringList expected = nodeLines(script);
    Console console;
    QJSValue result;
    const QStringList texts = console.run(script, &result);
    QVERIFY2(!result.isError(), qPrintable(result.toString()));
    // Ours carry their label after the group indentation; a table starts on the line after it.
    static const QRegularExpression label(QStringLiteral("^(\\[red\\])?( *)[A-Za-z]+：(\\n\\2)?"));
    QStringList withoutLabels;
    for (const QString &text : texts) {
        const QRegularExpressionMatch match = label.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        withoutLabels << match.captured(2) + text.mid(match.capturedLength());
        // node's warnings are ours in red.
        QCOMPARE(!match.captured(1).isEmpty(), withoutLabels.last().startsWith(QStringLiteral("Warning: ")));
    }
    QCOMPARE(withoutLabels, expected);
}

void JsConsoleTest::durationLikeNode_data()
{
    QTest::addColumn<double>("ms");
    for (const double ms : {0.0, 0.0004, 0.5, 1.2345, 1.0625, 999.9996, 1000.0, 1500.25, 59999.9999, 65000.0, 3723004.5})
        QTest::addRow("%g ms", ms) << ms;
}

void JsConsoleTest::durationLikeNode()
{
    QFETCH(double, ms);
    QString failure;
    const QString expected = TestSupport::runNode(
        {QStringLiteral("--expose-internals"), QStringLiteral("-e"),
         QStringLiteral("process.stdout.write(require('internal/console/constructor').formatTime(%1))").arg(ms, 0, 'g', 17)},
        QByteArray(), &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(JsConsole::durationText(ms), expected);
}

void JsConsoleTest::timersMeasure()
{
    Console console;
    const QStringList texts = console.run(QStringLiteral(
        "console.time('t'); for (var i = 0, x = 0; i < 100000; i++) x += i; console.timeLog('t', 'mid', 2);"
        "console.timeEnd('t'); console.timeEnd('t')"));
    QCOMPARE(texts.size(), 3);
    QVERIFY2(QRegularExpression(QStringLiteral("^timeLog：t: \\d+(\\.\\d+)?ms \"mid\" 2$")).match(texts.at(0)).hasMatch(),
             qPrintable(texts.at(0)));
    QVERIFY2(QRegularExpression(QStringLiteral("^timeEnd：t: \\d+(\\.\\d+)?ms$")).match(texts.at(1)).hasMatch(),
             qPrintable(texts.at(1)));
    QCOMPARE(texts.at(2), red + QStringLiteral("timeEnd：Warning: No such label 't' for console.timeEnd()"));
}

void JsConsoleTest::stateStaysBounded_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("longest"); // no line is longer
    QTest::newRow("a million-row table") << "var a = []; for (var i = 0; i < 1e6; i++) a.push({i: i}); console.table(a)"
                                         << 1 << 30 * ConsoleTable::maxRows;
    QTest::newRow("a table of wide rows") << "var o = {}; for (var i = 0; i < 1e5; i++) o['k' + i] = 'x'.repeat(50);"
                                             "console.table([o, o])" << 1 << 3 * valueTextLengthLimit;
    QTest::newRow("more counters than kept") << "for (var i = 0; i < 10005; i++) console.count('c' + i)"
                                             << JsConsole::maxLabels + 5 << 60;
    QTest::newRow("a long label") << "console.time('x'.repeat(1e6)); console.timeLog('x'.repeat(1e6))"
                                  << 1 << JsConsole::maxLabelLength + 30;
    QTest::newRow("deep groups") << "for (var i = 0; i < 1e5; i++) console.group(); console.count()"
                                 << 1 << 2 * JsConsole::maxGroupIndent + 30;
    QTest::newRow("many values") << "console.warn.apply(console, new Array(1e5).fill('x'.repeat(100)))"
                                 << 1 << valueTextLengthLimit + 200;
}

void JsConsoleTest::stateStaysBounded()
{
    QFETCH(QString, script);
    QFETCH(int, lines);
    QFETCH(int, longest);
    Console console;
    QJSValue result;
    const QStringList texts = console.run(script, &result);
    QVERIFY2(!result.isError(), qPrintable(result.toString()));
    QCOMPARE(texts.size(), lines);
    for (const QString &text : texts)
        QVERIFY2(text.size() <= longest, qPrintable(QString::number(text.size())));
}

QTEST_MAIN(JsConsoleTest)
#include "JsConsoleTest.moc"
