// Types with the SendInput generator into edit-target, a window of another
// process, under the layout Wine took from the X server when it started:
// with_x_layout.sh sets it and runs only the cases written for it.

#include "platform/keys/win32/Win32KeyGenerator.h"

#include "config/KeyMaps.h"
#include "win32/keys/EditTarget.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ConfigHelper::KeyboardType;
using ConfigHelper::KeyMapType;

// The typing rule of the keystroke engine, without its pauses and reports: a
// chord goes down in order and up in reverse, a Space after the first key
// waits until then and is typed only when a dead key is waiting for it; an
// Alt code is Alt held over its keypad digits.
void typeCharacter(keys::KeyGenerator& keys, const ConfigHelper::KeyCodes& codes) {
    if (ConfigHelper::isAltCode(codes)) {
        keys.press(KeyCode::Alt);
        for (std::size_t i = 1; i < codes.size(); ++i) {
            keys.press(codes[i]);
            keys.release(codes[i]);
        }
        keys.release(KeyCode::Alt);
        return;
    }
    auto deferred = [&](std::size_t i) { return i > 0 && codes[i] == KeyCode::Space; };
    bool spaceDeferred = false;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (deferred(i)) {
            spaceDeferred = true;
        } else {
            keys.press(codes[i]);
        }
    }
    for (std::size_t i = codes.size(); i-- > 0;) {
        if (!deferred(i)) keys.release(codes[i]);
    }
    if (spaceDeferred && !keys.lastKeyTypedCharacter()) {
        keys.press(KeyCode::Space);
        keys.release(KeyCode::Space);
    }
}

std::wstring widen(const std::u16string& text) {
    return {text.begin(), text.end()};
}

struct LayoutCase {
    const char* name;
    KeyboardType type;
    const char* layout;  // and variant, as the key maps name them
    const char* variant;
};

void PrintTo(const LayoutCase& layout, std::ostream* out) {
    *out << layout.name;
}

class EveryCharacter : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EveryCharacter, OfTheCompleteMapArrivesExactly) {
    const LayoutCase& layout = GetParam();
    const ConfigHelper::KeyMap map =
        ConfigHelper::getKeymap(layout.type, KeyMapType::ALPHANUMERIC_COMPLETE);
    const std::u16string characters = map.characters();
    ASSERT_EQ(characters.size(), 95u);

    keys::Win32KeyGenerator generator(keys::windowsLayoutId(layout.layout, layout.variant));
    EditTarget target;
    for (char16_t character : characters) {
        SCOPED_TRACE(static_cast<char>(character));
        ASSERT_NO_THROW(typeCharacter(generator, *map.find(character)));
    }
    EXPECT_EQ(target.text(characters.size()), widen(characters));
}

// The name ends in the X layout the case needs, for with_x_layout.sh's filter.
INSTANTIATE_TEST_SUITE_P(Layouts, EveryCharacter,
                         ::testing::Values(LayoutCase{"QUERTY_us", KeyboardType::QUERTY, "us", ""},
                                           LayoutCase{"ALL_us", KeyboardType::ALL, "", ""},
                                           LayoutCase{"GERMAN_de", KeyboardType::GERMAN, "de", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Win32KeyGenerator_us, FramingKeysAndAltCodesBeyondAsciiArrive) {
    keys::Win32KeyGenerator generator("00000409");
    EditTarget target;
    auto tap = [&](int code) {
        generator.press(code);
        generator.release(code);
    };
    tap(KeyCode::digit(1));
    tap(KeyCode::Enter);
    tap(KeyCode::digit(2));
    tap(KeyCode::Tab);
    for (int code : {KeyCode::KeypadMultiply, KeyCode::KeypadAdd, KeyCode::KeypadDivide}) tap(code);
    // Small e with acute and the G clef, beyond one UTF-16 unit.
    typeCharacter(generator, ConfigHelper::altCode(u'x'));
    for (const ConfigHelper::KeyCodes& codes :
         {ConfigHelper::KeyCodes{KeyCode::Alt, KeyCode::keypad(2), KeyCode::keypad(3),
                                 KeyCode::keypad(3)},
          ConfigHelper::KeyCodes{KeyCode::Alt, KeyCode::keypad(1), KeyCode::keypad(1),
                                 KeyCode::keypad(9), KeyCode::keypad(0), KeyCode::keypad(7),
                                 KeyCode::keypad(0)}}) {
        typeCharacter(generator, codes);
    }
    const std::wstring expected = L"1\r\n2\t*+/x\u00e9\U0001D11E";
    EXPECT_EQ(target.text(expected.size()), expected);
}

TEST(Win32KeyGenerator_us, RefusesWhatNoKeyTypesAndSaysWhatSendInputRefused) {
    keys::Win32KeyGenerator generator("00000409");
    auto refusal = [&](auto&& typing) -> std::string {
        try {
            typing();
        } catch (const keys::KeyRefused& refused) {
            return refused.what();
        }
        return "nothing refused";
    };
    EXPECT_EQ(refusal([&] { generator.press(1000); }), "Invalid key code");
    // The US layout has no dead keys.
    EXPECT_NE(refusal([&] { generator.press(KeyCode::DeadCircumflex); }).find("dead key"),
              std::string::npos);
    // Alt code 7 is a control character: nothing to type.
    EXPECT_EQ(refusal([&] {
                  generator.press(KeyCode::Alt);
                  generator.press(KeyCode::keypad(7));
                  generator.release(KeyCode::keypad(7));
                  generator.release(KeyCode::Alt);
              }),
              "Invalid key code: no character has the Alt code 7");

    keys::Win32KeyGenerator blocked("00000409", [](unsigned, void*, int) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0u;
    });
    const std::string message = refusal([&] { blocked.press(KeyCode::letter('A')); });
    EXPECT_EQ(message.rfind("SendInput sent 0 of 1 key events: ", 0), 0u) << message;
    EXPECT_NE(message.find("(error 5)"), std::string::npos) << message;
}

TEST(Win32KeyGenerator_us, TellsWhetherTheLastKeyTypedACharacterAndReadsCapsLock) {
    keys::Win32KeyGenerator generator("00000409");
    EditTarget target;
    generator.press(KeyCode::Shift);
    EXPECT_FALSE(generator.lastKeyTypedCharacter());
    generator.press(KeyCode::letter('A'));
    EXPECT_TRUE(generator.lastKeyTypedCharacter());
    generator.release(KeyCode::letter('A'));
    generator.release(KeyCode::Shift);

    const bool before = generator.capsLockOn();
    INPUT capsLock[2]{};
    for (INPUT& event : capsLock) {
        event.type = INPUT_KEYBOARD;
        event.ki.wVk = VK_CAPITAL;
    }
    capsLock[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, capsLock, sizeof(INPUT)), 2u);
    target.text(1);
    EXPECT_NE(generator.capsLockOn(), before);
    SendInput(2, capsLock, sizeof(INPUT));
}

TEST(Win32KeyGenerator_us, NamesTheWindowsLayoutOfEachKeyMapsLayout) {
    const std::pair<std::pair<const char*, const char*>, const char*> layouts[] = {
        {{"us", ""}, "00000409"}, {{"us", "intl"}, "00020409"},
        {{"de", ""}, "00000407"}, {{"fr", ""}, "0000040C"},
        {{"", ""}, ""},           {{"gb", ""}, ""}};
    for (const auto& [names, id] : layouts) {
        EXPECT_EQ(keys::windowsLayoutId(names.first, names.second), id) << names.first;
    }
}

}  // namespace
