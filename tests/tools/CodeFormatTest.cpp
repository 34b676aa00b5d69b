// Code formatting with js-beautify, through the window's command.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "script/ScriptWatchdog.h"
#include "tools/CodeFormatter.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QFile>
#include <QJSEngine>
#include <QJSValueIterator>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>

class CodeFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formats_data();
    void formats();
    void formatsLikeNode_data();
    void formatsLikeNode();
    void brokenOutputLeavesTextUnchanged_data();
    void brokenOutputLeavesTextUnchanged();
    void undoRestores();
    void formatterSeesNothingOfTheCompiledScript();
    void compressTouchesNothing();
    void resourceDefinesOnlyTheEntryPoint();

private:
    VelmoraWindow *window = nullptr;
    QsciScintilla *editor() const { return parts(window).editor(); }
};

void CodeFormatTest::init()
{
    window = new VelmoraWindow;
    window->show();
}

void CodeFormatTest::cleanup()
{
    editor()->setText(QString());
    delete window;
    window = nullptr;
    TestSupport::flushDeferredDeletes();
    TestSupport::verifyNoWindowsLeft();
}

void CodeFormatTest::formats_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nested blocks") << "function f(a){if(a){for(var i=0;i<2;i++){g(i);}}}"
                                   << "function f(a) {\n\tif (a) {\n\t\tfor (var i = 0; i < 2; i++) {\n\t\t\tg(i);\n\t\t}\n\t}\n}";
    QTest::newRow("already formatted") << "var x = 1;" << "var x = 1;";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("object") << "var o={a:1,b:[1,2]};" << "var o = {\n\ta: 1,\n\tb: [1, 2]\n};";
    QTest::newRow("chinese string kept") << "var s='中文';console.log(s)" << "var s = '中文';\nconsole.log(s)";
}

void CodeFormatTest::formats()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    editor()->setText(source);
    const int lines = TestSupport::entryCount(parts(window).outputView());
    QVERIFY(TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), expected);
    QCOMPARE(TestSupport::entryCount(parts(window).outputView()), lines);
    QVERIFY(!parts(window).engine());
}

void CodeFormatTest::formatsLikeNode_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("module") << "import {a,b} from './m.js';export default function(){return a+b}export const c=1;";
    QTest::newRow("async and await") << "async function f(){const r=await fetch(u);for await(const x of r){g(x)}}";
    QTest::newRow("optional chaining") << "var v=a?.b?.[c]?.(d)??e;x?.y.z";
    QTest::newRow("logical assignment") << "a?\?=b;c||=d;e&&=f";
    QTest::newRow("class fields and private names")
        << "class P{static n=0;#x=1;static{P.n++}get x(){return this.#x}#m(){return #x in this}*gen(){yield 1}}";
    QTest::newRow("rest and spread") << "const {a,...rest}={...o,b:2};f(...args);";
    QTest::newRow("numeric separators and exponent") << "const big=1_000_000n,f=0xff_ff??1e-3**2";
    QTest::newRow("optional catch binding") << "try{risky()}catch{recover()}finally{done()}";
    QTest::newRow("template literals") << "const t=`a${b+`c${d}`}e`;tag`x${y}`;const s=`line\n${`}`}`";
    QTest::newRow("regex literals") << "var r=/[/\\\\]+/g,q=a/b/c;if(/=>/.test(s)){s=s.replace(/\\/\\*.*?\\*\\//g,'')}";
    QTest::newRow("comments") << "/** doc */\nfunction f(){// line\nreturn 1/* inline */+2}\n// end";
    QTest::newRow("escaped identifiers") << "var \\u{61}b=1,\\u0063=2;";
    QTest::newRow("engine rejects, beautifier formats") << "var f=function result(){const result=1;return result};";
    QTest::newRow("not valid at all") << "function f() {\nreturn 1;";
    QTest::newRow("text that would end the wrapper") << "}); while (true) {} (function () {";
}

void CodeFormatTest::formatsLikeNode()
{
    QFETCH(QString, source);
    // The expected text comes from node running the same js-beautify release with the same options.
    QString failure;
    const QString expected = TestSupport::runNode(
        {QStringLiteral("-e"),
         QStringLiteral("const b = require(process.argv[1]).js_beautify; let s = '';"
                        "process.stdin.setEncoding('utf8').on('data', d => s += d)"
                        ".on('end', () => process.stdout.write(b(s, {indent_size: 1, indent_char: '\\t'})));"),
         QStringLiteral(VELMORA_BEAUTIFY_SCRIPT)},
        source.toUtf8(), &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    editor()->setText(source);
    const int lines = TestSupport::entryCount(parts(window).outputView());
    QVERIFY(TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), expected);
    QCOMPARE(TestSupport::entryCount(parts(window).outputView()), lines);
}

void CodeFormatTest::brokenOutputLeavesTextUnchanged_data()
{
    QTest::addColumn<QString>("source");
    // js-beautify's identifier tables predate Unicode 8: it splits identifiers holding CJK ideographs added since
    // (U+9FD0), which the engine accepts.
    QTest::newRow("newer ideograph inside a name") << "var a\u9FD0b = 1;";
    QTest::newRow("newer ideograph as a name") << "var \u9FD0 = 1;\n\u9FD0++;";
    // The same in code the engine cannot parse itself: esbuild tells.
    QTest::newRow("newer ideograph in modern code") << "var a\u9FD0b = x?.y ?? 1;";
}

void CodeFormatTest::brokenOutputLeavesTextUnchanged()
{
    QFETCH(QString, source);
    editor()->setText(source);
    const int lines = TestSupport::entryCount(parts(window).outputView());
    QVERIFY(!TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), source);
    const QStringList texts = TestSupport::texts(parts(window).outputView(), lines);
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.first().startsWith(QStringLiteral("代码格式化失败：js-beautify的结果第")), qPrintable(texts.first()));
    QCOMPARE(TestSupport::entries(parts(window).outputView()).last().colour, QColor(Qt::red));
}

void CodeFormatTest::undoRestores()
{
    const QString source = QStringLiteral("if(a){b()}");
    editor()->setText(source);
    editor()->insertAt(QStringLiteral("\n"), 0, 10);
    const QString before = editor()->text();
    QVERIFY(TestSupport::invoke(window, "codeFormat"));
    QVERIFY(editor()->text() != before);
    editor()->undo();
    QCOMPARE(editor()->text(), before);
    editor()->undo();
    QCOMPARE(editor()->text(), source);
}

void CodeFormatTest::formatterSeesNothingOfTheCompiledScript()
{
    editor()->setText(QStringLiteral("var js_beautify = 5; function f(){return 1}"));
    QVERIFY(TestSupport::invoke(window, "codeCompile"));
    const QString compiled = parts(window).compiledCode();
    QVERIFY(TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), QStringLiteral("var js_beautify = 5;\n\nfunction f() {\n\treturn 1\n}"));
    QCOMPARE(parts(window).compiledCode(), compiled);
    QCOMPARE(parts(window).engine()->globalObject().property(QStringLiteral("js_beautify")).toInt(), 5);
    // What the formatter's engine mends for js-beautify stays in that engine.
    const QString regExpTraits = QStringLiteral("[/\\//.source, 'sticky' in RegExp.prototype].join()");
    QJSEngine fresh;
    QCOMPARE(parts(window).engine()->evaluate(regExpTraits).toString(), fresh.evaluate(regExpTraits).toString());
}

void CodeFormatTest::compressTouchesNothing()
{
    editor()->setText(QStringLiteral("var  a=1;"));
    const int lines = TestSupport::entryCount(parts(window).outputView());
    QVERIFY(TestSupport::invoke(window, "codeCompress"));
    QCOMPARE(editor()->text(), QStringLiteral("var  a=1;"));
    QCOMPARE(TestSupport::entryCount(parts(window).outputView()), lines);
    QVERIFY(!parts(window).engine());
    // No menu entry leads to it.
    for (QAction *menu : window->menuBar()->actions())
        for (QAction *action : menu->menu()->actions())
            QVERIFY(!action->text().contains(QStringLiteral("压缩")));
}

void CodeFormatTest::resourceDefinesOnlyTheEntryPoint()
{
    QFile resource(QStringLiteral(":/hex/res/js_format.js"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    QJSEngine engine;
    QStringList before;
    for (QJSValueIterator it(engine.globalObject()); it.hasNext();) {
        it.next();
        before << it.name();
    }
    QVERIFY(!engine.evaluate(QString::fromUtf8(resource.readAll())).isError());
    QStringList added;
    for (QJSValueIterator it(engine.globalObject()); it.hasNext();) {
        it.next();
        if (!before.contains(it.name()))
            added << it.name();
    }
    QCOMPARE(added, QStringList{QStringLiteral("js_beautify")});
    QJSValue beautify = engine.globalObject().property(QStringLiteral("js_beautify"));
    QCOMPARE(beautify.call({QJSValue(QStringLiteral("{a()}")), QJSValue(2), QJSValue(QStringLiteral(" ")), QJSValue(1)})
                 .toString(),
             QStringLiteral("  {\n    a()\n  }"));
}

QTEST_MAIN(CodeFormatTest)
#include "CodeFormatTest.moc"
