#include "editor/EditorText.h"

#include <Qsci/qsciscintilla.h>

void EditorText::replaceAll(QsciScintilla *editor, const QString &text)
{
    int line = 0;
    int index = 0;
    editor->getCursorPosition(&line, &index);
    const int firstVisible = editor->firstVisibleLine();
    editor->beginUndoAction();
    editor->selectAll(true);
    editor->replaceSelectedText(text);
    editor->endUndoAction();
    editor->setCursorPosition(qMin(line, editor->lines() - 1), 0);
    editor->setFirstVisibleLine(firstVisible);
}

bool EditorText::selectLine(QsciScintilla *editor, int line)
{
    if (line < 0 || line >= editor->lines())
        return false;
    // Positions, not the line's byte length taken as a character index, which ran past the end of lines holding
    // multi-byte characters.
    const long start = editor->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long end = editor->SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    editor->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(start), end);
    return true;
}
