// The foreground window as the focus guard sees it: a real window of another
// process, named by its title and by its program's file name.

#include "platform/focus/SystemFocus.h"
#include "win32/keys/EditTarget.h"

#include <gtest/gtest.h>

TEST(Win32FocusProbe, NamesTheForegroundWindowByTitleAndProgramFile) {
    const auto probe = focus::openSystemFocusProbe([](const char*) { return nullptr; });
    EditTarget target;
    const std::optional<focus::FocusedWindow> window = probe->focused();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(window->title, "Valtyp edit target");
    EXPECT_EQ(window->programs, (std::vector<std::string>{"edit-target.exe", "edit-target"}));
    EXPECT_EQ(window->shownName(), "Valtyp edit target");
}
