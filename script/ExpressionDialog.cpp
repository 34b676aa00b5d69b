#include "script/ExpressionDialog.h"

#include "app/VelmoraWindow.h"
#include "browser/ObjectTree.h"
#include "script/ExpressionHistory.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// Guarded pointers: they empty themselves when the window (and with it the dialog) is destroyed.
QPointer<QDialog> exprDialog;
QPointer<QVBoxLayout> exprLayout;
QPointer<QHBoxLayout> exprRow;
QPointer<QLabel> exprLabel;
QPointer<QLineEdit> exprEdit;
QPointer<QPushButton> exprButton;

} // namespace

void ExpressionDialog::ensure(VelmoraWindow *window, const std::function<void()> &evaluate)
{
    if (!exprDialog) {
        exprDialog = new QDialog(window);
        exprDialog->resize(200, 110);
        exprDialog->setWindowTitle(QStringLiteral("计算表达式"));
        exprDialog->setWindowFlag(Qt::Drawer, true);
        exprDialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        exprDialog->setModal(false);
    }
    if (!exprLayout) {
        exprLayout = new QVBoxLayout;
        exprDialog->setLayout(exprLayout);
    }
    if (!exprRow) {
        exprRow = new QHBoxLayout;
        exprLayout->addLayout(exprRow, 0);
    }
    if (!exprLabel) {
        exprLabel = new QLabel(QStringLiteral("表达式："));
        exprRow->addWidget(exprLabel, 0);
    }
    if (!exprEdit) {
        exprEdit = new QLineEdit;
        exprRow->addWidget(exprEdit, 0);
        QObject::connect(window, &VelmoraWindow::selectFunction, [](const QString &strFunName, const QJSValue &jsValue) {
            if (exprEdit)
                exprEdit->setText(ObjectTree::callText(strFunName, jsValue));
        });
    }
    if (!exprButton) {
        exprButton = new QPushButton(QStringLiteral("计算表达式"));
        exprLayout->addWidget(exprButton, 0);
        auto *history = new ExpressionHistory(exprEdit);
        QObject::connect(exprButton.data(), &QAbstractButton::clicked, [evaluate, history] {
            history->add(exprEdit->text());
            evaluate();
        });
    }
}

void ExpressionDialog::present()
{
    if (!exprDialog)
        return;
    exprDialog->show();
    exprDialog->activateWindow();
    exprEdit->setFocus(Qt::OtherFocusReason);
}

void ExpressionDialog::hide()
{
    if (exprDialog)
        exprDialog->setHidden(true);
}

QDialog *ExpressionDialog::dialog()
{
    return exprDialog;
}

QLineEdit *ExpressionDialog::edit()
{
    return exprEdit;
}

QPushButton *ExpressionDialog::button()
{
    return exprButton;
}
