#include "XPointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <stdexcept>

void clickOnScreen(QPoint at, int clicks) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) throw std::runtime_error("XOpenDisplay failed");
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    for (int i = 0; i < clicks; ++i) {
        XTestFakeButtonEvent(display, Button1, True, CurrentTime);
        XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    }
    XSync(display, False);
    XCloseDisplay(display);
}
