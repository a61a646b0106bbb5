#include "platform/keys/x11/X11KeyGenerator.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None) break its headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstdlib>

namespace {

// Caps Lock as another program (or the user) sets it.
void lockCaps(Display* display, bool on) {
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
    XSync(display, False);
}

TEST(X11CapsLock, TheStateIsReadFromTheServer) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server in $DISPLAY";
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    keys::X11KeyGenerator generator;
    EXPECT_FALSE(generator.capsLockOn());
    lockCaps(display, true);
    EXPECT_TRUE(generator.capsLockOn());
    lockCaps(display, false);
    EXPECT_FALSE(generator.capsLockOn());
    XCloseDisplay(display);
}

TEST(X11KeyGenerator, ABadDisplayNameIsAnErrorNamingTheCall) {
    try {
        keys::X11KeyGenerator generator(":99999");
        FAIL() << "connected to display :99999";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "XOpenDisplay: cannot open display \":99999\"");
    }
}

}  // namespace
