#include "platform/focus/x11/X11FocusProbe.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace focus {

namespace {

template <class T>
struct Freed {
    void operator()(T* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, Freed<T>>;

}  // namespace

struct X11FocusProbe::Impl {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t activeWindow = XCB_NONE;
    xcb_atom_t wmName = XCB_NONE;
    xcb_atom_t utf8String = XCB_NONE;

    xcb_atom_t atom(const char* name) {
        const auto cookie =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        const Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    // The property's bytes; empty when the window or the property is missing.
    std::string property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        const auto cookie = xcb_get_property(connection, 0, window, name, type, 0, 4096);
        const Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection, cookie, nullptr));
        if (!reply || reply->type == XCB_NONE) return {};
        const int length = xcb_get_property_value_length(reply.get());
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(length));
    }

    // The window manager's idea of the active window; none without one.
    xcb_window_t managedActiveWindow() {
        if (activeWindow == XCB_NONE) return XCB_NONE;
        const std::string value = property(root, activeWindow, XCB_ATOM_WINDOW);
        if (value.size() < sizeof(xcb_window_t)) return XCB_NONE;
        xcb_window_t window;
        std::memcpy(&window, value.data(), sizeof window);
        return window;
    }

    // The input focus, up to the first window that names its program: the
    // focus often sits on a child of the application's top-level window.
    xcb_window_t inputFocusTopLevel() {
        const Reply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        if (!focus) return XCB_NONE;
        xcb_window_t window = focus->focus;
        while (window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT && window != root) {
            if (!property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).empty()) return window;
            const Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
            if (!tree) return XCB_NONE;
            window = tree->parent;
        }
        return XCB_NONE;
    }
};

X11FocusProbe::X11FocusProbe(const std::string& displayName) : impl_(std::make_unique<Impl>()) {
    int screenNumber = 0;
    impl_->connection =
        xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    if (const int error = xcb_connection_has_error(impl_->connection); error != 0) {
        xcb_disconnect(impl_->connection);
        throw std::runtime_error("xcb_connect: cannot open display \"" + displayName +
                                 "\" (error " + std::to_string(error) + ")");
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(impl_->connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    impl_->root = screens.data->root;
    impl_->activeWindow = impl_->atom("_NET_ACTIVE_WINDOW");
    impl_->wmName = impl_->atom("_NET_WM_NAME");
    impl_->utf8String = impl_->atom("UTF8_STRING");
}

X11FocusProbe::~X11FocusProbe() {
    xcb_disconnect(impl_->connection);
}

std::optional<FocusedWindow> X11FocusProbe::focused() {
    xcb_window_t window = impl_->managedActiveWindow();
    if (window == XCB_NONE) window = impl_->inputFocusTopLevel();
    if (window == XCB_NONE) return std::nullopt;
    FocusedWindow shown;
    shown.title = impl_->property(window, impl_->wmName, impl_->utf8String);
    if (shown.title.empty())
        shown.title = impl_->property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    // WM_CLASS holds two names, each ended by a NUL: instance, then class.
    const std::string classes = impl_->property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    for (std::size_t start = 0; start < classes.size();) {
        const std::size_t end = std::min(classes.find('\0', start), classes.size());
        if (end > start) shown.programs.push_back(classes.substr(start, end - start));
        start = end + 1;
    }
    return shown;
}

}  // namespace focus
