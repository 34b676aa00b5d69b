#include "editor/QsciLexerJavaScriptPlus.h"

QsciLexerJavaScriptPlus::QsciLexerJavaScriptPlus() : QsciLexerJavaScript(nullptr)
{
}

QsciLexerJavaScriptPlus::~QsciLexerJavaScriptPlus() = default;

const char *QsciLexerJavaScriptPlus::keywords(int set) const
{
    if (set == 2)
        return secondaryKeywords.constData(); // an empty QByteArray still gives "", never null
    return QsciLexerJavaScript::keywords(set);
}

void QsciLexerJavaScriptPlus::setKeywords(const QString &words)
{
    secondaryKeywords = words.toLocal8Bit();
}
