#pragma once

class QsciLexer;

// The editor's fixed dark colour scheme: paper #2E2F30 for every style, and the foreground colour of each
// JavaScript style that has one of its own (styles 3 and 13 keep the library's colours).
class EditorTheme
{
public:
    static void apply(QsciLexer *lexer);
};
