// The output template from the setting to the keys: parsed once, filled in
// per record, typed by the keystroke engine without the start key and
// terminators it replaces. And the focus guard's decisions.

#include "QtPrinters.h"
#include "RecordingView.h"
#include "config/Config.h"
#include "config/KeyCodes.h"
#include "config/OutputTemplate.h"
#include "platform/keys/recording/RecordingKeyGenerator.h"
#include "worker/FocusGuard.h"
#include "worker/Keybot.h"
#include "worker/TemplateFiller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <variant>
#include <vector>

namespace {

using namespace ConfigHelper;
using keys::KeyEvent;
using keys::RecordingKeyGenerator;
using namespace std::chrono_literals;

// The record "ST,+00012.34 kg" of a balance, number 7, at 14:05:06 on 9 December 2026.
DataLine balanceRecord(const QString& output = QStringLiteral("12.34")) {
    const QDateTime at(QDate(2026, 12, 9), QTime(14, 5, 6));
    const DataLine::Instant instant{std::chrono::milliseconds(at.toMSecsSinceEpoch())};
    return DataLine(QStringLiteral("ST,+00012.34 kg\r\n"), output, 7, instant, false);
}

Config balanceConfig(const QString& outputTemplate) {
    Config config;
    config.setInstrument(Instrument::AND);
    config.setPort(QStringLiteral("/dev/ttyUSB0"));
    config.setStartWith(StartWith::F1);  // replaced by any template
    config.setOutputTerminator(OutputTerminator::DOWN);
    config.setOutputTemplate(outputTemplate);
    return config;
}

// What is expected: texts and keys in order.
using Step = std::variant<QString, int>;

// The key events a keystroke engine makes of the steps, typed one by one
// on their own, with no framing.
std::vector<KeyEvent> typedAlone(const std::vector<Step>& steps) {
    RecordingKeyGenerator keys;
    Keybot reference(keys, KeyboardType::QUERTY, 0);
    for (const Step& step : steps) {
        if (const QString* text = std::get_if<QString>(&step)) {
            reference.typeString(*text);
        } else {
            reference.typeSequence({{QString(), std::get<int>(step)}});
        }
    }
    return keys.events();
}

// The key events of the record typed through the engine's queue and loop.
std::vector<KeyEvent> typedThroughTemplate(const Config& config, const DataLine& record,
                                           const QLocale& locale) {
    RecordingKeyGenerator keys;
    RecordingView view;
    Keybot bot(keys, &view, KeyMapType::ALPHANUMERIC_COMPLETE, KeyboardType::QUERTY, 0, 0,
               getKeyCode(config.getOutputTerminator()), getKeyCode(config.getStartWith()), 0);
    bot.start();
    bot.add(TemplateFiller(config, locale).jobFor(record));
    EXPECT_TRUE(Keybot::waitUntilTyped(10s));
    bot.stop();
    EXPECT_TRUE(view.importantEvents().isEmpty())
        << view.importantEvents().join('\n').toStdString();
    return keys.events();
}

TEST(OutputTemplate, EveryFieldAndKeyIsTypedInPlaceOfTheFramingKeys) {
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QString instrument = toPlainString(Instrument::AND);
    struct Case {
        QString outputTemplate;
        QLocale locale;
        std::vector<Step> typed;
        QString shown;  // the preview's form
    };
    using namespace KeyCode;
    const std::vector<Case> cases = {
        {"{value}{TAB}{time:HH:mm}{ENTER}", german, {"12.34", Tab, "14:05", Enter}, "12.34⇥14:05⏎"},
        {"{value}", german, {"12.34"}, "12.34"},
        {"{raw}", german, {"ST,+00012.34 kg<13><10>"}, "ST,+00012.34 kg<13><10>"},
        {"#{count} {port} {instrument}:", german, {"#7 /dev/ttyUSB0 " + instrument + ":"}, {}},
        {"{date}|{time}", german, {"09.12.26|14:05"}, "09.12.26|14:05"},
        {"{date}", english, {"12/9/26"}, "12/9/26"},
        {"{date:yyyy-MM-dd}T{time:HH:mm:ss}", english, {"2026-12-09T14:05:06"}, {}},
        {"{date:d. MMMM}", german, {"9. Dezember"}, "9. Dezember"},
        {"{{{value}}} {{x}}", german, {"{12.34} {x}"}, "{12.34} {x}"},
        {"{ESC}{UP}{DOWN}{LEFT}{RIGHT}{HOME}{END}",
         german,
         {Escape, Up, Down, Left, Right, Home, End},
         "⎋↑↓←→⇱⇲"},
        {"{F1}{F2}{F3}{F4}{F5}{F6}{F7}{F8}{F9}{F10}{F11}{F12}",
         german,
         {function(1), function(2), function(3), function(4), function(5), function(6), function(7),
          function(8), function(9), function(10), function(11), function(12)},
         "⟨F1⟩⟨F2⟩⟨F3⟩⟨F4⟩⟨F5⟩⟨F6⟩⟨F7⟩⟨F8⟩⟨F9⟩⟨F10⟩⟨F11⟩⟨F12⟩"},
        {"{Value}{tab}", german, {"12.34", Tab}, "12.34⇥"},  // names in either case
        {"{TAB}{TAB}{value}{DOWN}", german, {Tab, Tab, "12.34", Down}, "⇥⇥12.34↓"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outputTemplate.toStdString());
        const Config config = balanceConfig(c.outputTemplate);
        const TypingJob job = TemplateFiller(config, c.locale).jobFor(balanceRecord());
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(job.shown(), c.shown);
        }
        EXPECT_EQ(typedThroughTemplate(config, balanceRecord(), c.locale), typedAlone(c.typed));
    }
}

TEST(OutputTemplate, GroupsComeFromTheRunsExpressionAndNothingIsTypedWithoutAValue) {
    Config config = balanceConfig("{group2}={value}{group3}{group9}{ENTER}");
    config.setCustomRegEx(QStringLiteral("(\\d+\\.\\d+) (kg)(x)?"));
    const TemplateFiller filler(config, QLocale::c());
    // Group 3 took no part in the match, group 9 does not exist: both empty.
    EXPECT_EQ(filler.jobFor(balanceRecord()).sequence,
              (TypedSequence{{"kg=12.34"}, {QString(), KeyCode::Enter}}));
    // The duplicate filter and the stable-only rule leave no value: nothing at all is typed.
    EXPECT_TRUE(filler.jobFor(balanceRecord(QString())).isEmpty());
    // No template: the value, framed by the keys of the settings as before.
    const TypingJob plain = TemplateFiller(balanceConfig({}), QLocale::c()).jobFor(balanceRecord());
    EXPECT_EQ(plain.text, "12.34");
    EXPECT_TRUE(plain.sequence.empty());
}

TEST(OutputTemplate, InvalidTemplatesAreRefusedNamingWhereAndWhat) {
    using Kind = TemplateError::Kind;
    struct Case {
        QString outputTemplate;
        Kind kind;
        int position;
        QString name;
    };
    const std::vector<Case> cases = {
        {"{valu}", Kind::UnknownField, 1, "valu"},
        {"a {value}{weight}", Kind::UnknownField, 10, "weight"},
        {"{group1}", Kind::UnknownField, 1, "group1"},
        {"{group10}", Kind::UnknownField, 1, "group10"},
        {"{F13}{F0}", Kind::UnknownField, 1, "F13"},
        {"{F01}", Kind::UnknownField, 1, "F01"},
        {"x{}", Kind::UnknownField, 2, ""},
        {"ab{value", Kind::UnbalancedOpen, 3, ""},
        {"{va{lue}}", Kind::UnbalancedOpen, 1, ""},
        {"a}b", Kind::UnbalancedClose, 2, ""},
        {"{{}}}", Kind::UnbalancedClose, 5, ""},
        {"{value:HH}", Kind::FormatNotAllowed, 1, "value"},
        {"{TAB:x}", Kind::FormatNotAllowed, 1, "TAB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.outputTemplate.toStdString());
        EXPECT_FALSE(OutputTemplate::valid(c.outputTemplate));
        try {
            OutputTemplate::parse(c.outputTemplate);
            ADD_FAILURE() << "accepted";
        } catch (const TemplateError& e) {
            EXPECT_EQ(e.kind(), c.kind);
            EXPECT_EQ(e.position(), c.position);
            EXPECT_EQ(e.name(), c.name);
        }
        // A run refuses it before anything is typed.
        EXPECT_THROW(TemplateFiller(balanceConfig(c.outputTemplate)), std::invalid_argument);
    }
    EXPECT_TRUE(OutputTemplate::valid(u""));
    EXPECT_TRUE(OutputTemplate::valid(u"{{}}{time:HH:mm:ss}"));
}

// A desktop whose focused window the test decides.
class ScriptedFocus : public focus::FocusProbe {
  public:
    explicit ScriptedFocus(std::optional<focus::FocusedWindow>& window) : window_(window) {}
    std::optional<focus::FocusedWindow> focused() override { return window_; }

  private:
    std::optional<focus::FocusedWindow>& window_;
};

TEST(FocusGuard, ValuesGoOnlyToTheChosenWindowOrWaitForItsFocus) {
    std::optional<focus::FocusedWindow> window =
        focus::FocusedWindow{"Mail — Inbox", {"thunderbird", "Thunderbird"}};
    QStringList typed, log;
    std::vector<std::pair<int, QString>> settled;  // record number, "" when typed
    auto guard = [&](std::chrono::seconds hold) {
        FocusGuard::Sink sink;
        sink.type = [&](TypingJob job, const DataLine&) { typed << job.shown(); };
        sink.settled = [&](const DataLine& r, const std::optional<QString>& why) {
            settled.emplace_back(r.getCount(), why.value_or(QString()));
        };
        sink.log = [&](const QString& line) { log << line; };
        return FocusGuard(std::make_unique<ScriptedFocus>(window), "Calc*", hold, std::move(sink));
    };
    auto record = [](int count, const QString& value) {
        return DataLine(value, value, count, DataLine::Instant(), false);
    };
    const QString elsewhere = "focus on 'Mail — Inbox', not 'Calc*'";
    const auto t0 = FocusGuard::Clock::now();

    // Without holding: not typed, and said why.
    FocusGuard refusing = guard(0s);
    refusing.offer(TypingJob::framed("1"), record(1, "1"), t0);
    EXPECT_TRUE(typed.isEmpty());
    EXPECT_EQ(settled, (std::vector<std::pair<int, QString>>{{1, elsewhere}}));
    EXPECT_EQ(log, QStringList{"Not typed: 1 (" + elsewhere + ")"});

    // Holding: values wait, in order, and go once the chosen window has the focus.
    settled.clear();
    log.clear();
    FocusGuard holding = guard(5s);
    holding.offer(TypingJob::framed("2"), record(2, "2"), t0);
    holding.offer(TypingJob::framed("3"), record(3, "3"), t0 + 1s);
    holding.poll(t0 + 2s);
    EXPECT_TRUE(typed.isEmpty());
    EXPECT_TRUE(settled.empty());
    EXPECT_TRUE(holding.holding());
    window = focus::FocusedWindow{"Calc — Sheet1", {"soffice"}};
    holding.poll(t0 + 3s);
    holding.offer(TypingJob::framed("4"), record(4, "4"), t0 + 3s);
    EXPECT_EQ(typed, (QStringList{"2", "3", "4"}));
    EXPECT_EQ(settled, (std::vector<std::pair<int, QString>>{{2, ""}, {3, ""}, {4, ""}}));
    EXPECT_FALSE(holding.holding());

    // A program name matches as well as a title; no window at all is no match.
    window = focus::FocusedWindow{"", {"calc", "Calc"}};
    EXPECT_EQ(holding.refusal(), std::nullopt);
    window.reset();
    EXPECT_EQ(holding.refusal(), QString("focus on no window, not 'Calc*'"));

    // Past its time a held value is given up, with the reason of that moment.
    typed.clear();
    settled.clear();
    window = focus::FocusedWindow{"Terminal", {"xterm"}};
    holding.offer(TypingJob::framed("5"), record(5, "5"), t0);
    holding.offer(TypingJob::framed("6"), record(6, "6"), t0 + 4s);
    holding.poll(t0 + 6s);
    EXPECT_EQ(settled,
              (std::vector<std::pair<int, QString>>{{5, "focus on 'Terminal', not 'Calc*'"}}));
    // The run stops: what still waits is not typed either.
    holding.dropHeld();
    EXPECT_EQ(settled.size(), 2u);
    EXPECT_TRUE(typed.isEmpty());
}

TEST(FocusGuard, WindowPatternsMatchWholeNamesWithStarsInEitherCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"Calc*", "Calc — Sheet1", true},
        {"calc*", "CALC", true},
        {"Calc*", "LibreCalc", false},
        {"*Calc*", "LibreCalc sheet", true},
        {"Calc", "Calc sheet", false},
        {"*.xlsx - Excel", "w.xlsx - Excel", true},
        {"a.c", "abc", false},
        {"(x)+", "(x)+", true},
        {"*", "", true},
        {"Mail — Inbox", "mail — inbox", true},
        {"*Inbox*Mail", "Inbox Mail", true},
        {"In*x", "Inbox x y", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TypeOnlyInto::matches(QString::fromUtf8(c.pattern), QString::fromUtf8(c.name)),
                  c.matches)
            << c.pattern << " / " << c.name;
    }
}

}  // namespace
