#pragma once

class QWidget;

// Script code and the formatter run on the GUI thread, so the window neither paints nor takes input while they work.
// For as long as a BusyWork lives, the cursor shows that the window is busy; before that, what paintNow shows so far
// (the log's "开始编译") is painted.
class BusyWork
{
public:
    explicit BusyWork(QWidget *paintNow);
    ~BusyWork();
    BusyWork(const BusyWork &) = delete;
    BusyWork &operator=(const BusyWork &) = delete;
};
