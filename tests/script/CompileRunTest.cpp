// Compile (Ctrl+B), run (Ctrl+R) and the expression dialog, through the window's own slots.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "script/ExpressionDialog.h"
#include "script/JsConsole.h"
#include "script/ScriptWatchdog.h"

#include <Qsci/qsciscintilla.h>

#include <QDialog>
#include <QJSEngine>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

class CompileRunTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void compileOutcome_data();
    void compileOutcome();
    void compileErrorSelectsLine_data();
    void compileErrorSelectsLine();
    void failedCompileKeepsEarlierDefinitionsAndSnapshot();
    void consoleLineOncePerCallAfterRecompile();
    void consoleErrorsAreRed();
    void recompileStartsFromEmptyEngine();
    void failedCompileThenRevertedRunRecompiles();
    void failedCompileIsNotUsedByAnOpenDialog();
    void modernScriptThroughTheWindow_data();
    void modernScriptThroughTheWindow();

    void firstRunCompilesAndShowsDialog();
    void unchangedRunWritesNothing();
    void editedRunRecompiles();
    void syntaxErrorHidesOpenDialog();
    void expressions_data();
    void expressions();
    void errorInScriptFunctionSelectsItsLine();
    void enterEvaluates();
    void expressionErrorWithoutLineSelectsNothing();

    void watchdogStopsTopLevelLoop();
    void watchdogStopsExpressionLoop();
    void deepRecursionIsReported();
    void scriptDeletingItsConsoleIsHarmless();
    void topLevelLexicalBindingsStayReachable_data();
    void topLevelLexicalBindingsStayReachable();
    void promiseJobsRunWithinTheCompile();
    void busyCursorWhileScriptRuns();
    void expressionHistoryWalksWithUpAndDown();

private:
    VelmoraWindow *window = nullptr;
    int firstLine = 0;
    QStringList newTexts() const { return TestSupport::texts(parts(window).outputView(), firstLine); }
    void mark() { firstLine = TestSupport::entryCount(parts(window).outputView()); }
    bool compile(const QString &code)
    {
        parts(window).editor()->setText(code);
        mark();
        return TestSupport::invoke(window, "codeCompile");
    }
    void evaluate(const QString &expression)
    {
        ExpressionDialog::instance()->exprEdit->setText(expression);
        mark();
        QTest::mouseClick(ExpressionDialog::instance()->exprButton, Qt::LeftButton);
    }
    QString selection() const { return parts(window).editor()->selectedText(); }
};

void CompileRunTest::init()
{
    window = new VelmoraWindow;
    window->show();
    parts(window).scriptWatchdog().setLimit(1);
}

void CompileRunTest::cleanup()
{
    delete window;
    window = nullptr;
    TestSupport::flushDeferredDeletes();
    TestSupport::verifyNoWindowsLeft();
}

void CompileRunTest::compileOutcome_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << "" << QStringList{"开始编译", "编译完成(无错误)"} << true;
    QTest::newRow("console in order")
        << "console.log(1);\nvar a = [1, 2];\nconsole.info('x', a);"
        << QStringList{"开始编译", "Log：1", "info：\"x\" (2) [1 ,2]", "编译完成(无错误)"} << true;
    QTest::newRow("reference error")
        << "console.log('before');\nundefinedName();"
        << QStringList{"开始编译", "Log：\"before\"", "编译错误：ReferenceError: undefinedName is not defined"} << false;
    QTest::newRow("thrown string") << "var a = 1;\nthrow 'x';" << QStringList{"开始编译", "编译错误：x"} << false;
    QTest::newRow("thrown null") << "throw null;" << QStringList{"开始编译", "编译错误：null"} << false;
    QTest::newRow("error value returned, not thrown") << "var e = new Error('x');\ne"
                                                      << QStringList{"开始编译", "编译完成(无错误)"} << true;
    QTest::newRow("markup in error") << "throw new Error('<b>a&b</b>');"
                                     << QStringList{"开始编译", "编译错误：Error: <b>a&b</b>"} << false;
}

void CompileRunTest::compileOutcome()
{
    QFETCH(QString, code);
    QFETCH(QStringList, lines);
    QFETCH(bool, ok);
    QCOMPARE(compile(code), ok);
    QCOMPARE(newTexts(), lines);
    const auto entries = TestSupport::entries(parts(window).outputView());
    QCOMPARE(entries.at(firstLine).colour, QColor(Qt::black));
    QCOMPARE(entries.last().colour, ok ? QColor(Qt::black) : QColor(Qt::red));
    for (int i = firstLine + 1; i < entries.size() - 1; ++i)
        QCOMPARE(entries.at(i).colour, QColor(Qt::blue));
    QCOMPARE(parts(window).compiledCode(), ok ? code : QString());
    QCOMPARE(parts(window).globalsTree()->topLevelItemCount() > 0, ok);
}

void CompileRunTest::compileErrorSelectsLine_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("selected");
    QTest::newRow("syntax error on line 5") << "var a = 1;\n\n\n\nvar = ;\nvar b;" << "var = ;";
    QTest::newRow("chinese on the error line") << "var s = '中文字符串';\nthrow new Error('错误'); // 注释\nvar t;"
                                               << "throw new Error('错误'); // 注释";
    QTest::newRow("crlf line ends") << "var a;\r\nthrow new Error('x');\r\nvar b;" << "throw new Error('x');";
    QTest::newRow("last line without end") << "var a;\nnull.x" << "null.x";
}

void CompileRunTest::compileErrorSelectsLine()
{
    QFETCH(QString, code);
    QFETCH(QString, selected);
    QVERIFY(!compile(code));
    QCOMPARE(selection(), selected);
}

void CompileRunTest::failedCompileKeepsEarlierDefinitionsAndSnapshot()
{
    QVERIFY(compile(QStringLiteral("var good = 1;")));
    QVERIFY(!compile(QStringLiteral("var early = 5;\nmissing();")));
    QCOMPARE(parts(window).compiledCode(), QStringLiteral("var good = 1;"));
    QCOMPARE(parts(window).engine()->globalObject().property(QStringLiteral("early")).toInt(), 5);
    QCOMPARE(parts(window).globalsTree()->topLevelItemCount(), 0);

    QVERIFY(!compile(QStringLiteral("var a = 1;\n\n\n\nvar = ;")));
    QVERIFY(parts(window).engine()->globalObject().property(QStringLiteral("a")).isUndefined());
}

void CompileRunTest::consoleLineOncePerCallAfterRecompile()
{
    QVERIFY(compile(QStringLiteral("console.log('once');")));
    QVERIFY(TestSupport::invoke(window, "codeCompile"));
    QCOMPARE(newTexts().count(QStringLiteral("Log：\"once\"")), 2);
    QCOMPARE(newTexts().mid(newTexts().lastIndexOf(QStringLiteral("开始编译"))),
             (QStringList{"开始编译", "Log：\"once\"", "编译完成(无错误)"}));
}

void CompileRunTest::consoleErrorsAreRed()
{
    QVERIFY(compile(QStringLiteral("console.log(1);\nconsole.error(2);\nconsole.warn(3, 4);\nconsole.count();")));
    QCOMPARE(newTexts(), (QStringList{"开始编译", "Log：1", "error：2", "warn：3 4", "count：default: 1", "编译完成(无错误)"}));
    const auto entries = TestSupport::entries(parts(window).outputView()).mid(firstLine + 1, 4);
    QCOMPARE(entries.at(0).colour, QColor(Qt::blue));
    QCOMPARE(entries.at(1).colour, QColor(Qt::red));
    QCOMPARE(entries.at(2).colour, QColor(Qt::red));
    QCOMPARE(entries.at(3).colour, QColor(Qt::blue));
}

void CompileRunTest::recompileStartsFromEmptyEngine()
{
    QVERIFY(compile(QStringLiteral("var first = 1;")));
    QPointer<QJSEngine> oldEngine = parts(window).engine();
    QPointer<JsConsole> oldConsole = parts(window).console();
    QVERIFY(compile(QStringLiteral("var second = 2;")));
    QVERIFY(parts(window).engine() != oldEngine);
    QVERIFY(parts(window).engine()->globalObject().property(QStringLiteral("first")).isUndefined());
    TestSupport::flushDeferredDeletes();
    QVERIFY(!oldEngine);
    QVERIFY(!oldConsole);
    QCOMPARE(parts(window).engine()->parent(), window);
    QCOMPARE(parts(window).console()->parent(), window);
}

void CompileRunTest::failedCompileThenRevertedRunRecompiles()
{
    QVERIFY(compile(QStringLiteral("var v = 1;")));
    parts(window).editor()->setText(QStringLiteral("var v = 2;\nboom();"));
    QVERIFY(!TestSupport::invoke(window, "codeCompile"));
    parts(window).editor()->setText(QStringLiteral("var v = 1;"));
    mark();
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QCOMPARE(newTexts(), (QStringList{"代码变动,重新编译", "开始编译", "编译完成(无错误)"}));
    evaluate(QStringLiteral("v"));
    QCOMPARE(newTexts(), (QStringList{"运行成功", "计算结果：1"}));
}

void CompileRunTest::failedCompileIsNotUsedByAnOpenDialog()
{
    parts(window).editor()->setText(QStringLiteral("var v = 1;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    parts(window).editor()->setText(QStringLiteral("var v = 2;\nboom();"));
    QVERIFY(!TestSupport::invoke(window, "codeCompile"));
    // The dialog is still open: its next expression compiles again instead of answering from the half-run script.
    evaluate(QStringLiteral("v + 1"));
    QCOMPARE(newTexts(), (QStringList{"上次编译失败,重新编译", "开始编译", "编译错误：ReferenceError: boom is not defined"}));
    parts(window).editor()->setText(QStringLiteral("var v = 5;"));
    evaluate(QStringLiteral("v + 1"));
    QCOMPARE(newTexts(), (QStringList{"上次编译失败,重新编译", "开始编译", "编译完成(无错误)", "运行成功", "计算结果：6"}));
}

void CompileRunTest::modernScriptThroughTheWindow_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("lines"); // what follows "开始编译", until the log is quiet
    QTest::addColumn<QString>("selected");
    QTest::newRow("async and await") << "const f = async () => { await null; console.log('a'); };\nf();"
                                     << QStringList{"Log：\"a\"", "编译完成(无错误)"} << "";
    QTest::newRow("class fields and optional chaining")
        << "class P { #x = 1; y = this.#x + 1; }\nconsole.log(new P()?.y ?? 0);" << QStringList{"Log：2", "编译完成(无错误)"} << "";
    QTest::newRow("timer output after the compile") << "setTimeout(() => console.log('later'), 10);\nconsole.log('now');"
                                                    << QStringList{"Log：\"now\"", "编译完成(无错误)", "Log：\"later\""} << "";
    QTest::newRow("error in a promise job")
        << "var a = 1;\nnew Promise(() => { throw new Error('job'); });"
        << QStringList{"未处理的Promise拒绝：Error: job"} << "new Promise(() => { throw new Error('job'); });";
    QTest::newRow("error in a lowered script") << "let o = {};\nlet v = o?.p;\nv.q;"
                                               << QStringList{"编译错误：TypeError: Cannot read property 'q' of undefined"}
                                               << "v.q;";
    QTest::newRow("error in a timer callback") << "setTimeout(() => {\n  null.x;\n}, 10);"
                                               << QStringList{"编译完成(无错误)", "未捕获的异常：TypeError: Cannot read property 'x' of null (第2行)"}
                                               << "";
    QTest::newRow("today's built-ins") << "console.log([1, 2, 3].at(-1), Object.fromEntries([['k', 'v']]), 'a-b'.replaceAll('-', '+'));"
                                       << QStringList{"Log：3 (1) {k: \"v\"} \"a+b\"", "编译完成(无错误)"} << "";
    QTest::newRow("Intl") << "console.log(new Intl.NumberFormat('de-DE').format(1234.5));"
                          << QStringList{"Log：\"1.234,5\"", "编译完成(无错误)"} << "";
    QTest::newRow("console.error") << "try { null.x; } catch (e) { console.error(e.message); }"
                                   << QStringList{"error：\"Cannot read property 'x' of null\"", "编译完成(无错误)"} << "";
    QTest::newRow("BigInt") << "let n = 10n;" << QStringList{"编译错误：SyntaxError: Unexpected token `identifier'", "此代码使用了BigInt(大整数),Qt 5.15的脚本引擎无法运行"}
                            << "let n = 10n;";
}

void CompileRunTest::modernScriptThroughTheWindow()
{
    QFETCH(QString, code);
    QFETCH(QStringList, lines);
    QFETCH(QString, selected);
    compile(code);
    QTRY_COMPARE(newTexts().mid(1), lines);
    QTest::qWait(50);
    QCOMPARE(newTexts().mid(1), lines);
    QCOMPARE(selection(), selected);
}

void CompileRunTest::firstRunCompilesAndShowsDialog()
{
    parts(window).editor()->setText(QStringLiteral("var x = 1;"));
    mark();
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QCOMPARE(newTexts(), (QStringList{"代码变动,重新编译", "开始编译", "编译完成(无错误)"}));
    QDialog *dialog = ExpressionDialog::instance();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->parent(), window);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("计算表达式"));
    QCOMPARE(dialog->size(), QSize(200, 110));
    QCOMPARE(int(dialog->windowFlags() & Qt::WindowType_Mask), int(Qt::Drawer));
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(ExpressionDialog::instance()->exprButton->text(), QStringLiteral("计算表达式"));
    QVERIFY(ExpressionDialog::instance()->exprEdit->text().isEmpty());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ExpressionDialog::instance()->exprEdit));
}

void CompileRunTest::unchangedRunWritesNothing()
{
    parts(window).editor()->setText(QStringLiteral("var x = 1;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    ExpressionDialog::instance()->exprEdit->setText(QStringLiteral("x + 1"));
    ExpressionDialog::instance()->hide();
    QJSEngine *engine = parts(window).engine();
    mark();
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QCOMPARE(newTexts(), QStringList());
    QCOMPARE(parts(window).engine(), engine);
    QVERIFY(ExpressionDialog::instance()->isVisible());
    QCOMPARE(ExpressionDialog::instance()->exprEdit->text(), QStringLiteral("x + 1"));
}

void CompileRunTest::editedRunRecompiles()
{
    parts(window).editor()->setText(QStringLiteral("var x = 1;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    parts(window).editor()->setText(QStringLiteral("var x = 12;"));
    mark();
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QCOMPARE(newTexts(), (QStringList{"代码变动,重新编译", "开始编译", "编译完成(无错误)"}));
    QCOMPARE(parts(window).compiledCode(), QStringLiteral("var x = 12;"));
}

void CompileRunTest::syntaxErrorHidesOpenDialog()
{
    parts(window).editor()->setText(QStringLiteral("var x = 1;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QVERIFY(ExpressionDialog::instance()->isVisible());
    parts(window).editor()->setText(QStringLiteral("var x = ;"));
    mark();
    QVERIFY(!TestSupport::invoke(window, "codeRun"));
    QCOMPARE(newTexts().first(), QStringLiteral("代码变动,重新编译"));
    QVERIFY(newTexts().last().startsWith(QStringLiteral("编译错误：SyntaxError")));
    QVERIFY(!ExpressionDialog::instance()->isVisible());
}

void CompileRunTest::expressions_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("selected");
    QTest::newRow("empty") << "" << QStringList{"运行成功", "计算结果：undefined"} << "";
    QTest::newRow("1 + 1") << "1 + 1" << QStringList{"运行成功", "计算结果：2"} << "";
    QTest::newRow("array") << "[1, 'a']" << QStringList{"运行成功", "计算结果：(2) [1 ,\"a\"]"} << "";
    QTest::newRow("object") << "({k: 'v'})" << QStringList{"运行成功", "计算结果：(1) {k: \"v\"}"} << "";
    QTest::newRow("string") << "'s'" << QStringList{"运行成功", "计算结果：\"s\""} << "";
    QTest::newRow("script function") << "add(2, 3)" << QStringList{"运行成功", "计算结果：5"} << "";
    QTest::newRow("console first") << "console.log('c'), 7" << QStringList{"Log：\"c\"", "运行成功", "计算结果：7"} << "";
    QTest::newRow("throw string") << "(function () { throw 'x'; })()"
                                  << QStringList{"运行错误", "错误行号：1", "堆栈调用：@:1\u2028%entry@:1", "错误原因：x"}
                                  << "function add(p, q) {";
    QTest::newRow("throw object") << "throw {};"
                                  << QStringList{"运行错误", "错误行号：1", "堆栈调用：%entry@:1", "错误原因：[object Object]"}
                                  << "function add(p, q) {";
    QTest::newRow("undefined name")
        << "nothing()"
        << QStringList{"运行错误", "错误行号：1", "堆栈调用：%entry@:1", "错误原因：ReferenceError: nothing is not defined"}
        << "function add(p, q) {";
}

void CompileRunTest::expressions()
{
    QFETCH(QString, expression);
    QFETCH(QStringList, lines);
    QFETCH(QString, selected);
    parts(window).editor()->setText(QStringLiteral("function add(p, q) {\n\treturn p + q;\n}\n"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    parts(window).editor()->setCursorPosition(2, 0);
    evaluate(expression);
    QCOMPARE(newTexts(), lines);
    QCOMPARE(selection(), selected);
    const bool failed = lines.first() == QStringLiteral("运行错误");
    const auto entries = TestSupport::entries(parts(window).outputView());
    QCOMPARE(entries.last().colour, failed ? QColor(Qt::red) : QColor(QStringLiteral("green")));
    QVERIFY(ExpressionDialog::instance()->isVisible());
    QCOMPARE(ExpressionDialog::instance()->exprEdit->text(), expression);
}

void CompileRunTest::errorInScriptFunctionSelectsItsLine()
{
    parts(window).editor()->setText(QStringLiteral("// 1\n// 2\n// 3\nfunction f() {\n\tvar a = 1;\n\t// 中文\n\tnull.boom; // 七\n}\n"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    evaluate(QStringLiteral("f()"));
    QCOMPARE(newTexts().at(0), QStringLiteral("运行错误"));
    QCOMPARE(newTexts().at(1), QStringLiteral("错误行号：7"));
    QVERIFY(newTexts().at(2).startsWith(QStringLiteral("堆栈调用：")));
    QVERIFY(newTexts().at(3).startsWith(QStringLiteral("错误原因：TypeError")));
    QCOMPARE(selection(), QStringLiteral("\tnull.boom; // 七"));
}

void CompileRunTest::enterEvaluates()
{
    parts(window).editor()->setText(QStringLiteral("var n = 20;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    ExpressionDialog::instance()->exprEdit->setText(QStringLiteral("n + 1"));
    mark();
    QTest::keyClick(ExpressionDialog::instance()->exprEdit, Qt::Key_Return);
    QCOMPARE(newTexts(), (QStringList{"运行成功", "计算结果：21"}));
    QTest::keyClick(ExpressionDialog::instance()->exprEdit, Qt::Key_Escape);
    QVERIFY(!ExpressionDialog::instance()->isVisible());
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QCOMPARE(ExpressionDialog::instance()->exprEdit->text(), QStringLiteral("n + 1"));
}

void CompileRunTest::expressionErrorWithoutLineSelectsNothing()
{
    parts(window).editor()->setText(QStringLiteral("var e = new Error('plain');\ne.lineNumber = 0;\nfunction t() { throw e; }\n"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    parts(window).editor()->setCursorPosition(1, 2);
    evaluate(QStringLiteral("t()"));
    QCOMPARE(newTexts().at(1), QStringLiteral("错误行号：0"));
    QVERIFY(!parts(window).editor()->hasSelectedText());

    evaluate(QStringLiteral("var far = new Error('far'); far.lineNumber = 999; throw far;"));
    QCOMPARE(newTexts().at(1), QStringLiteral("错误行号：999"));
    QVERIFY(!parts(window).editor()->hasSelectedText());
}

void CompileRunTest::watchdogStopsTopLevelLoop()
{
    const QString code = QStringLiteral("console.log('start');\nwhile (true) {}\n");
    parts(window).editor()->setCursorPosition(1, 3);
    QVERIFY(!compile(code));
    QCOMPARE(newTexts(), (QStringList{"开始编译", "Log：\"start\"", "脚本运行超过1秒,已中断"}));
    QCOMPARE(TestSupport::entries(parts(window).outputView()).last().colour, QColor(Qt::red));
    QVERIFY(!parts(window).editor()->hasSelectedText());
    QCOMPARE(parts(window).editor()->text(), code);

    // The next compile works normally.
    QVERIFY(compile(QStringLiteral("var ok = 1;")));
    QCOMPARE(newTexts().last(), QStringLiteral("编译完成(无错误)"));
}

void CompileRunTest::watchdogStopsExpressionLoop()
{
    parts(window).editor()->setText(QStringLiteral("var k = 3;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    evaluate(QStringLiteral("for (;;) {}"));
    QCOMPARE(newTexts(), QStringList{"脚本运行超过1秒,已中断"});
    evaluate(QStringLiteral("k * 2"));
    QCOMPARE(newTexts(), (QStringList{"运行成功", "计算结果：6"}));
}

void CompileRunTest::deepRecursionIsReported()
{
    QVERIFY(!compile(QStringLiteral("function r() { return r() + 1; }\nr();")));
    QVERIFY2(newTexts().last().startsWith(QStringLiteral("编译错误：RangeError")), qPrintable(newTexts().last()));
}

void CompileRunTest::scriptDeletingItsConsoleIsHarmless()
{
    QVERIFY(compile(QStringLiteral("console.log('bye'); console.destroy();")));
    TestSupport::flushDeferredDeletes();
    QVERIFY(!parts(window).console());
    // Its script functions now reach nothing: the expression fails, the window goes on.
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    evaluate(QStringLiteral("console.error('gone')"));
    QCOMPARE(newTexts().value(0), QStringLiteral("运行错误"));
    QVERIFY(compile(QStringLiteral("console.log('again');")));
    QCOMPARE(newTexts(), (QStringList{"开始编译", "Log：\"again\"", "编译完成(无错误)"}));
}

void CompileRunTest::topLevelLexicalBindingsStayReachable_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("const and let") << "limit + names.length" << QStringList{"运行成功", "计算结果：4"};
    QTest::newRow("class") << "new Point(2).x" << QStringList{"运行成功", "计算结果：2"};
    QTest::newRow("destructuring") << "[a, c, d.length].join()" << QStringList{"运行成功", "计算结果：\"1,2,2\""};
    QTest::newRow("change seen by the script") << "names.push('b'), count()" << QStringList{"运行成功", "计算结果：2"};
    QTest::newRow("rebinding seen by the script") << "names = [], count()" << QStringList{"运行成功", "计算结果：0"};
    QTest::newRow("const stays const") << "limit = 4" << QStringList{"运行错误", "错误行号：1", "堆栈调用：%entry@:1"};
    QTest::newRow("block scope stays private") << "typeof inner" << QStringList{"运行成功", "计算结果：\"undefined\""};
}

void CompileRunTest::topLevelLexicalBindingsStayReachable()
{
    QFETCH(QString, expression);
    QFETCH(QStringList, lines);
    parts(window).editor()->setText(QStringLiteral("const limit = 3;\nlet names = [\"a\"];\nclass Point { constructor(x) { this.x = x; } }\n"
                                             "const {a, b: [c, ...d]} = {a: 1, b: [2, 3, 4]};\n"
                                             "{ let inner = 1; }\nfunction count() { return names.length; }\nvar p = new Point(1);"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    for (const char *name : {"limit", "names", "Point", "a", "c", "d", "p"})
        QVERIFY2(!parts(window).globalsTree()->findItems(QLatin1String(name), Qt::MatchExactly).isEmpty(), name);
    QVERIFY(parts(window).globalsTree()->findItems(QStringLiteral("inner"), Qt::MatchExactly).isEmpty());
    evaluate(expression);
    QCOMPARE(newTexts().mid(0, lines.size()), lines);
    if (lines.first() == QStringLiteral("运行错误"))
        QVERIFY(newTexts().last().startsWith(QStringLiteral("错误原因：TypeError")));
}

void CompileRunTest::promiseJobsRunWithinTheCompile()
{
    QVERIFY(compile(QStringLiteral("var r = 0;\nPromise.resolve(1).then(function (v) { r = v + 1; console.log('job'); });")));
    QCOMPARE(newTexts(), (QStringList{"开始编译", "Log：\"job\"", "编译完成(无错误)"}));
    QCOMPARE(parts(window).globalsTree()->findItems(QStringLiteral("r"), Qt::MatchExactly).value(0)->text(1), QStringLiteral("2"));
}

void CompileRunTest::busyCursorWhileScriptRuns()
{
    parts(window).editor()->setText(QStringLiteral("var x = 1;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    int shape = -1;
    connect(parts(window).console(), &JsConsole::onMsg, this, [&shape] {
        shape = QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1;
    });
    evaluate(QStringLiteral("console.log(x)"));
    QCOMPARE(shape, int(Qt::WaitCursor));
    QVERIFY(!QApplication::overrideCursor());
}

void CompileRunTest::expressionHistoryWalksWithUpAndDown()
{
    parts(window).editor()->setText(QStringLiteral("var x = 1;"));
    QVERIFY(TestSupport::invoke(window, "codeRun"));
    QLineEdit *edit = ExpressionDialog::instance()->exprEdit;
    for (const char *expression : {"x + 1", "x + 2", "x + 2", "x + 3"})
        evaluate(QLatin1String(expression));
    edit->setText(QStringLiteral("draft"));
    const auto press = [edit](Qt::Key key) {
        QTest::keyClick(edit, key);
        return edit->text();
    };
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("x + 3"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("x + 2"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("x + 1"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("x + 1"));
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("x + 2"));
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("x + 3"));
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("draft"));
    // Evaluating a recalled expression starts the next walk from the newest entry.
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("x + 2"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("x + 3"));
}

QTEST_MAIN(CompileRunTest)
#include "CompileRunTest.moc"
