// Types with Keybot through the uinput backend and replays what it wrote to
// the device through libxkbcommon with the same layout, as a compositor
// turns a keyboard's events into characters: key by key with the state of
// the modifiers, dead keys through the compose table.

#include "FakeDevice.h"

#include "config/KeyMaps.h"
#include "platform/keys/SystemKeyboard.h"
#include "worker/Keybot.h"
#include "worker/RecordingView.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace {

using ConfigHelper::KeyboardType;
using ConfigHelper::KeyMapType;

struct Typed {
    std::string text;
    std::vector<std::string> faults;  // keys let go out of order, or left down
};

// What a compositor with this layout makes of the events.
Typed replay(const std::vector<input_event>& events, const char* layout, const char* variant) {
    Typed typed;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* state = xkb_state_new(keymap);
    xkb_compose_table* table =
        xkb_compose_table_new_from_locale(context, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS);
    xkb_compose_state* compose = xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS);
    std::vector<unsigned> down;
    char utf8[64];
    for (const input_event& event : events) {
        if (event.type == EV_SYN) continue;
        const xkb_keycode_t key = event.code + 8;
        if (event.type != EV_KEY || event.value > 1) {
            typed.faults.push_back("an event of type " + std::to_string(event.type));
            continue;
        }
        if (event.value == 1) {
            down.push_back(event.code);
            const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state, key);
            if (xkb_compose_state_feed(compose, keysym) == XKB_COMPOSE_FEED_ACCEPTED &&
                xkb_compose_state_get_status(compose) != XKB_COMPOSE_NOTHING) {
                if (xkb_compose_state_get_status(compose) == XKB_COMPOSE_COMPOSED) {
                    xkb_compose_state_get_utf8(compose, utf8, sizeof utf8);
                    typed.text += utf8;
                    xkb_compose_state_reset(compose);
                } else if (xkb_compose_state_get_status(compose) == XKB_COMPOSE_CANCELLED) {
                    xkb_compose_state_reset(compose);
                }
            } else {
                xkb_state_key_get_utf8(state, key, utf8, sizeof utf8);
                typed.text += utf8;
            }
            xkb_state_update_key(state, key, XKB_KEY_DOWN);
        } else {
            if (down.empty() || down.back() != event.code) {
                typed.faults.push_back("key " + std::to_string(event.code) +
                                       " let go before the keys pressed after it");
            }
            std::erase(down, event.code);
            xkb_state_update_key(state, key, XKB_KEY_UP);
        }
    }
    for (unsigned code : down) typed.faults.push_back("key " + std::to_string(code) + " left down");
    xkb_compose_state_unref(compose);
    xkb_compose_table_unref(table);
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return typed;
}

struct LayoutCase {
    const char* name;
    KeyboardType type;
    const char* layout;  // the session's
    const char* variant;
};

void PrintTo(const LayoutCase& layout, std::ostream* out) {
    *out << layout.name;
}

class UinputEveryCharacter : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(UinputEveryCharacter, OfTheCompleteMapArrivesExactly) {
    const LayoutCase& session = GetParam();
    FakeDevice device;
    const auto environment = [&](const char* name) -> const char* {
        const std::string variable(name);
        if (variable == "VALTYP_KEYS") return "uinput";
        if (variable == "XKB_DEFAULT_LAYOUT") return session.layout;
        if (variable == "XKB_DEFAULT_VARIANT") return session.variant;
        return nullptr;
    };
    const ConfigHelper::LayoutName written = ConfigHelper::layoutName(session.type);
    const std::string text =
        QString::fromStdU16String(
            ConfigHelper::getKeymap(session.type, KeyMapType::ALPHANUMERIC_COMPLETE).characters())
            .toStdString();
    ASSERT_EQ(text.size(), 95u);
    RecordingView view;
    {
        auto keyboard =
            keys::openSystemKeyboard({written.layout, written.variant}, environment, device);
        EXPECT_EQ(keyboard->describe(),
                  std::string("uinput (virtual keyboard, layout ") +
                      (*session.variant ? std::string(session.layout) + ' ' + session.variant
                                        : std::string(session.layout)) +
                      ")");
        Keybot bot(*keyboard, &view, KeyMapType::ALPHANUMERIC_COMPLETE, session.type, 0, 0, 0, 0,
                   0);
        bot.typeString(QString::fromStdString(text));
    }
    const Typed typed = replay(device.written(), session.layout, session.variant);
    EXPECT_EQ(typed.text, text);
    EXPECT_EQ(typed.faults, std::vector<std::string>{});
    EXPECT_TRUE(view.importantEvents().isEmpty())
        << view.importantEvents().join('\n').toStdString();
}

// ALL types Alt codes, which here become the session layout's own keys.
INSTANTIATE_TEST_SUITE_P(
    Layouts, UinputEveryCharacter,
    ::testing::Values(LayoutCase{"QUERTY_on_us", KeyboardType::QUERTY, "us", ""},
                      LayoutCase{"US_INTERNATIONAL_on_us_intl", KeyboardType::US_INTERNATIONAL,
                                 "us", "intl"},
                      LayoutCase{"GERMAN_on_de", KeyboardType::GERMAN, "de", ""},
                      LayoutCase{"AZERTY_on_fr", KeyboardType::AZERTY, "fr", ""},
                      LayoutCase{"ALL_on_a_de_session", KeyboardType::ALL, "de", ""},
                      LayoutCase{"ALL_on_a_fr_session", KeyboardType::ALL, "fr", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
