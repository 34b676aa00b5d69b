#include "app/BusyWork.h"

#include <QApplication>
#include <QWidget>

BusyWork::BusyWork(QWidget *paintNow)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    paintNow->repaint();
}

BusyWork::~BusyWork()
{
    QApplication::restoreOverrideCursor();
}
