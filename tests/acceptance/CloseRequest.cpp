#include "CloseRequest.h"

#include <X11/Xlib.h>

namespace {

QString *reportTo = nullptr;

int recordError(Display *display, XErrorEvent *event)
{
    if (reportTo) {
        char text[256] = {};
        XGetErrorText(display, event->error_code, text, sizeof text);
        *reportTo = QStringLiteral("X error: %1").arg(QString::fromLocal8Bit(text));
    }
    return 0;
}

} // namespace

bool sendCloseRequest(const QByteArray &displayName, quint64 window, QString *error)
{
    Display *display = XOpenDisplay(displayName.constData());
    if (!display) {
        *error = QStringLiteral("cannot open display %1").arg(QString::fromLatin1(displayName));
        return false;
    }
    error->clear();
    reportTo = error;
    XErrorHandler previous = XSetErrorHandler(recordError);

    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, Window(window), False, NoEventMask, &event) != 0;
    XSync(display, False);

    XSetErrorHandler(previous);
    reportTo = nullptr;
    XCloseDisplay(display);
    if (!sent && error->isEmpty())
        *error = QStringLiteral("XSendEvent failed");
    return sent && error->isEmpty();
}
