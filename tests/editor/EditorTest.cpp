// The editor's set-up, the lexer's keyword sets and the dark colour scheme.
#include "TestSupport.h"

#include "app/VelmoraWindow.h"
#include "editor/QsciLexerJavaScriptPlus.h"

#include <Qsci/qsciscintilla.h>

#include <QTest>

class EditorTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void keywordSets();
    void keywordsStoredAsLocal8Bit();
    void settings();
    void colours_data();
    void colours();
    void tabIndentsAndBackspaceUnindents();
    void newLineKeepsIndentation();
};

void EditorTest::cleanup()
{
    TestSupport::verifyNoWindowsLeft();
}

void EditorTest::keywordSets()
{
    QsciLexerJavaScriptPlus lexer;
    QsciLexerJavaScript base;
    QVERIFY(lexer.keywords(2) != nullptr);
    QCOMPARE(QByteArray(lexer.keywords(2)), QByteArray());
    for (int set : {0, 1, 3, 4, 5, 9}) {
        const char *mine = lexer.keywords(set);
        const char *theirs = base.keywords(set);
        QCOMPARE(mine == nullptr, theirs == nullptr);
        if (mine)
            QCOMPARE(QByteArray(mine), QByteArray(theirs));
    }
    QVERIFY(QByteArray(lexer.keywords(1)).split(' ').contains("function"));
    lexer.setKeywords(QStringLiteral("alert window document"));
    QCOMPARE(QByteArray(lexer.keywords(2)), QByteArray("alert window document"));
    lexer.setKeywords(QString());
    QVERIFY(lexer.keywords(2) != nullptr);
    QCOMPARE(QByteArray(lexer.keywords(2)), QByteArray());
    QVERIFY(!lexer.parent());
}

void EditorTest::keywordsStoredAsLocal8Bit()
{
    QsciLexerJavaScriptPlus lexer;
    const QString words = QStringLiteral("caf\u00e9 \u4e2d\u6587");
    lexer.setKeywords(words);
    QCOMPARE(QByteArray(lexer.keywords(2)), words.toLocal8Bit());
}

void EditorTest::settings()
{
    VelmoraWindow window;
    QsciScintilla *editor = parts(&window).editor();
    QCOMPARE(editor->edgeMode(), QsciScintilla::EdgeLine);
    QCOMPARE(editor->edgeColumn(), 150);
    QCOMPARE(editor->edgeColor(), QColor(187, 187, 187));
    QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_GETCARETWIDTH), 2L);
    QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_GETCARETFORE), long(192 | 204 << 8 | 206 << 16));
    QCOMPARE(editor->autoCompletionSource(), QsciScintilla::AcsAll);
    QCOMPARE(editor->autoCompletionThreshold(), 1);
    QCOMPARE(editor->marginType(0), QsciScintilla::NumberMargin);
    QVERIFY(editor->marginLineNumbers(0));
    QCOMPARE(editor->marginWidth(0), 50);
    QCOMPARE(editor->folding(), QsciScintilla::BoxedTreeFoldStyle);
    QVERIFY(editor->SendScintilla(QsciScintilla::SCI_GETMARGINMASKN, 1UL) & QsciScintilla::SC_MASK_FOLDERS);
    QVERIFY(editor->marginWidth(1) > 0);
    QVERIFY(editor->indentationsUseTabs());
    QVERIFY(editor->tabIndents());
    QVERIFY(editor->backspaceUnindents());
    QCOMPARE(editor->indentationWidth(), 4);
    QCOMPARE(editor->tabWidth(), 4);
    QVERIFY(editor->autoIndent());
    QVERIFY(editor->isUtf8());
    QCOMPARE(editor->braceMatching(), QsciScintilla::SloppyBraceMatch);
    QVERIFY(!editor->SendScintilla(QsciScintilla::SCI_GETCARETLINEVISIBLE));
    QCOMPARE(window.centralWidget(), static_cast<QWidget *>(editor));
}

void EditorTest::colours_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QColor>("colour");
    const QColor comment(101, 103, 106), string(214, 133, 59), text(214, 186, 154), red(255, 128, 128);
    QTest::newRow("0 Default") << 0 << QColor(214, 187, 154);
    QTest::newRow("1 Comment") << 1 << comment;
    QTest::newRow("2 CommentLine") << 2 << comment;
    QTest::newRow("4 Number") << 4 << QColor(138, 96, 44);
    QTest::newRow("5 Keyword") << 5 << QColor(69, 198, 214);
    QTest::newRow("6 DoubleQuotedString") << 6 << string;
    QTest::newRow("7 SingleQuotedString") << 7 << string;
    QTest::newRow("8 UUID") << 8 << string;
    QTest::newRow("9 PreProcessor") << 9 << QColor(175, 99, 140);
    QTest::newRow("10 Operator") << 10 << text;
    QTest::newRow("11 Identifier") << 11 << text;
    QTest::newRow("12 UnclosedString") << 12 << string;
    QTest::newRow("14 Regex") << 14 << string;
    QTest::newRow("15 CommentLineDoc") << 15 << comment;
    QTest::newRow("16 KeywordSet2") << 16 << red;
    QTest::newRow("17 CommentDocKeyword") << 17 << comment;
    QTest::newRow("18 CommentDocKeywordError") << 18 << comment;
    QTest::newRow("19 GlobalClass") << 19 << red;
    QTest::newRow("20 RawString") << 20 << string;
    const QsciLexerJavaScript base;
    QTest::newRow("3 CommentDoc untouched") << 3 << base.defaultColor(3);
    QTest::newRow("13 VerbatimString untouched") << 13 << base.defaultColor(13);
}

void EditorTest::colours()
{
    QFETCH(int, style);
    QFETCH(QColor, colour);
    VelmoraWindow window;
    QsciLexer *lexer = parts(&window).editor()->lexer();
    QVERIFY(lexer);
    QCOMPARE(lexer->color(style), colour);
    QCOMPARE(lexer->paper(style), QColor(46, 47, 48));
    QCOMPARE(lexer->defaultPaper(), QColor(46, 47, 48));
    // The editor itself shows them.
    QCOMPARE(parts(&window).editor()->SendScintilla(QsciScintilla::SCI_STYLEGETFORE, static_cast<unsigned long>(style)),
             long(colour.red() | colour.green() << 8 | colour.blue() << 16));
    QCOMPARE(parts(&window).editor()->SendScintilla(QsciScintilla::SCI_STYLEGETBACK, static_cast<unsigned long>(style)),
             long(46 | 47 << 8 | 48 << 16));
}

void EditorTest::tabIndentsAndBackspaceUnindents()
{
    VelmoraWindow window;
    window.show();
    QsciScintilla *editor = parts(&window).editor();
    editor->setText(QStringLiteral("x = 1;"));
    editor->setCursorPosition(0, 0);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(editor->text(), QStringLiteral("\tx = 1;"));
    QCOMPARE(editor->indentation(0), 4);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QCOMPARE(editor->text(), QStringLiteral("x = 1;"));
}

void EditorTest::newLineKeepsIndentation()
{
    VelmoraWindow window;
    window.show();
    QsciScintilla *editor = parts(&window).editor();
    editor->setText(QStringLiteral("\t\tvar a;"));
    editor->setCursorPosition(0, 8);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("b"));
    QCOMPARE(editor->text(1), QStringLiteral("\t\tb"));
}

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
