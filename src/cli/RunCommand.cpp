// valtyp-cli run: the real acquisition on a port without the window. Each
// record is printed like `extract` prints it, log lines go to standard error,
// with --type each output is typed through the X server, and with
// --reading-log every record is appended to that folder's reading log.

#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "cli/RecordOutput.h"
#include "config/KeyMaps.h"
#include "platform/ShutdownRequests.h"
#include "platform/focus/SystemFocus.h"
#include "platform/keys/SystemKeyboard.h"
#include "worker/FocusGuard.h"
#include "worker/Ignorer.h"
#include "worker/Keybot.h"
#include "worker/ReadingLog.h"
#include "worker/TemplateFiller.h"
#include "worker/WeightWorker.h"
#include "worker/WeightWorkerView.h"

#include <QEventLoop>
#include <QTime>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

using namespace ConfigHelper;

namespace {

class ConsoleView : public WeightWorkerView {
  public:
    ConsoleView(bool json, const Config& config, int limit) : printer_(json), limit_(limit) {
        if (config.ignoreDuplicates) ignorer_.emplace(config);
    }

    void setKeybot(Keybot* keybot, const TemplateFiller* filler, FocusGuard* guard) {
        keybot_ = keybot;
        filler_ = filler;
        guard_ = guard;
    }
    void setReadingLog(ReadingLog* readingLog) { readingLog_ = readingLog; }
    void onLimitReached(std::function<void()> f) { limitReached_ = std::move(f); }
    void onDisconnected(std::function<void()> f) { disconnected_ = std::move(f); }
    void onTypingFailed(std::function<void()> f) { typingFailed_ = std::move(f); }

    void logEvent(const QString& text) override { log(text); }
    void logImportantEvent(const QString& text) override { log(text); }

    void typingFailed() override {
        if (typingFailed_) typingFailed_();
    }

    void setConnectedInGUI(bool connected) override {
        if (!connected && disconnected_) disconnected_();
    }

    void update(DataLine& record) override {
        // Records of the batch that brought the last one asked for are not ours.
        if (limit_ > 0 && received_ >= limit_) return;
        std::optional<QString> error = record.getProcessingError();
        const bool hadValue = record.hasValue();
        try {
            if (ignorer_ && !error) ignorer_->process(record);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        TypingJob job = keybot_ && !error ? filler_->jobFor(record) : TypingJob();
        const bool typing = !job.isEmpty();
        // A value to type is logged once its fate is known: by the typing
        // engine, or by the focus guard when it is not typed.
        if (readingLog_ && !typing) {
            const QString outcome = error ? QStringLiteral("error: ") + *error
                                          : readingOutcome(record, QStringLiteral("printed"),
                                                           hadValue && !record.hasValue());
            readingLog_->append(record, outcome);
            // Printed only once on the disk: what the console shows is logged.
            readingLog_->flush();
        }
        printer_.print(record, error);
        if (typing && guard_) {
            guard_->offer(std::move(job), record);
        } else if (typing) {
            keybot_->add(std::move(job), Keybot::outcomeInto(readingLog_, record));
        }
        if (++received_ == limit_ && limitReached_) limitReached_();
    }

    static void log(const QString& text) {
        // One call per line, so lines from the two threads never interleave.
        const QString line =
            QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + text + u'\n';
        std::fputs(line.toUtf8().constData(), stderr);
    }

  private:
    RecordPrinter printer_;
    std::optional<Ignorer> ignorer_;
    Keybot* keybot_ = nullptr;
    const TemplateFiller* filler_ = nullptr;
    FocusGuard* guard_ = nullptr;
    ReadingLog* readingLog_ = nullptr;
    int limit_;
    int received_ = 0;
    std::function<void()> limitReached_;
    std::function<void()> disconnected_;
    std::function<void()> typingFailed_;
};

// Without a way to know the focused window the run does not start: typing
// anywhere is what the setting is there to prevent.
std::unique_ptr<focus::FocusProbe> focusProbe() {
    try {
        return focus::openSystemFocusProbe(std::getenv);
    } catch (const std::exception& e) {
        throw std::runtime_error("typeOnlyInto cannot be honoured: " + std::string(e.what()));
    }
}

std::unique_ptr<FocusGuard> focusGuard(const Config& config,
                                       std::unique_ptr<focus::FocusProbe> probe, Keybot& keybot,
                                       ReadingLog* readingLog) {
    FocusGuard::Sink sink;
    sink.type = [&keybot, readingLog](TypingJob job, const DataLine& record) {
        keybot.add(std::move(job), Keybot::outcomeInto(readingLog, record));
    };
    sink.settled = [readingLog](const DataLine& record, const std::optional<QString>& ignored) {
        if (readingLog && ignored)
            readingLog->append(record, QStringLiteral("ignored: ") + *ignored);
    };
    sink.log = &ConsoleView::log;
    ConsoleView::log(
        QStringLiteral("typing only while the focus is on '%1'").arg(config.getTypeOnlyInto()));
    return std::make_unique<FocusGuard>(
        std::move(probe), config.getTypeOnlyInto(),
        std::chrono::seconds(config.getTypeOnlyIntoHoldSecondsAsInt()), std::move(sink));
}

}  // namespace

int runRun(const QStringList& args) {
    std::optional<Config> config;
    bool json = false;
    bool type = false;
    int count = 0;
    try {
        const CliArguments parsed(args,
                                  {"--port", "--instrument", "--set", "--count", "--reading-log"},
                                  {"--type", "--json"});
        const auto port = parsed.value("--port");
        if (!port) throw std::invalid_argument("--port PATH is required");
        config = cliConfig(parsed.value("--instrument"), parsed.values("--set"));
        config->setPort(*port);
        json = parsed.flag("--json");
        type = parsed.flag("--type");
        if (const auto folder = parsed.value("--reading-log")) config->setReadingLog(*folder);
        if (const auto n = parsed.value("--count")) {
            bool ok = false;
            count = n->toInt(&ok);
            if (!ok || count < 1)
                throw std::invalid_argument("--count needs a whole number above 0");
        }
    } catch (const std::invalid_argument& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 2;
    }
    // A stop (Ctrl+C, SIGTERM) is handed to the event loop; one asked for before the worker
    // exists is kept for it.
    WeightWorker* running = nullptr;
    bool stopAsked = false;
    QObject stopReceiver;
    std::optional<platform::ShutdownRequests> stopRequests;
    try {
        stopRequests.emplace([&] {
            QMetaObject::invokeMethod(
                &stopReceiver,
                [&] {
                    stopAsked = true;
                    if (running) running->cancel();
                },
                Qt::QueuedConnection);
        });
    } catch (const std::exception& e) {
        printError(QStringLiteral("cannot install the stop signals: ") +
                   QString::fromLocal8Bit(e.what()));
        return 1;
    }

    ConsoleView view(json, *config, count);
    std::unique_ptr<ReadingLog> readingLog;
    if (!config->getReadingLog().isEmpty()) {
        readingLog = std::make_unique<ReadingLog>(
            config->getReadingLog(), config->getPort(),
            Options<Instrument>::name(*config->getInstrument()), &ConsoleView::log);
        view.setReadingLog(readingLog.get());
    }
    std::unique_ptr<keys::KeyGenerator> keys;
    std::unique_ptr<Keybot> keybot;
    std::unique_ptr<TemplateFiller> filler;
    std::unique_ptr<FocusGuard> guard;
    std::unique_ptr<WeightWorker> worker;
    if (!type && !config->getTypeOnlyInto().isEmpty())
        ConsoleView::log(
            QStringLiteral("typeOnlyInto applies to typing (--type); nothing is typed"));
    try {
        if (type) {
            // Asked first: where the focus cannot be known, nothing else need start.
            std::unique_ptr<focus::FocusProbe> probe;
            if (!config->getTypeOnlyInto().isEmpty()) probe = focusProbe();
            const LayoutName layout = layoutName(config->getKeyboardType());
            keys = keys::openSystemKeyboard({layout.layout, layout.variant}, std::getenv);
            keybot = std::make_unique<Keybot>(
                *keys, &view, keyMapTypeFor(*config), config->getKeyboardType(),
                config->getEveryXValuesAsInt(), getKeyCode(config->getOutputTerminator2()),
                getKeyCode(config->getOutputTerminator()), getKeyCode(config->getStartWith()),
                config->getDelayAsInt());
            filler = std::make_unique<TemplateFiller>(*config);
            if (probe) guard = focusGuard(*config, std::move(probe), *keybot, readingLog.get());
            keybot->start();
            view.setKeybot(keybot.get(), filler.get(), guard.get());
        }
        worker = makeWeightWorker(*config, view, [](const QString& title, const QString& message) {
            std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(),
                         message.toUtf8().constData());
        });
    } catch (const std::exception& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 1;
    }

    QEventLoop loop;
    view.onLimitReached([&] { worker->cancel(); });
    view.onDisconnected([&] { loop.quit(); });
    QTimer focusPoll;
    if (guard) {
        QObject::connect(&focusPoll, &QTimer::timeout, [&] { guard->poll(); });
        focusPoll.start(100);
    }
    // From the typing thread: the stop is made on this one.
    view.onTypingFailed([&] {
        QMetaObject::invokeMethod(
            &loop, [&] { worker->cancel(); }, Qt::QueuedConnection);
    });
    worker->execute();
    running = worker.get();
    if (stopAsked) worker->cancel();
    loop.exec();
    running = nullptr;
    // Values waiting for the focus still may go where they belong, unless a stop was asked for.
    if (guard && guard->holding() && !stopAsked) {
        QEventLoop waiting;
        QObject::connect(&focusPoll, &QTimer::timeout, [&] {
            if (!guard->holding() || stopAsked) waiting.quit();
        });
        waiting.exec();
        guard->dropHeld();
    }

    if (keybot) {
        Keybot::waitUntilTyped(std::chrono::minutes(1));
        keybot->stop();
        // Values that typing failed to reach stay in the reading log as dropped.
        Keybot::dropQueued();
    }
    return 0;
}
