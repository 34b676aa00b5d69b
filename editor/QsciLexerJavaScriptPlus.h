#pragma once

#include <Qsci/qscilexerjavascript.h>

#include <QByteArray>
#include <QString>

// QScintilla's JavaScript lexer with a word list of its own for keyword set 2 (style 16, KeywordSet2).
class QsciLexerJavaScriptPlus : public QsciLexerJavaScript
{
public:
    QsciLexerJavaScriptPlus();
    ~QsciLexerJavaScriptPlus() override;

    const char *keywords(int set) const override;

    // Words separated by blanks, stored in the local 8-bit encoding. Call before the lexer is attached: the editor
    // reads the keyword sets then.
    void setKeywords(const QString &words);

private:
    QByteArray secondaryKeywords;
};
