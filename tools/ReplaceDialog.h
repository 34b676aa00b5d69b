#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QsciScintilla;

// The "替换" dialog: replaces every occurrence of a text in the whole editor text at once, case-sensitively, left to
// right and without overlaps, as one undo step. Non-modal, on top of its window; closing only hides it.
class ReplaceDialog : public QDialog
{
    Q_OBJECT

public:
    ReplaceDialog(QsciScintilla *editor, QWidget *parent);

    // The one replace dialog of the process: built on first use with window as parent, then shown, activated and
    // given the focus in its find field.
    static ReplaceDialog *open(QWidget *window, QsciScintilla *editor);

    // What the button does; nothing when either field is empty.
    void replaceAllStep();

    QLineEdit *const replaceFindEdit;
    QLineEdit *const replaceEdit;
    QPushButton *const replaceAllButton;

private:
    QsciScintilla *const editor;
};
