#pragma once

class QsciScintilla;

// The code editor's fixed set-up: edge line, caret, line numbers, folding, tab indentation, UTF-8, brace matching
// and the auto-completion trigger.
class EditorSettings
{
public:
    static void apply(QsciScintilla *editor);
};
