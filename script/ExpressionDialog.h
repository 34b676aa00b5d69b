#pragma once

#include <QDialog>

#include <functional>

class ExpressionHistory;
class QLabel;
class QLineEdit;
class QPushButton;

// The non-modal "计算表达式" dialog: a label, the expression line edit and the button that evaluates it. Closing only
// hides it; the expression typed last stays in the line edit, and Up and Down walk the ones evaluated before.
class ExpressionDialog : public QDialog
{
    Q_OBJECT

public:
    // evaluate runs on every press of the button (and Enter), after the expression went into the history.
    ExpressionDialog(const std::function<void()> &evaluate, QWidget *parent);

    // The one expression dialog of the process, or null before the first create().
    static ExpressionDialog *instance();
    // Makes the process's dialog, with window as parent; it lives until the window goes.
    static ExpressionDialog *create(QWidget *window, const std::function<void()> &evaluate);

    // Shows and activates the dialog and puts the focus into the line edit.
    void present();

    QLabel *const exprLabel;
    QLineEdit *const exprEdit;
    QPushButton *const exprButton;
    ExpressionHistory *const history;
};
