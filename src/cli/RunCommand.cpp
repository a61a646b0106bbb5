// valtyp-cli run: the real acquisition on a port without the window. Each
// record is printed like `extract` prints it, log lines go to standard error,
// with --type each output is typed through the X server, and with
// --reading-log every record is appended to that folder's reading log.

#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "cli/RecordOutput.h"
#include "config/KeyMaps.h"
#include "platform/keys/SystemKeyboard.h"
#include "worker/Ignorer.h"
#include "worker/Keybot.h"
#include "worker/ReadingLog.h"
#include "worker/WeightWorker.h"
#include "worker/WeightWorkerView.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTime>

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

    void setKeybot(Keybot* keybot) { keybot_ = keybot; }
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
        const bool typing = keybot_ && !error && record.hasValue();
        // A value to type is logged once its fate is known.
        if (readingLog_ && !typing) {
            const QString outcome = error ? QStringLiteral("error: ") + *error
                                          : readingOutcome(record, QStringLiteral("printed"),
                                                           hadValue && !record.hasValue());
            readingLog_->append(record, outcome);
            // Printed only once on the disk: what the console shows is logged.
            readingLog_->flush();
        }
        printer_.print(record, error);
        if (typing) {
            Keybot::Settled settled;
            if (readingLog_) {
                settled = [log = readingLog_, record = record.copy()](Keybot::Fate fate,
                                                                      const QString& failure) {
                    log->append(record, Keybot::outcomeText(fate, failure));
                };
            }
            keybot_->add(record.getProcessedData(), std::move(settled));
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
    ReadingLog* readingLog_ = nullptr;
    int limit_;
    int received_ = 0;
    std::function<void()> limitReached_;
    std::function<void()> disconnected_;
    std::function<void()> typingFailed_;
};

// SIGINT and SIGTERM arrive on the event loop as a readable pipe.
int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 1;
    (void)!write(stopPipe[1], &byte, 1);
}

bool installStopSignals() {
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
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
    if (!installStopSignals()) {
        printError(QStringLiteral("cannot install the stop signals"));
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
    std::unique_ptr<WeightWorker> worker;
    try {
        if (type) {
            const LayoutName layout = layoutName(config->getKeyboardType());
            keys = keys::openSystemKeyboard({layout.layout, layout.variant}, std::getenv);
            const Instrument instrument = *config->getInstrument();
            keybot = std::make_unique<Keybot>(
                *keys, &view, getKeyMapType(instrument), config->getKeyboardType(),
                config->getEveryXValuesAsInt(), getKeyCode(config->getOutputTerminator2()),
                getKeyCode(config->getOutputTerminator()), getKeyCode(config->getStartWith()),
                config->getDelayAsInt());
            keybot->start();
            view.setKeybot(keybot.get());
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
    // From the typing thread: the stop is made on this one.
    view.onTypingFailed([&] {
        QMetaObject::invokeMethod(
            &loop, [&] { worker->cancel(); }, Qt::QueuedConnection);
    });
    QSocketNotifier stopRequest(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopRequest, &QSocketNotifier::activated, [&] { worker->cancel(); });
    worker->execute();
    loop.exec();

    if (keybot) {
        Keybot::waitUntilTyped(std::chrono::minutes(1));
        keybot->stop();
        // Values that typing failed to reach stay in the reading log as dropped.
        Keybot::dropQueued();
    }
    return 0;
}
