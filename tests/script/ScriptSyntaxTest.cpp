// The engine's own parser: which names top-level lexical declarations bind, and where a text stops parsing.
#include "TestSupport.h"

#include "script/ScriptSyntax.h"

#include <QFile>
#include <QJSEngine>
#include <QTest>

class ScriptSyntaxTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void lexicalNames_data();
    void lexicalNames();
    void scanFindsEveryLexicalDeclaration_data();
    void scanFindsEveryLexicalDeclaration();
    void beautifierNeedsNoSecondParse();
    void exponentFoundInCodeOnly_data();
    void exponentFoundInCodeOnly();
    void parsesExactlyWhenTheEngineDoes_data();
    void parsesExactlyWhenTheEngineDoes();
    void trailerNamesItsLine_data();
    void trailerNamesItsLine();
};

void ScriptSyntaxTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void ScriptSyntaxTest::lexicalNames_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("let, const, class") << "let a = 1; const b = 2; class C {} var v; function f() {}"
                                       << QStringList{"a", "b", "C"};
    QTest::newRow("several declarators") << "let x = 1, y, z = 3;" << QStringList{"x", "y", "z"};
    QTest::newRow("destructuring") << "const {a, b: [c, ...d], e: {f = 1}} = o, [g, , h] = p;"
                                   << QStringList{"a", "c", "d", "f", "g", "h"};
    QTest::newRow("only the top level") << "{ let a; } for (let i = 0; i < 1; i++) {} function f() { const b = 1; }"
                                           " if (x) { class D {} } var e = class E {};"
                                        << QStringList();
    QTest::newRow("escaped name") << "let \\u0061b = 1;" << QStringList{"ab"};
    QTest::newRow("does not parse") << "let a = 1; let = ;" << QStringList();
}

void ScriptSyntaxTest::lexicalNames()
{
    QFETCH(QString, program);
    QFETCH(QStringList, names);
    QCOMPARE(ScriptSyntax::lexicalNames(program), names);
}

void ScriptSyntaxTest::scanFindsEveryLexicalDeclaration_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("may");
    QTest::newRow("declaration") << "var a = 1;\nlet b = 2;" << true;
    QTest::newRow("class") << "class C {}" << true;
    QTest::newRow("after a division") << "var x = a / 2; const y = b / 3;" << true;
    QTest::newRow("after a regular expression") << "var r = /[/]let/g; const y = 1;" << true;
    QTest::newRow("escaped word") << "l\\u0065t x = 1;" << true;
    QTest::newRow("template with code") << "var t = `${x}`; const y = 1;" << true;
    QTest::newRow("words in a template's code") << "var t = `a${ {b: `${c}`}.b }let${'}'} class`;" << false;
    QTest::newRow("declaration after a template's code") << "var t = `${ {a: 1}.a }`;\nclass C {}" << true;
    QTest::newRow("words in strings and comments") << "var s = 'let', d = \"const\"; // class\n/* let */" << false;
    QTest::newRow("words in a regular expression") << "var r = /let|const|class/;" << false;
    QTest::newRow("words in a template") << "var t = `let const class`;" << false;
    QTest::newRow("words inside names") << "var letter = constant + className;" << false;
    QTest::newRow("declarations only inside braces")
        << "(function () { const a = 1; { let b; } class C {} })(); var o = {let: 1};" << false;
    QTest::newRow("after a block") << "if (x) { y(); }\nlet z = 1;" << true;
    QTest::newRow("regular expression read as a division, braces unbalanced")
        << "if (x) /{/.test(s);\nlet z = 1;" << true;
    QTest::newRow("no words at all") << "function f(a) { return a ? /x/.test(a) : a++ / 2; }" << false;
}

void ScriptSyntaxTest::scanFindsEveryLexicalDeclaration()
{
    QFETCH(QString, program);
    QFETCH(bool, may);
    QCOMPARE(ScriptSyntax::mayDeclareLexically(program), may);
    // Whatever the scan says, it never hides a declaration the parser finds.
    if (!may)
        QVERIFY(ScriptSyntax::lexicalNames(program).isEmpty());
}

void ScriptSyntaxTest::beautifierNeedsNoSecondParse()
{
    QFile file(QStringLiteral(VELMORA_BEAUTIFY_SCRIPT));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(!ScriptSyntax::mayDeclareLexically(text));
    // It lists "**" among operators in strings: no lowering for it.
    QVERIFY(!ScriptSyntax::mayUseExponent(text));
}

void ScriptSyntaxTest::exponentFoundInCodeOnly_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("may");
    QTest::newRow("operator") << "var a = 2 ** 8;" << true;
    QTest::newRow("assignment") << "x **= 2;" << true;
    QTest::newRow("in a template substitution") << "`${a ** 2}`" << true;
    QTest::newRow("doc comment") << "/** a ** b */\nvar a;" << false;
    QTest::newRow("line comment") << "// a ** b\nvar a;" << false;
    QTest::newRow("string") << "var ops = '* ** +';" << false;
    QTest::newRow("template text") << "`**bold**`" << false;
    QTest::newRow("regular expression") << "var r = /\\*\\*/g;" << false;
}

void ScriptSyntaxTest::exponentFoundInCodeOnly()
{
    QFETCH(QString, program);
    QFETCH(bool, may);
    QCOMPARE(ScriptSyntax::mayUseExponent(program), may);
}

void ScriptSyntaxTest::parsesExactlyWhenTheEngineDoes_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("plain") << "var a = 1;";
    QTest::newRow("arrow and template") << "const f = (x) => `${x}`;";
    QTest::newRow("missing operand on line 3") << "var a;\nvar b;\nvar c = ;";
    QTest::newRow("optional chaining") << "a?.b";
    QTest::newRow("async function") << "async function f() {}";
    QTest::newRow("module syntax") << "import x from 'y';";
    QTest::newRow("number method") << "1.toString()";
}

void ScriptSyntaxTest::parsesExactlyWhenTheEngineDoes()
{
    QFETCH(QString, program);
    QJSEngine engine;
    // A leading throw makes the engine parse the whole text without running any of it.
    const QJSValue result = engine.evaluate(QStringLiteral("throw 0;") + program);
    const bool engineParses = !result.isError();
    const ScriptSyntax::Check check = ScriptSyntax::check(program);
    QCOMPARE(check.parses, engineParses);
    if (!engineParses)
        QCOMPARE(check.line, result.property(QStringLiteral("lineNumber")).toInt());
}

void ScriptSyntaxTest::trailerNamesItsLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("one line") << "const limit = 1;";
    QTest::newRow("LF, final break") << "const limit = 1;\nvar a;\n";
    QTest::newRow("CR LF") << "var a;\r\nconst limit = 1;\r\n\r\nvar b;";
    QTest::newRow("CR") << "var a;\rconst limit = 1;\r";
    QTest::newRow("line and paragraph separators") << QStringLiteral("var a;\u2028const limit = 1;\u2029var b;");
    QTest::newRow("breaks in a comment and a template") << "/*\n\n*/ const limit = 1; var t = `\n\r\n`;";
    QTest::newRow("constructors replaced") << "const limit = 1; Error = TypeError = null;";
}

void ScriptSyntaxTest::trailerNamesItsLine()
{
    QFETCH(QString, program);
    QJSEngine engine;
    const QJSValue line = engine.evaluate(program + ScriptSyntax::globalAccessors(program));
    QVERIFY(line.isNumber());
    // Assigning the const from outside the script fails inside its accessor.
    const QJSValue error = engine.evaluate(QStringLiteral("limit = 2"));
    QVERIFY(error.isError());
    QCOMPARE(line.toInt(), error.property(QStringLiteral("lineNumber")).toInt());
}

QTEST_MAIN(ScriptSyntaxTest)
#include "ScriptSyntaxTest.moc"
