#include "editor/EditorSettings.h"

#include <Qsci/qsciscintilla.h>

#include <QColor>

void EditorSettings::apply(QsciScintilla *editor)
{
    editor->setEdgeMode(QsciScintilla::EdgeLine);
    editor->setEdgeColumn(150);
    editor->setEdgeColor(QColor(187, 187, 187));
    editor->setCaretForegroundColor(QColor(192, 204, 206)); // light caret for the dark paper
    editor->setCaretWidth(2);
    editor->setAutoCompletionSource(QsciScintilla::AcsAll);
    editor->setAutoCompletionThreshold(1);
    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginLineNumbers(0, true);
    editor->setMarginWidth(0, 50);
    editor->setFolding(QsciScintilla::BoxedTreeFoldStyle, 1);
    editor->setIndentationsUseTabs(true);
    editor->setTabIndents(true);
    editor->setBackspaceUnindents(true);
    editor->setIndentationWidth(4);
    editor->setTabWidth(4);
    editor->setAutoIndent(true);
    editor->setUtf8(true);
    editor->setBraceMatching(QsciScintilla::SloppyBraceMatch);
}
