// How fast Keybot types into a real window through XTest, and whether every
// character arrives, in order, at key delays 0 and 1 ms.
//
// Needs an X server in $DISPLAY; changes its layout with setxkbmap and sets
// it back to us. Build without sanitizers for meaningful figures:
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/bench --target typing-bench
//   DISPLAY=:57 build/bench/bin/typing-bench

#include "worker/Keybot.h"

#include "config/KeyCodes.h"
#include "platform/keys/x11/X11KeyGenerator.h"
#include "tools/TypingTarget.h"
#include "worker/WeightWorkerView.h"

#include <QProcess>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

using ConfigHelper::KeyboardType;
using ConfigHelper::KeyMapType;
using Clock = std::chrono::steady_clock;

// Counts the engine's complaints; a run with any is not a clean figure.
class CountingView : public WeightWorkerView {
  public:
    void logEvent(const QString&) override {}
    void logImportantEvent(const QString& text) override {
        ++problems;
        std::fprintf(stderr, "  %s\n", qPrintable(text));
    }
    void setConnectedInGUI(bool) override {}
    void update(DataLine&) override {}
    std::atomic<int> problems = 0;
};

struct Scenario {
    const char* layoutName;
    QStringList setxkbmap;
    KeyboardType type;
    KeyMapType scope;
    QString text;
    int repeats;
    int endWith;
    const char* endKeyName;
};

struct Result {
    qsizetype expected;
    qsizetype arrived;
    bool inOrder;
    double seconds;
    int problems;
};

Result run(keys::KeyGenerator& generator, const Scenario& scenario, int delay) {
    QStringList expected;
    for (int i = 0; i < scenario.repeats; ++i) {
        expected << TypingTarget::characters(scenario.text);
        if (scenario.endWith != 0) expected << TypingTarget::key(scenario.endKeyName);
    }
    CountingView view;
    TypingTarget target;
    Keybot bot(generator, &view, scenario.scope, scenario.type, 0, 0, scenario.endWith, 0, delay);
    for (int i = 0; i < scenario.repeats; ++i) bot.add(scenario.text);
    const auto start = Clock::now();
    bot.start();
    target.waitFor(expected.size(), std::chrono::minutes(5));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    bot.stop();
    const QStringList arrived = target.received(expected.size());
    return {expected.size(), arrived.size(), arrived == expected, seconds, view.problems.load()};
}

QString complete(KeyboardType type) {
    return QString::fromStdU16String(
        ConfigHelper::getKeymap(type, KeyMapType::ALPHANUMERIC_COMPLETE).characters());
}

}  // namespace

int main() {
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "typing-bench needs an X server in $DISPLAY\n");
        return 2;
    }
    // Connected before any layout change, and kept: an X server without
    // clients resets its keyboard.
    keys::X11KeyGenerator generator;
    // Every text ends with Enter: one long line would measure the text
    // field's layout work rather than the typing.
    const Scenario scenarios[] = {
        {"us",
         {"us"},
         KeyboardType::QUERTY,
         KeyMapType::NUMERIC,
         "12345.67",
         300,
         KeyCode::Enter,
         "Return"},
        {"de",
         {"de"},
         KeyboardType::GERMAN,
         KeyMapType::ALPHANUMERIC_COMPLETE,
         complete(KeyboardType::GERMAN),
         20,
         KeyCode::Enter,
         "Return"},
        {"us",
         {"us"},
         KeyboardType::ALL,
         KeyMapType::ALPHANUMERIC_COMPLETE,
         complete(KeyboardType::ALL),
         10,
         KeyCode::Enter,
         "Return"},
    };
    std::printf("%-6s %-8s %-22s %5s %8s %8s %8s %9s %9s\n", "layout", "keyboard", "text", "delay",
                "expected", "arrived", "in order", "seconds", "tokens/s");
    int failures = 0;
    for (const Scenario& scenario : scenarios) {
        if (QProcess::execute(QStringLiteral("setxkbmap"), scenario.setxkbmap) != 0) {
            std::fprintf(stderr, "setxkbmap %s failed\n", qPrintable(scenario.setxkbmap.join(' ')));
            return 2;
        }
        for (int delay : {0, 1}) {
            const Result result = run(generator, scenario, delay);
            const QString text = scenario.text.size() > 12
                                     ? QStringLiteral("%1 chars").arg(scenario.text.size())
                                     : scenario.text;
            std::printf("%-6s %-8s %-22s %5d %8lld %8lld %8s %9.2f %9.0f\n", scenario.layoutName,
                        qPrintable(Options<KeyboardType>::name(scenario.type)),
                        qPrintable(QStringLiteral("%1 x %2").arg(scenario.repeats).arg(text)),
                        delay, static_cast<long long>(result.expected),
                        static_cast<long long>(result.arrived), result.inOrder ? "yes" : "NO",
                        result.seconds, static_cast<double>(result.arrived) / result.seconds);
            if (!result.inOrder || result.problems != 0) ++failures;
        }
    }
    QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")});
    return failures == 0 ? 0 : 1;
}
