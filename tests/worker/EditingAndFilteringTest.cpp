#include "config/Config.h"
#include "worker/DataLine.h"
#include "worker/Editor.h"
#include "worker/Ignorer.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <vector>

using namespace ConfigHelper;
using namespace std::chrono_literals;

TEST(Editor, CutsFromEitherEnd) {
    const QString v = "+00012.34";
    EXPECT_EQ(Editor(EditOperation::REMOVE, EditPosition::FIRST, 2).edit(v), "0012.34");
    EXPECT_EQ(Editor(EditOperation::REMOVE, EditPosition::LAST, 3).edit(v), "+00012");
    EXPECT_EQ(Editor(EditOperation::KEEP, EditPosition::LAST, 3).edit(v), ".34");
    EXPECT_EQ(Editor(EditOperation::KEEP, EditPosition::FIRST, 4).edit(v), "+000");
}

TEST(Editor, CountsAtOrBeyondTheLength) {
    const QString v = "+00012.34";
    EXPECT_EQ(Editor(EditOperation::REMOVE, EditPosition::LAST, 20).edit(v), "");
    EXPECT_EQ(Editor(EditOperation::REMOVE, EditPosition::FIRST, 9).edit(v), "");
    EXPECT_EQ(Editor(EditOperation::KEEP, EditPosition::FIRST, 20).edit(v), v);
    EXPECT_EQ(Editor(EditOperation::KEEP, EditPosition::LAST, 9).edit(v), v);
    EXPECT_EQ(Editor(EditOperation::REMOVE, EditPosition::FIRST, 0).edit(v), v);
    EXPECT_EQ(Editor(EditOperation::KEEP, EditPosition::FIRST, 3).edit(""), "");
}

TEST(Editor, BuiltFromTheSettings) {
    Config c;
    c.setEditOperation(EditOperation::KEEP);
    c.setEditPosition(EditPosition::LAST);
    c.setEditNumCharacters("2");
    EXPECT_EQ(Editor(c).edit("12.34"), "34");
    c.setEditNumCharacters("");
    EXPECT_EQ(Editor(c).edit("12.34"), "12.34");
}

TEST(Remover, DropsEveryListedCharacter) {
    EXPECT_EQ(Remover("+0").removeCharacters("+00012.34"), "12.34");
    EXPECT_EQ(Remover("+0").removeCharacters("100"), "1");
    EXPECT_EQ(Remover("").removeCharacters("100"), "100");
    EXPECT_EQ(Remover("k").removeCharacters("5 Kg kg"), "5 Kg g");  // case matters
    EXPECT_EQ(Remover("[a-z]").removeCharacters("b-a]"), "b");      // a plain set, no ranges
}

namespace {

class FilterRun {
  public:
    explicit FilterRun(const Config& config) : ignorer_(config) {}

    // Feeds outputs at the given times; returns which were kept (typed).
    std::vector<bool> feedAt(
        const std::vector<std::pair<QString, std::chrono::milliseconds>>& outputs) {
        std::vector<bool> typed;
        for (const auto& [output, at] : outputs) {
            DataLine record("raw\r", output, ++count_, DataLine::Instant(at), false);
            ignorer_.process(record);
            typed.push_back(record.hasValue());
        }
        return typed;
    }

    std::vector<bool> feed(const std::vector<QString>& outputs) {
        std::vector<std::pair<QString, std::chrono::milliseconds>> timed;
        for (const QString& o : outputs) timed.emplace_back(o, 10ms * ++tick_);
        return feedAt(timed);
    }

  private:
    Ignorer ignorer_;
    int count_ = 0;
    int tick_ = 0;
};

Config filterConfig(const QString& timeLimit, const QString& difference,
                    Instrument instrument = Instrument::GENERIC) {
    Config c;
    c.setInstrument(instrument);
    c.setIgnoreTimeLimit(timeLimit);
    c.setIgnoreDifference(difference);
    return c;
}

}  // namespace

TEST(Ignorer, RepeatsAreBlankedAfterTheFirst) {
    FilterRun run(filterConfig("", ""));
    EXPECT_EQ(run.feed({"10.0", "10.0", "10.1", "10.0"}),
              (std::vector<bool>{true, false, true, true}));
}

TEST(Ignorer, ExactRepetitionComparesTheTexts) {
    FilterRun run(filterConfig("", ""));
    EXPECT_EQ(run.feed({"12.50", "12.5"}), (std::vector<bool>{true, true}));
}

TEST(Ignorer, DifferenceLimitFollowsASlowDriftStepByStep) {
    FilterRun drift(filterConfig("", "0.5"));
    EXPECT_EQ(drift.feed({"10.0", "10.4", "10.8", "11.2"}),
              (std::vector<bool>{true, false, false, false}));
    FilterRun jump(filterConfig("", "0.5"));
    EXPECT_EQ(jump.feed({"10.0", "11.0"}), (std::vector<bool>{true, true}));
    FilterRun comma(filterConfig("", "0.5"));
    EXPECT_EQ(comma.feed({"10,0", "10,5", "9,9"}), (std::vector<bool>{true, false, true}));
}

TEST(Ignorer, TimeLimitLetsLateRepeatsThrough) {
    FilterRun late(filterConfig("1000", ""));
    EXPECT_EQ(late.feedAt({{"5", 0ms}, {"5", 1500ms}}), (std::vector<bool>{true, true}));
    // Each record is timed against the one just before it, blanked or not.
    FilterRun soon(filterConfig("1000", ""));
    EXPECT_EQ(soon.feedAt({{"5", 0ms}, {"5", 800ms}, {"5", 1900ms}}),
              (std::vector<bool>{true, false, true}));
    FilterRun edge(filterConfig("1000", ""));
    EXPECT_EQ(edge.feedAt({{"5", 0ms}, {"5", 1000ms}}), (std::vector<bool>{true, false}));
}

TEST(Ignorer, EmptyOutputsNeitherFilteredNorRemembered) {
    FilterRun run(filterConfig("", ""));
    EXPECT_EQ(run.feed({"7", "", "7"}), (std::vector<bool>{true, false, false}));
}

TEST(Ignorer, TextInstrumentsAlwaysCompareExactly) {
    FilterRun run(filterConfig("", "5", Instrument::BARCODE_ALPHA));
    EXPECT_EQ(run.feed({"ABC1", "ABC1", "ABC2"}), (std::vector<bool>{true, false, true}));
}

TEST(Ignorer, ANewFilterStartsEmpty) {
    const Config c = filterConfig("", "");
    FilterRun first(c);
    first.feed({"3.3"});
    FilterRun afterReconnect(c);
    EXPECT_EQ(afterReconnect.feed({"3.3"}), (std::vector<bool>{true}));
}

TEST(Ignorer, ANonNumericOutputFailsWithADifferenceLimit) {
    FilterRun run(filterConfig("", "0.5"));
    run.feed({"1.0"});
    EXPECT_THROW(run.feed({"abc"}), std::invalid_argument);
}
