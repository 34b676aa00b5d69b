#pragma once

class QCheckBox;
class QDialog;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QsciScintilla;
class QWidget;

// The find and replace dialogs over the editor: process-wide, built on first use with the main window as parent,
// kept for the rest of the run (closing only hides them, their texts and options stay).
class FindReplace
{
public:
    static void openFind(QWidget *window, QsciScintilla *editor);
    static void openReplace(QWidget *window, QsciScintilla *editor);

    // One search per press, from the caret, wrapping; direction and case from the dialog.
    static void findStep(QsciScintilla *editor);
    // One case-sensitive, non-overlapping, left-to-right pass over the whole text, undoable as one step.
    static void replaceAllStep(QsciScintilla *editor);

    static QDialog *findDialog();
    static QLineEdit *findEdit();
    static QCheckBox *caseCheck();
    static QRadioButton *upRadio();
    static QRadioButton *downRadio();
    static QPushButton *findButton();
    static QDialog *replaceDialog();
    static QLineEdit *replaceFindEdit();
    static QLineEdit *replaceEdit();
    static QPushButton *replaceAllButton();
};
