#include "editor/EditorTheme.h"

#include <Qsci/qscilexerjavascript.h>

#include <QColor>

void EditorTheme::apply(QsciLexer *lexer)
{
    const QColor paper(46, 47, 48);
    lexer->setDefaultPaper(paper);
    lexer->setPaper(paper, -1);
    const struct
    {
        int style;
        QColor colour;
    } colours[] = {
        {QsciLexerJavaScript::Default, QColor(214, 187, 154)},
        {QsciLexerJavaScript::Comment, QColor(101, 103, 106)},
        {QsciLexerJavaScript::CommentLine, QColor(101, 103, 106)},
        {QsciLexerJavaScript::Number, QColor(138, 96, 44)},
        {QsciLexerJavaScript::Keyword, QColor(69, 198, 214)},
        {QsciLexerJavaScript::DoubleQuotedString, QColor(214, 133, 59)},
        {QsciLexerJavaScript::SingleQuotedString, QColor(214, 133, 59)},
        {QsciLexerJavaScript::UUID, QColor(214, 133, 59)},
        {QsciLexerJavaScript::PreProcessor, QColor(175, 99, 140)},
        {QsciLexerJavaScript::Operator, QColor(214, 186, 154)},
        {QsciLexerJavaScript::Identifier, QColor(214, 186, 154)},
        {QsciLexerJavaScript::UnclosedString, QColor(214, 133, 59)},
        {QsciLexerJavaScript::Regex, QColor(214, 133, 59)},
        {QsciLexerJavaScript::CommentLineDoc, QColor(101, 103, 106)},
        {QsciLexerJavaScript::KeywordSet2, QColor(255, 128, 128)},
        {QsciLexerJavaScript::CommentDocKeyword, QColor(101, 103, 106)},
        {QsciLexerJavaScript::CommentDocKeywordError, QColor(101, 103, 106)},
        {QsciLexerJavaScript::GlobalClass, QColor(255, 128, 128)},
        {QsciLexerJavaScript::RawString, QColor(214, 133, 59)},
    };
    for (const auto &entry : colours)
        lexer->setColor(entry.colour, entry.style);
}
