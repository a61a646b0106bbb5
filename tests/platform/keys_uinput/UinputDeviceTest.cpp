// The virtual keyboard's set-up and tear-down calls, what a refused
// /dev/uinput says, the Caps Lock light, and which backend a session gets.

#include "FakeDevice.h"

#include "config/KeyCodes.h"
#include "platform/keys/SystemKeyboard.h"
#include "platform/keys/uinput/UinputKeyGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace {

using keys::Backend;
using Calls = std::vector<std::string>;

keys::uinput::Environment environmentOf(std::map<std::string, const char*> variables) {
    return [variables](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second;
    };
}

std::unique_ptr<keys::KeyGenerator> openUinput(FakeDevice& device, const char* layout = "de") {
    return keys::openSystemKeyboard({layout, ""}, environmentOf({{"VALTYP_KEYS", "uinput"}}),
                                    device);
}

TEST(UinputDevice, IsSetUpWithItsKeysCreatedAndDestroyedOnClose) {
    FakeDevice device;
    auto keyboard = openUinput(device);
    const Calls& calls = device.calls;
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], "open /dev/uinput");
    EXPECT_EQ(calls[1], "UI_SET_EVBIT " + std::to_string(EV_KEY));
    std::vector<int> keyBits;
    std::size_t i = 2;
    for (; i < calls.size() && calls[i].starts_with("UI_SET_KEYBIT "); ++i) {
        keyBits.push_back(std::stoi(calls[i].substr(14)));
    }
    EXPECT_EQ(Calls(calls.begin() + static_cast<long>(i), calls.end()),
              (Calls{"UI_DEV_SETUP Valtyp virtual keyboard bus " + std::to_string(BUS_VIRTUAL),
                     "UI_DEV_CREATE"}));
    // The keys the maps and framing keys need on de, and no media or power key.
    for (int needed :
         {KEY_A, KEY_Z, KEY_Y, KEY_1, KEY_LEFTSHIFT, KEY_RIGHTALT, KEY_102ND, KEY_ENTER, KEY_TAB,
          KEY_KP0, KEY_KPASTERISK, KEY_DELETE, KEY_F12, KEY_DOWN}) {
        EXPECT_NE(std::find(keyBits.begin(), keyBits.end(), needed), keyBits.end()) << needed;
    }
    EXPECT_TRUE(
        std::all_of(keyBits.begin(), keyBits.end(), [](int k) { return k < KEY_MUTE && k != 84; }));

    // A key still down when the keyboard goes is let go first.
    keyboard->press(KeyCode::Shift);
    device.calls.clear();
    keyboard.reset();
    EXPECT_EQ(device.calls, (Calls{"UI_DEV_DESTROY", "close /dev/uinput"}));
    const auto events = device.written();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2].code, KEY_LEFTSHIFT);
    EXPECT_EQ(events[2].value, 0);
    EXPECT_EQ(events[3].type, EV_SYN);
}

TEST(UinputDevice, AFailedSetUpCallNamesTheCallAndClosesTheDevice) {
    for (unsigned long request :
         std::initializer_list<unsigned long>{UI_SET_EVBIT, UI_DEV_SETUP, UI_DEV_CREATE}) {
        FakeDevice device;
        device.failing = request;
        try {
            openUinput(device);
            ADD_FAILURE() << "set up despite a failing " << request;
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with("ioctl UI_")) << error.what();
            EXPECT_TRUE(std::string(error.what()).ends_with(": Invalid argument")) << error.what();
        }
        EXPECT_EQ(device.calls.back(), "close /dev/uinput");
        EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "UI_DEV_DESTROY"), 0);
    }
}

TEST(UinputDevice, ARefusedOpenSaysWhatToDo) {
    const std::pair<int, std::string> refusals[] = {
        {EACCES,
         "open /dev/uinput: Permission denied. Typing on Wayland and on the text console needs "
         "access to /dev/uinput. Install Valtyp's udev rule 60-valtyp-uinput.rules (\"cmake "
         "--install\" puts it into the udev rules folder) and log in again, or set "
         "VALTYP_KEYS=x11 to type into X11 programs only."},
        {ENOENT,
         "open /dev/uinput: No such file or directory. The kernel's uinput module is not "
         "loaded: run \"sudo modprobe uinput\", or set VALTYP_KEYS=x11 to type into X11 "
         "programs only."},
        {EBUSY,
         "open /dev/uinput: Device or resource busy. Set VALTYP_KEYS=x11 to type into X11 "
         "programs only."}};
    for (const auto& [error, message] : refusals) {
        FakeDevice device;
        device.refuseOpen = error;
        try {
            openUinput(device);
            ADD_FAILURE() << "opened despite errno " << error;
        } catch (const std::runtime_error& refusal) {
            EXPECT_EQ(refusal.what(), message);
        }
    }
}

TEST(UinputDevice, CapsLockIsTheLightOfAnyReadableKeyboard) {
    struct Case {
        std::map<std::string, FakeDevice::EventDevice> devices;
        bool on;
    };
    const Case cases[] = {
        {{}, false},  // nothing readable: off, never a guess
        {{{"/dev/input/event3", {true, false}}}, false},
        {{{"/dev/input/event3", {true, false}}, {"/dev/input/event5", {true, true}}}, true},
        // A lit bit on a device without the light is no keyboard's.
        {{{"/dev/input/event4", {false, true}}}, false}};
    for (const Case& c : cases) {
        FakeDevice device;
        auto keyboard = openUinput(device);
        device.eventDeviceList = c.devices;
        device.calls.clear();
        EXPECT_EQ(keyboard->capsLockOn(), c.on) << c.devices.size();
        // Every device opened is closed again.
        const auto opens = std::count_if(device.calls.begin(), device.calls.end(),
                                         [](const auto& call) { return call.starts_with("open"); });
        EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "close"),
                  static_cast<long>(c.devices.size()));
        EXPECT_EQ(opens, static_cast<long>(c.devices.size()) + 1);
    }
}

TEST(KeystrokeBackend, FollowsTheSessionUnlessChosen) {
    const std::pair<std::map<std::string, const char*>, Backend> cases[] = {
        {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, Backend::X11},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}},
         Backend::Uinput},
        {{{"XDG_SESSION_TYPE", "tty"}}, Backend::Uinput},
        // XWayland's display alone does not make an X11 session.
        {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, Backend::Uinput},
        {{{"DISPLAY", ":99"}}, Backend::X11},
        {{}, Backend::Uinput},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"VALTYP_KEYS", "x11"}}, Backend::X11},
        {{{"XDG_SESSION_TYPE", "x11"}, {"VALTYP_KEYS", "uinput"}}, Backend::Uinput},
        {{{"XDG_SESSION_TYPE", "x11"}, {"VALTYP_KEYS", ""}}, Backend::X11}};
    for (const auto& [variables, backend] : cases) {
        std::string shown;
        for (const auto& [name, value] : variables) shown += name + '=' + value + ' ';
        EXPECT_EQ(keys::chooseBackend(environmentOf(variables)), backend) << shown;
    }
    try {
        keys::chooseBackend(environmentOf({{"VALTYP_KEYS", "xtest"}}));
        FAIL() << "an unknown backend was taken";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "VALTYP_KEYS is \"xtest\"; it may be x11 or uinput");
    }
}

TEST(SessionLayout, ComesFromTheEnvironmentThenTheSystemsKeyboardFile) {
    const std::string file = ::testing::TempDir() + "valtyp-keyboard";
    {
        std::FILE* out = std::fopen(file.c_str(), "w");
        ASSERT_NE(out, nullptr);
        std::fputs("XKBMODEL=\"pc105\"\nXKBLAYOUT=\"fr,us\"\nXKBVARIANT=\"oss,\"\n", out);
        std::fclose(out);
    }
    using keys::uinput::sessionLayout;
    const auto fromEnv = sessionLayout(
        environmentOf({{"XKB_DEFAULT_LAYOUT", "de,us"}, {"XKB_DEFAULT_VARIANT", "nodeadkeys"}}),
        file);
    EXPECT_EQ(keys::uinput::toString(fromEnv), "de nodeadkeys");
    EXPECT_EQ(keys::uinput::toString(sessionLayout(environmentOf({}), file)), "fr oss");
    EXPECT_EQ(keys::uinput::toString(sessionLayout(environmentOf({}), file + ".none")), "us");
    std::remove(file.c_str());
}

TEST(UinputDevice, AnUnknownLayoutIsAStartFailure) {
    FakeDevice device;
    try {
        openUinput(device, "xx-no-such");
        FAIL() << "a keyboard without a layout";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "xkb_keymap_new_from_names: no keyboard layout \"xx-no-such\"");
    }
    EXPECT_EQ(device.calls, (Calls{"open /dev/uinput", "close /dev/uinput"}));
}

}  // namespace
