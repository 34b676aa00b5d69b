#pragma once

class QsciScintilla;
class QString;

// Whole-text and whole-line operations on the code editor.
class EditorText
{
public:
    // Replaces the whole text as one undo step (setText would wipe the undo history) and keeps the caret's line
    // and the scroll position.
    static void replaceAll(QsciScintilla *editor, const QString &text);
    // Selects the text of one zero-based line, without its line end, whatever characters it holds. A line that does
    // not exist selects nothing and returns false.
    static bool selectLine(QsciScintilla *editor, int line);
};
