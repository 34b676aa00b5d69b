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
    void syntaxErrorLeavesTextUnchanged_data();
    void syntaxErrorLeavesTextUnchanged();
    void undoRestores();
    void formatterSeesNothingOfTheCompiledScript();
    void compressTouchesNothing();
    void resourceDefinesOnlyTheEntryPoint();

private:
    VelmoraWindow *window = nullptr;
    QsciScintilla *editor() const { return window->editor(); }
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
    TestSupport::flushDeferredDeletes();
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
    const int lines = TestSupport::entryCount(window->outputView());
    QVERIFY(TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), expected);
    QCOMPARE(TestSupport::entryCount(window->outputView()), lines);
    QVERIFY(!window->engine());
}

void CodeFormatTest::syntaxErrorLeavesTextUnchanged_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("selected");
    QTest::newRow("missing operand") << "var a = 1;\nvar x = ;\nvar b;" << "var x = ;";
    QTest::newRow("unclosed block") << "function f() {\n\treturn 1;" << "";
    QTest::newRow("redeclared let") << "let a = 1;\nlet a = 2;" << "";
    QTest::newRow("injection attempt") << "}); while (true) {} (function () {" << "";
}

void CodeFormatTest::syntaxErrorLeavesTextUnchanged()
{
    QFETCH(QString, source);
    QFETCH(QString, selected);
    window->scriptWatchdog().setLimit(1);
    editor()->setText(source);
    const int lines = TestSupport::entryCount(window->outputView());
    QVERIFY(!TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), source);
    const QStringList texts = TestSupport::texts(window->outputView(), lines);
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.first().startsWith(QStringLiteral("代码格式化失败：SyntaxError")), qPrintable(texts.first()));
    QCOMPARE(TestSupport::entries(window->outputView()).last().colour, QColor(Qt::red));
    if (!selected.isEmpty())
        QCOMPARE(editor()->selectedText(), selected);
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
    const QString compiled = window->compiledCode();
    QVERIFY(TestSupport::invoke(window, "codeFormat"));
    QCOMPARE(editor()->text(), QStringLiteral("var js_beautify = 5;\n\nfunction f() {\n\treturn 1\n}"));
    QCOMPARE(window->compiledCode(), compiled);
    QCOMPARE(window->engine()->globalObject().property(QStringLiteral("js_beautify")).toInt(), 5);
}

void CodeFormatTest::compressTouchesNothing()
{
    editor()->setText(QStringLiteral("var  a=1;"));
    const int lines = TestSupport::entryCount(window->outputView());
    QVERIFY(TestSupport::invoke(window, "codeCompress"));
    QCOMPARE(editor()->text(), QStringLiteral("var  a=1;"));
    QCOMPARE(TestSupport::entryCount(window->outputView()), lines);
    QVERIFY(!window->engine());
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
