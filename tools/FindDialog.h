#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QsciScintilla;

// The "查找" dialog: one search in the editor per press of its button, from the caret, wrapping, in the direction
// and with the case sensitivity chosen. Non-modal, on top of its window; closing only hides it, and its texts and
// options stay for the next opening.
class FindDialog : public QDialog
{
    Q_OBJECT

public:
    FindDialog(QsciScintilla *editor, QWidget *parent);

    // The one find dialog of the process: built on first use with window as parent, then shown, activated and given
    // the focus in its text field.
    static FindDialog *open(QWidget *window, QsciScintilla *editor);

    // What the button does.
    void findStep();

    QLineEdit *const findEdit;
    QCheckBox *const caseCheck;
    QRadioButton *const upRadio;
    QRadioButton *const downRadio;
    QPushButton *const findButton;

private:
    QsciScintilla *const editor;
};
