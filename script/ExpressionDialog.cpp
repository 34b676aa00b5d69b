#include "script/ExpressionDialog.h"

#include "common/ToolDialog.h"
#include "script/ExpressionHistory.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// Guarded: it empties itself when the window, and with it the dialog, is destroyed.
QPointer<ExpressionDialog> theDialog;

} // namespace

ExpressionDialog::ExpressionDialog(const std::function<void()> &evaluate, QWidget *parent)
    : QDialog(parent),
      exprLabel(new QLabel(QStringLiteral("表达式："))),
      exprEdit(new QLineEdit),
      exprButton(new QPushButton(QStringLiteral("计算表达式"))),
      history(new ExpressionHistory(exprEdit))
{
    ToolDialog::setUp(this, 200, 110, QStringLiteral("计算表达式"));

    // The widgets are made without a parent; the layouts give them to the dialog.
    auto *layout = new QVBoxLayout;
    setLayout(layout);
    auto *row = new QHBoxLayout;
    layout->addLayout(row, 0);
    row->addWidget(exprLabel, 0);
    row->addWidget(exprEdit, 0);
    layout->addWidget(exprButton, 0);
    connect(exprButton, &QAbstractButton::clicked, exprButton, [this, evaluate] {
        history->add(exprEdit->text());
        evaluate();
    });
}

ExpressionDialog *ExpressionDialog::instance()
{
    return theDialog;
}

ExpressionDialog *ExpressionDialog::create(QWidget *window, const std::function<void()> &evaluate)
{
    if (!theDialog)
        theDialog = new ExpressionDialog(evaluate, window);
    return theDialog;
}

void ExpressionDialog::present()
{
    show();
    activateWindow();
    exprEdit->setFocus(Qt::OtherFocusReason);
}
