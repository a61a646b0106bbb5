#include "worker/Keybot.h"

#include "RecordingView.h"
#include "config/KeyCodes.h"
#include "platform/keys/recording/RecordingKeyGenerator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <vector>

namespace keys {
void PrintTo(const KeyEvent& event, std::ostream* out) {
    *out << toString(event);
}
}  // namespace keys

namespace {

using ConfigHelper::KeyboardType;
using ConfigHelper::KeyMapType;
using keys::KeyEvent;
using keys::RecordingKeyGenerator;
using Events = std::vector<KeyEvent>;
using namespace std::chrono_literals;
using namespace KeyCode;

constexpr int delay = 7;

KeyEvent down(int code) {
    return {KeyEvent::Kind::Press, code, {}};
}
KeyEvent up(int code) {
    return {KeyEvent::Kind::Release, code, {}};
}
KeyEvent wait(int ms = delay) {
    return {KeyEvent::Kind::Pause, ms, {}};
}

Events operator+(Events a, const Events& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A start or end key: pressed, a pause, released.
Events tap(int code) {
    return {down(code), wait(), up(code)};
}
// A character on a single key.
Events key(int code) {
    return {down(code), wait(), up(code), wait()};
}

struct Framing {
    int everyXValues = 0;
    int endWith2 = 0;
    int endWith = 0;
    int startWith = 0;
};

class KeybotTest : public ::testing::Test {
  protected:
    Keybot make(KeyboardType type, KeyMapType scope = KeyMapType::ALPHANUMERIC_COMPLETE,
                Framing framing = {}) {
        return Keybot(keys, &view, scope, type, framing.everyXValues, framing.endWith2,
                      framing.endWith, framing.startWith, delay);
    }

    // Types one text the way the typing loop does.
    static void typeText(Keybot& bot, const QString& text) {
        bot.typeStart();
        bot.typeString(text);
        bot.typeEnd();
    }

    RecordingKeyGenerator keys;
    RecordingView view;
};

TEST_F(KeybotTest, ChordsGoDownInOrderAndUpInReverseWithAPauseAfterEveryKey) {
    Keybot bot = make(KeyboardType::AZERTY);
    bot.typeString("A#");
    EXPECT_EQ(keys.events(),
              (Events{down(Shift),    wait(), down(letter('A')), wait(), up(letter('A')), wait(),
                      up(Shift),      wait(), down(Ctrl),        wait(), down(Alt),       wait(),
                      down(digit(3)), wait(), up(digit(3)),      wait(), up(Alt),         wait(),
                      up(Ctrl),       wait()}));
    EXPECT_TRUE(view.importantEvents().isEmpty());
}

TEST_F(KeybotTest, ASpaceAfterADeadKeyIsTypedAfterTheChordIsReleased) {
    Keybot german = make(KeyboardType::GERMAN);
    german.typeString("^");
    EXPECT_EQ(keys.events(), key(DeadCircumflex) + key(Space));

    keys.clear();
    Keybot international = make(KeyboardType::US_INTERNATIONAL);
    international.typeString("\"");
    EXPECT_EQ(keys.events(), (Events{down(Shift), wait(), down(DeadAcute), wait(), up(DeadAcute),
                                     wait(), up(Shift), wait()}) +
                                 key(Space));

    keys.clear();
    make(KeyboardType::AZERTY).typeString("`");
    EXPECT_EQ(keys.events(), (Events{down(Ctrl), wait(), down(Alt), wait(), down(digit(7)), wait(),
                                     up(digit(7)), wait(), up(Alt), wait(), up(Ctrl), wait()}) +
                                 key(Space));
}

TEST_F(KeybotTest, AnAltCodeHoldsAltOverTheKeypadDigitsAndEndsWithAnExtraPause) {
    make(KeyboardType::ALL).typeString("5");
    EXPECT_EQ(keys.events(), (Events{down(Alt), wait()}) + key(keypad(5)) + key(keypad(3)) +
                                 (Events{up(Alt), wait(), wait()}));

    keys.clear();
    make(KeyboardType::AZERTY).typeString("%");
    EXPECT_EQ(keys.events(), (Events{down(Alt), wait()}) + key(keypad(3)) + key(keypad(7)) +
                                 (Events{up(Alt), wait(), wait()}));
}

TEST_F(KeybotTest, StartAndEndKeysFrameEachText) {
    Keybot bot =
        make(KeyboardType::QUERTY, KeyMapType::NUMERIC, {.endWith = Enter, .startWith = Tab});
    typeText(bot, "1");
    EXPECT_EQ(keys.events(), tap(Tab) + key(digit(1)) + tap(Enter));

    keys.clear();
    Keybot bare = make(KeyboardType::QUERTY, KeyMapType::NUMERIC);
    typeText(bare, "1");
    EXPECT_EQ(keys.events(), key(digit(1)));
}

// The terminators of six texts in a row, as the keys that ended them.
std::vector<int> terminatorsOfSixTexts(RecordingKeyGenerator& keys, Keybot& bot) {
    std::vector<int> ends;
    for (int i = 0; i < 6; ++i) {
        keys.clear();
        bot.typeEnd();
        const Events events = keys.events();
        ends.push_back(events.empty() ? 0 : events.front().value);
    }
    return ends;
}

TEST_F(KeybotTest, EveryXthTextEndsWithTheSecondTerminator) {
    constexpr int first = Enter, second = Tab;
    for (int x : {0, 1}) {
        Keybot bot = make(KeyboardType::QUERTY, KeyMapType::NUMERIC,
                          {.everyXValues = x, .endWith2 = second, .endWith = first});
        EXPECT_EQ(terminatorsOfSixTexts(keys, bot), std::vector<int>(6, first)) << "X = " << x;
    }
    Keybot everySecond = make(KeyboardType::QUERTY, KeyMapType::NUMERIC,
                              {.everyXValues = 2, .endWith2 = second, .endWith = first});
    EXPECT_EQ(terminatorsOfSixTexts(keys, everySecond),
              (std::vector<int>{first, second, first, second, first, second}));
    Keybot everyThird = make(KeyboardType::QUERTY, KeyMapType::NUMERIC,
                             {.everyXValues = 3, .endWith2 = second, .endWith = first});
    EXPECT_EQ(terminatorsOfSixTexts(keys, everyThird),
              (std::vector<int>{first, first, second, first, first, second}));
    // The X-th text ends with no key at all when there is no second terminator.
    Keybot noSecond = make(KeyboardType::QUERTY, KeyMapType::NUMERIC,
                           {.everyXValues = 2, .endWith2 = 0, .endWith = first});
    EXPECT_EQ(terminatorsOfSixTexts(keys, noSecond),
              (std::vector<int>{first, 0, first, 0, first, 0}));
}

TEST_F(KeybotTest, CharactersWithoutKeysAreReportedNotTyped) {
    Keybot numeric = make(KeyboardType::QUERTY, KeyMapType::NUMERIC);
    numeric.typeString(QStringLiteral("A1 \u00e9") + QString::fromUcs4(U"\U0001F600") +
                       QChar(u'\t'));
    EXPECT_EQ(keys.events(), key(digit(1)));
    const QString cannot = QStringLiteral("This keyboard type cannot type the character ");
    EXPECT_EQ(view.importantEvents(), QStringList({cannot + "A", cannot + " ", cannot + "<233>",
                                                   cannot + "<128512>", cannot + "<9>"}));
}

TEST_F(KeybotTest, ALoneSurrogateIsReportedByItsOwnCode) {
    make(KeyboardType::QUERTY).typeString(QString(QChar(0xD83D)) + u'1');
    EXPECT_EQ(view.importantEvents(),
              QStringList({"This keyboard type cannot type the character <55357>"}));
    EXPECT_EQ(keys.events(), key(digit(1)));
}

TEST_F(KeybotTest, ARefusedKeyIsReportedAndTypingGoesOn) {
    keys.refuse(DeadAcute, "no such key");
    make(KeyboardType::US_INTERNATIONAL).typeString("'1");
    // The refused key still gets its pauses and its release.
    EXPECT_EQ(keys.events(), key(DeadAcute) + key(Space) + key(digit(1)));
    EXPECT_EQ(view.importantEvents(),
              QStringList({"Error pressing key 129 on US_INTERNATIONAL keyboard: no such key",
                           "Error releasing key 129 on US_INTERNATIONAL keyboard: no such key"}));
}

TEST_F(KeybotTest, ARefusedDeferredSpaceAbandonsTheCharacter) {
    keys.refuse(Space, "no space");
    make(KeyboardType::GERMAN).typeString("^1");
    EXPECT_EQ(keys.events(), key(DeadCircumflex) + Events{down(Space)} + key(digit(1)));
    EXPECT_EQ(view.importantEvents(), QStringList({"Deadkey error: no space"}));
}

TEST_F(KeybotTest, ARefusedKeyInsideAnAltCodeAbandonsItAndReleasesAlt) {
    keys.refuse(keypad(3), "no keypad");
    make(KeyboardType::ALL).typeString("5");
    EXPECT_EQ(keys.events(), (Events{down(Alt), wait()}) + key(keypad(5)) +
                                 (Events{down(keypad(3)), up(Alt), wait()}));
    EXPECT_EQ(view.importantEvents(),
              QStringList({"Error pressing ALT key for 53 on ALL keyboard: no keypad"}));

    // Alt itself refused: nothing to release.
    keys.clear();
    keys.refuse(Alt, "no alt");
    make(KeyboardType::ALL).typeString("0");
    EXPECT_EQ(keys.events(), (Events{down(Alt), wait()}));
}

TEST_F(KeybotTest, WithoutAViewFailuresGoToStandardErrorAndUntypableCharactersAreSilent) {
    keys.refuse(DeadCircumflex, "no dead keys");
    keys.refuse(keypad(9), "no keypad");
    keys.refuse(Enter, "no enter");
    Keybot bot(keys, nullptr, KeyMapType::ALPHANUMERIC_COMPLETE, KeyboardType::GERMAN, 0, 0, Enter,
               0, delay);
    ::testing::internal::CaptureStderr();
    typeText(bot, QStringLiteral("^\\\u00e9"));
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors,
              "Error on pressing: 130\nkeys::KeyRefused: no dead keys\n"
              "Error on releasing: 130\nkeys::KeyRefused: no dead keys\n"
              "Error pressing/releasing ALT key for : 92\nkeys::KeyRefused: no keypad\n"
              "Error on pressing: 10\nkeys::KeyRefused: no enter\n"
              "Error on releasing: 10\nkeys::KeyRefused: no enter\n");
}

TEST_F(KeybotTest, TheTestingConstructorSaysSoAndTypesTheWholeCharacterSet) {
    ::testing::internal::CaptureStderr();
    Keybot bot(keys, KeyboardType::QUERTY, 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Keybot constructor - for testing purposes only\n");
    typeText(bot, "a");
    EXPECT_EQ(keys.events(), (Events{down(letter('A')), wait(0), up(letter('A')), wait(0)}));
}

TEST_F(KeybotTest, TheTypingThreadTypesQueuedTextsInOrderAndDropsEmptyOnes) {
    Keybot bot = make(KeyboardType::QUERTY, KeyMapType::NUMERIC, {.endWith = Enter});
    bot.add("1");
    bot.add("");
    bot.add("2");
    bot.start();
    const Events expected = key(digit(1)) + tap(Enter) + key(digit(2)) + tap(Enter);
    ASSERT_TRUE(keys.waitForEvents(expected.size(), 10s));
    bot.stop();
    EXPECT_EQ(keys.events(), expected);
}

TEST_F(KeybotTest, ABacklogIsSaidOncePerEngineAndWaitingTextsCanBeDropped) {
    const QString backlog = QStringLiteral("More than 20 values are waiting to be typed");
    Keybot first = make(KeyboardType::QUERTY, KeyMapType::NUMERIC);
    QStringList queued;
    for (int i = 1; i <= 20; ++i) first.add(queued.emplace_back(QString::number(i)));
    EXPECT_TRUE(view.importantEvents().isEmpty()) << "20 waiting is no backlog yet";
    for (int i = 21; i <= 30; ++i) first.add(queued.emplace_back(QString::number(i)));
    ASSERT_EQ(view.importantEvents().size(), 1);
    EXPECT_TRUE(view.importantEvents()[0].startsWith(backlog))
        << view.importantEvents()[0].toStdString();

    EXPECT_EQ(Keybot::dropQueued(), queued);
    EXPECT_TRUE(Keybot::dropQueued().isEmpty());
    EXPECT_TRUE(Keybot::waitUntilTyped(0ms));

    // The next run's engine says it again, once.
    Keybot second = make(KeyboardType::QUERTY, KeyMapType::NUMERIC);
    for (int i = 0; i < 25; ++i) second.add("7");
    EXPECT_EQ(view.importantEvents().size(), 2);
    EXPECT_EQ(Keybot::dropQueued().size(), 25);
    EXPECT_TRUE(keys.events().empty());
}

TEST_F(KeybotTest, AStopWhileWaitingForATextEndsTheLoopWithoutTyping) {
    Keybot bot =
        make(KeyboardType::QUERTY, KeyMapType::NUMERIC, {.endWith = Enter, .startWith = Tab});
    std::stop_source source;
    std::jthread loop([&] { bot.run(source.get_token()); });
    std::this_thread::sleep_for(50ms);
    source.request_stop();
    loop.join();
    EXPECT_TRUE(keys.events().empty());

    // An engine started and stopped at once types nothing either.
    bot.start();
    bot.stop();
    EXPECT_TRUE(keys.events().empty());
}

TEST_F(KeybotTest, AStopWhileTypingFinishesTheTextWithoutWaiting) {
    RecordingKeyGenerator slowKeys(RecordingKeyGenerator::Pauses::RecordAndWait);
    Keybot bot(slowKeys, &view, KeyMapType::NUMERIC, KeyboardType::QUERTY, 0, 0, Enter, 0, 1000);
    bot.add("123");
    bot.start();
    ASSERT_TRUE(slowKeys.waitForEvents(1, 10s));
    const auto stopAt = std::chrono::steady_clock::now();
    bot.stop();
    // Typed in full it takes 14 pauses of a second.
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 5s);
    const Events events = slowKeys.events();
    ASSERT_EQ(events.size(), 3 * 4 + 3u);
    EXPECT_EQ(events.back(), up(Enter));
}

}  // namespace
