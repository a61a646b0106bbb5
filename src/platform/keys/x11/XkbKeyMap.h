#pragma once
// The server's key map for one keyboard device, read through XKB into the
// key table both backends search: which key (key code × level in the
// current group) produces a keysym, and which modifier keys reach that level.

#include "platform/keys/KeyTable.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <memory>

namespace keys::x11 {

class XkbKeyMap {
  public:
    // Throws std::runtime_error when the server does not answer.
    XkbKeyMap(Display* display, unsigned deviceSpec);

    void reload();
    void setGroup(unsigned group);

    const KeyTable& table() const { return table_; }

  private:
    struct Deleter {
        void operator()(XkbDescPtr description) const { XkbFreeKeyboard(description, 0, True); }
    };

    unsigned groupOf(unsigned keycode) const;
    void buildTable();

    Display* display_;
    unsigned deviceSpec_;
    unsigned group_ = 0;
    std::unique_ptr<XkbDescRec, Deleter> description_;
    KeyTable table_;
};

}  // namespace keys::x11
