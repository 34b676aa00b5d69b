#pragma once

#include <QByteArray>
#include <QString>

// Sends WM_DELETE_WINDOW to a top-level window, exactly the message a window manager sends when the user presses the
// window's close button. There is no window manager on the test's X server, and xdotool cannot send it: its
// windowclose destroys the window instead, which a program never sees as a close request.
// Kept apart because Xlib's macros (None, Bool, Status, ...) collide with Qt's names.
bool sendCloseRequest(const QByteArray &display, quint64 window, QString *error);
