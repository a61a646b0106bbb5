// Types with Keybot and the XTest backend into typing-target on the X server
// of $DISPLAY, under the layouts each keyboard type is meant for.

#include "worker/Keybot.h"

#include "config/KeyCodes.h"
#include "platform/keys/x11/X11KeyGenerator.h"
#include "tools/TypingTarget.h"
#include "worker/RecordingView.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <cstdlib>
#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '"' << list.join(QChar(u'\u00b7')).toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

using ConfigHelper::KeyboardType;
using ConfigHelper::KeyMapType;

bool setLayout(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("setxkbmap"), arguments) == 0;
}

class X11Typing : public ::testing::Test {
  protected:
    // One generator for the whole suite: it has to follow every layout change.
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY") == nullptr) return;
        generator = std::make_unique<keys::X11KeyGenerator>();
    }
    static void TearDownTestSuite() {
        setLayout({"us"});
        generator.reset();
    }

    void SetUp() override {
        ASSERT_NE(generator, nullptr)
            << "needs an X server in $DISPLAY (scripts/test.sh starts one)";
    }

    Keybot engine(KeyboardType type, KeyMapType scope = KeyMapType::ALPHANUMERIC_COMPLETE,
                  int everyXValues = 0, int endWith2 = 0, int endWith = 0, int startWith = 0) {
        return Keybot(*generator, &view, scope, type, everyXValues, endWith2, endWith, startWith,
                      0);
    }

    static void typeText(Keybot& bot, const QString& text) {
        bot.typeStart();
        bot.typeString(text);
        bot.typeEnd();
    }

    static inline std::unique_ptr<keys::X11KeyGenerator> generator;
    RecordingView view;
};

struct LayoutCase {
    const char* name;
    QStringList setxkbmap;
    KeyboardType type;
};

void PrintTo(const LayoutCase& layout, std::ostream* out) {
    *out << layout.name;
}

class EveryCharacter : public X11Typing, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(EveryCharacter, OfTheCompleteMapArrivesExactly) {
    const LayoutCase& layout = GetParam();
    ASSERT_TRUE(setLayout(layout.setxkbmap));
    const ConfigHelper::KeyMap map =
        ConfigHelper::getKeymap(layout.type, KeyMapType::ALPHANUMERIC_COMPLETE);
    const QString text = QString::fromStdU16String(map.characters());
    ASSERT_EQ(text.size(), 95);
    const QStringList expected = TypingTarget::characters(text);

    TypingTarget target;
    Keybot bot = engine(layout.type);
    typeText(bot, text);
    EXPECT_EQ(target.received(expected.size()), expected);
    EXPECT_TRUE(view.importantEvents().isEmpty())
        << view.importantEvents().join('\n').toStdString();
    EXPECT_FALSE(target.lostFocus());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, EveryCharacter,
    ::testing::Values(LayoutCase{"QUERTY_on_us", {"us"}, KeyboardType::QUERTY},
                      LayoutCase{"US_INTERNATIONAL_on_us_intl",
                                 {"us", "-variant", "intl"},
                                 KeyboardType::US_INTERNATIONAL},
                      LayoutCase{"GERMAN_on_de", {"de"}, KeyboardType::GERMAN},
                      // X's French layout has plain grave and tilde on AltGr+7 and AltGr+2,
                      // where the map expects dead keys: no Space may follow them.
                      LayoutCase{"AZERTY_on_fr", {"fr"}, KeyboardType::AZERTY},
                      LayoutCase{"ALL_on_us", {"us"}, KeyboardType::ALL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(X11Typing, StartKeysArriveAsKeys) {
    ASSERT_TRUE(setLayout({"us"}));
    const std::pair<int, QString> startKeys[] = {
        {KeyCode::Enter, TypingTarget::key("Return")},   {KeyCode::Tab, TypingTarget::key("Tab")},
        {KeyCode::Right, TypingTarget::key("Right")},    {KeyCode::Down, TypingTarget::key("Down")},
        {KeyCode::Delete, TypingTarget::key("Delete")},  {KeyCode::KeypadMultiply, "*"},
        {KeyCode::function(1), TypingTarget::key("F1")}, {KeyCode::F12, TypingTarget::key("F12")}};
    TypingTarget target;
    QStringList expected;
    for (const auto& [code, arrives] : startKeys) {
        Keybot bot = engine(KeyboardType::QUERTY, KeyMapType::NUMERIC, 0, 0, 0, code);
        typeText(bot, "7");
        expected << arrives << "7";
    }
    EXPECT_EQ(target.received(expected.size()), expected);
    EXPECT_TRUE(view.importantEvents().isEmpty())
        << view.importantEvents().join('\n').toStdString();
}

TEST_F(X11Typing, TheTypingThreadEndsEveryThirdTextWithTheSecondTerminator) {
    ASSERT_TRUE(setLayout({"de"}));
    TypingTarget target;
    Keybot bot = engine(KeyboardType::GERMAN, KeyMapType::NUMERIC, 3, KeyCode::Tab, KeyCode::Enter);
    for (const char* text : {"1", "2,5", "-3", "4"}) bot.add(text);
    bot.start();
    const QStringList expected{"1", "[Return]", "2",     ",", "5",       "[Return]",
                               "-", "3",        "[Tab]", "4", "[Return]"};
    EXPECT_EQ(target.received(expected.size()), expected);
    bot.stop();

    Keybot arrows =
        engine(KeyboardType::GERMAN, KeyMapType::NUMERIC, 2, KeyCode::Down, KeyCode::Right);
    for (const char* text : {"5", "6"}) typeText(arrows, text);
    EXPECT_EQ(target.received(expected.size() + 4),
              (expected + QStringList{"5", "[Right]", "6", "[Down]"}));
}

TEST_F(X11Typing, TheGeneratorFollowsALayoutChange) {
    ASSERT_TRUE(setLayout({"us"}));
    {
        TypingTarget target;
        Keybot bot = engine(KeyboardType::QUERTY);
        typeText(bot, "yz");
        EXPECT_EQ(target.received(2), (QStringList{"y", "z"}));
    }
    ASSERT_TRUE(setLayout({"de"}));
    TypingTarget target;
    Keybot bot = engine(KeyboardType::GERMAN);
    typeText(bot, "yz");
    EXPECT_EQ(target.received(2), (QStringList{"y", "z"}));
}

TEST_F(X11Typing, AKeyTheLayoutLacksIsRefused) {
    ASSERT_TRUE(setLayout({"us"}));
    try {
        generator->press(KeyCode::DeadCircumflex);
        FAIL() << "a dead circumflex was pressed on the US layout";
    } catch (const keys::KeyRefused& refusal) {
        EXPECT_STREQ(refusal.what(),
                     "Invalid key code: no key of this keyboard produces dead_circumflex");
    }
    EXPECT_THROW(generator->press(4711), keys::KeyRefused);

    // The German map on a US layout: the dead key is refused, the rest typed.
    TypingTarget target;
    Keybot bot = engine(KeyboardType::GERMAN);
    typeText(bot, "^1");
    EXPECT_EQ(target.received(2), (QStringList{" ", "1"}));
    EXPECT_EQ(
        view.importantEvents(),
        QStringList({"Error pressing key 130 on GERMAN keyboard: Invalid key code: no key of "
                     "this keyboard produces dead_circumflex",
                     "Error releasing key 130 on GERMAN keyboard: Invalid key code: no key of "
                     "this keyboard produces dead_circumflex"}));
}

// Alt codes of characters no key of the layout produces get a key bound
// for them; control characters have no Alt code here.
TEST_F(X11Typing, AltCodesTypeCharactersTheLayoutLacks) {
    ASSERT_TRUE(setLayout({"us"}));
    TypingTarget target;
    const auto altCode = [](int number) {
        generator->press(KeyCode::Alt);
        for (char digit : std::to_string(number)) {
            generator->press(KeyCode::keypad(digit - '0'));
            generator->release(KeyCode::keypad(digit - '0'));
        }
        generator->release(KeyCode::Alt);
    };
    for (int number : {233, 8364, 65, 169}) altCode(number);
    EXPECT_EQ(target.received(4), (QStringList{"\u00e9", "\u20ac", "A", "\u00a9"}));
    EXPECT_THROW(altCode(9), keys::KeyRefused);
}

}  // namespace
