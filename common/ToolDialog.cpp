#include "common/ToolDialog.h"

#include <QDialog>

void ToolDialog::setUp(QDialog *dialog, int width, int height, const QString &title)
{
    dialog->resize(width, height);
    dialog->setWindowTitle(title);
    dialog->setWindowFlag(Qt::Drawer, true);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog->setModal(false);
}
