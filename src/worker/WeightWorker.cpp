#include "worker/WeightWorker.h"

#include "Serialio/DeviceNotificationCallback.h"
#include "Serialio/IOException.h"
#include "Serialio/SerialConfig.h"
#include "Serialio/SerialPortLocal.h"
#include "config/ResourceBundle.h"
#include "platform/StopPause.h"
#include "worker/RecordProcessor.h"
#include "worker/WeightWorkerView.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

using namespace ConfigHelper;

namespace {

const ResourceBundle& bundle() {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"));
}

QString text(const char* key) {
    return bundle().getString(QString::fromLatin1(key));
}

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

// What a record left without its terminator held: the start of it and, when
// that is not all, how much there was. A stream that never terminates would
// otherwise put kilobytes of it into one log line.
QString unsentData(const QString& buffer) {
    constexpr qsizetype kShown = 200;
    QString line = text("unsent.data") + u' ' +
                   DataLine::transformControlChars(buffer.first(std::min(buffer.size(), kShown)));
    if (buffer.size() > kShown) line += text("unsent.data.total").arg(buffer.size());
    return line;
}

std::unique_ptr<Serialio::SerialPortLocal> openPort(const Config& config) {
    if (config.getPort().isEmpty())
        throw std::invalid_argument(text("null.port.error").toStdString());
    const std::string name = config.getPort().toStdString();
    Serialio::SerialPortLocal::addPortName(name);
    Serialio::SerialConfig lineSettings(name);
    lineSettings.setBitRate(config.getBitRate());
    lineSettings.setDataBits(config.getDataBits());
    lineSettings.setParity(config.getParity());
    lineSettings.setStopBits(config.getStopBits());
    return std::make_unique<Serialio::SerialPortLocal>(lineSettings);
}

}  // namespace

WeightWorker::WeightWorker(const Config& config, WeightWorkerView& view)
    : view_(view),
      config_(config.copyConfig()),
      sp_(openPort(config_)),
      generator_(std::random_device{}()),
      framer_(config_.getInputTerminator()),
      request_(config_.requestBytes()),
      requestInterval_(config_.getRequestIntervalAsInt()) {
    view_.setConnectedInGUI(true);
    try {
        reportOpened();
    } catch (...) {
        view_.setConnectedInGUI(false);
        throw;
    }
    worker_ = std::make_unique<Worker>(
        Worker::Callbacks{[this](std::stop_token stop, const Worker::Publish& publish) {
                              return doInBackground(stop, publish);
                          },
                          [this](std::vector<DataLine>& batch) {
                              for (DataLine& record : batch) view_.update(record);
                          },
                          [this](const Worker::Completion& completion) { done(completion); }});
}

WeightWorker::~WeightWorker() = default;

void WeightWorker::reportOpened() {
    sp_->rxFlush();
    view_.logEvent(text("port.opened")
                       .arg(QString::fromStdString(sp_->getPortName()),
                            Options<BitRates>::getReadable(sp_->getBitRate()),
                            Options<DataBits>::getReadable(sp_->getDataBits()),
                            Options<StopBits>::getReadable(sp_->getStopBits()),
                            Options<Parity>::getReadable(sp_->getParity())));
    sp_->setRTS(false);
    sp_->setDTR(true);
    view_.logEvent(QStringLiteral("RTS: off, DTR: on. DSR: %1, CTS: %2.")
                       .arg(onOff(sp_->sigDSR()), onOff(sp_->sigCTS())));
}

void WeightWorker::execute() {
    worker_->execute();
}
void WeightWorker::cancel() {
    worker_->cancel();
}
bool WeightWorker::isDone() const {
    return worker_->isDone();
}

int WeightWorker::doInBackground(std::stop_token stop, const Worker::Publish& publish) {
    using namespace std::chrono_literals;
    RecordProcessor processor(config_);  // a set-up error ends the worker
    std::uniform_int_distribution<int> pauseLength(0, 4);
    platform::StopPause pause(stop);
    {
        std::lock_guard lock(pauseMutex_);
        pause_ = &pause;
    }
    struct Unlist {
        WeightWorker& worker;
        ~Unlist() {
            std::lock_guard lock(worker.pauseMutex_);
            worker.pause_ = nullptr;
        }
    } unlist{*this};
    if (!request_.empty()) nextRequest_ = std::chrono::steady_clock::now();
    while (!stop.stop_requested()) {
        try {
            sendDueRequest();
            readAvailable(processor, publish);
            if (idleWait_.mode == IdleWait::Mode::Kernel) {
                sp_->waitReadable(pause.wakeHandle(), waitLimitMs());
                pause.clearWakeUps();
                failingSince_.reset();
                continue;
            }
            failingSince_.reset();
        } catch (const Serialio::DeviceGoneException& e) {
            // Hung up or unplugged: no retry on this handle can succeed.
            if (!config_.reconnect) throw;
            if (!awaitReturn(e, pause)) break;
            continue;
        } catch (const Serialio::IOException& e) {
            if (readFailureEndsRun(e)) {
                if (!config_.reconnect) throw;
                if (!awaitReturn(e, pause)) break;
                continue;
            }
            // A failing port may fail again at once: no busy loop while it lasts.
            if (pause.pause(10ms)) break;
            pause.clearWakeUps();
            continue;
        } catch (const std::exception& e) {
            view_.logImportantEvent(QStringLiteral("Error [WW]: ") + processingErrorText(e));
            continue;
        }
        if (pause.pause(std::chrono::milliseconds(pauseLength(generator_)))) break;
        pause.clearWakeUps();
    }
    return count_;
}

void WeightWorker::requestNow() {
    if (request_.empty()) return;
    requestWanted_ = true;
    wake();
}

void WeightWorker::wake() {
    std::lock_guard lock(pauseMutex_);
    if (pause_) pause_->wake();
}

void WeightWorker::sendDueRequest() {
    if (request_.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    const bool scheduled = nextRequest_ && now >= *nextRequest_;
    const bool wanted = requestWanted_.exchange(false);
    if (!scheduled && !wanted) return;
    if (scheduled) {
        if (requestInterval_.count() == 0) {
            nextRequest_.reset();
        } else {
            // Keeps the pace of the schedule, without a burst after a long stall.
            nextRequest_ = std::max(*nextRequest_ + requestInterval_, now);
        }
    }
    try {
        sp_->putString(request_);
    } catch (const Serialio::IOException& e) {
        // The reading side finds out whether the device is gone.
        view_.logImportantEvent(text("request.failed") + u' ' + QString::fromLocal8Bit(e.what()));
    }
}

int WeightWorker::waitLimitMs() const {
    auto limit = idleWait_.limit;
    if (nextRequest_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *nextRequest_ - std::chrono::steady_clock::now());
        limit = std::clamp(left, std::chrono::milliseconds(0), limit);
    }
    return static_cast<int>(limit.count());
}

namespace {

// Wakes the reopening wait as soon as the system announces a device change.
class DeviceWatch : public Serialio::DeviceNotificationCallback {
  public:
    explicit DeviceWatch(std::function<void()> wake) : wake_(std::move(wake)) {}
    void deviceNotification() override { wake_(); }

  private:
    std::function<void()> wake_;
};

struct WatchRegistration {
    explicit WatchRegistration(std::function<void()> wake) {
        try {
            Serialio::SerialPortLocal::registerDeviceNotification(
                std::make_shared<DeviceWatch>(std::move(wake)));
            registered = true;
        } catch (const std::exception&) {
            // No announcements here: trying the name once a second is enough.
        }
    }
    ~WatchRegistration() {
        if (registered) Serialio::SerialPortLocal::unregisterDeviceNotification();
    }
    WatchRegistration(const WatchRegistration&) = delete;
    WatchRegistration& operator=(const WatchRegistration&) = delete;
    bool registered = false;
};

}  // namespace

bool WeightWorker::awaitReturn(const std::exception& why, platform::StopPause& pause) {
    view_.logImportantEvent(text("device.disconnected"));
    view_.logEvent(QString::fromLocal8Bit(why.what()));
    view_.showStatus(text("device.disconnected"));
    // What the unplug cut off is no record: never joined to the first one after the return.
    if (!framer_.isEmpty()) {
        view_.logImportantEvent(text("unsent.data") + u' ' +
                                DataLine::transformControlChars(framer_.buffer()));
        framer_.clear();
    }
    recordError_ = false;
    failingSince_.reset();
    try {
        sp_->close();
    } catch (const std::exception&) {
        // A device that is gone cannot be closed cleanly; its handle is released anyway.
    }
    sp_.reset();
    const WatchRegistration watch([this] { wake(); });
    for (;;) {
        if (pause.pause(kReopenInterval)) return false;
        pause.clearWakeUps();
        try {
            auto reopened = openPort(config_);
            reopened->rxFlush();
            reopened->setRTS(false);
            reopened->setDTR(true);
            sp_ = std::move(reopened);
            break;
        } catch (const std::exception&) {
            // Not back yet.
        }
    }
    view_.logEvent(text("reconnected"));
    view_.showStatus(text("reconnected"));
    // Asked again once the port is open, as after the first opening.
    if (!request_.empty()) nextRequest_ = std::chrono::steady_clock::now();
    return true;
}

bool WeightWorker::readFailureEndsRun(const Serialio::IOException& error) {
    // A glitch of an adapter is reported once and survived; a failure that
    // does not pass ends the run like a vanished device.
    const auto now = std::chrono::steady_clock::now();
    if (!failingSince_) {
        failingSince_ = now;
        view_.logImportantEvent(QStringLiteral("Error [WW]: ") + processingErrorText(error));
        return false;
    }
    return now - *failingSince_ >= kReadFailuresToGiveUp;
}

void WeightWorker::readAvailable(RecordProcessor& processor, const Worker::Publish& publish) {
    for (int byte = sp_->getByte(); byte != -1; byte = sp_->getByte()) {
        failingSince_.reset();
        const RecordFramer::Step step = framer_.add(static_cast<unsigned char>(byte));
        checkLineErrors();
        if (step == RecordFramer::Step::Complete) {
            processRecord(processor, publish);
        } else if (step == RecordFramer::Step::Overflow) {
            view_.logImportantEvent(unsentData(framer_.buffer()));
            // A line error in the bytes given up is no mark on the next record.
            framer_.clear();
            recordError_ = false;
        }
    }
}

void WeightWorker::checkLineErrors() {
    if (sp_->sigParityErr()) {
        view_.logImportantEvent(parityErrorText());
        recordError_ = true;
    }
    if (sp_->sigFrameErr()) {
        view_.logImportantEvent(framingErrorText());
        recordError_ = true;
    }
}

void WeightWorker::processRecord(RecordProcessor& processor, const Worker::Publish& publish) {
    ++count_;
    const auto now = std::chrono::system_clock::now();
    // The record is consumed whatever happens to it, so that one bad record
    // never sticks to the next.
    const QString raw = framer_.buffer();
    const bool error = recordError_;
    framer_.clear();
    recordError_ = false;
    try {
        publish(DataLine(raw, processor.read(raw), count_, now, error));
    } catch (const std::exception& e) {
        // The failed record still reaches the view (a reading log keeps
        // every record); the loop logs the error as before.
        publish(DataLine::failed(raw, QString::fromLocal8Bit(e.what()), count_, now, error));
        throw;
    }
}

void WeightWorker::done(const Worker::Completion& completion) {
    using Kind = Worker::Completion::Kind;
    switch (completion.kind) {
        case Kind::Normal:
            break;
        case Kind::Interrupted:
            view_.logEvent(text("interrupted"));
            break;
        case Kind::Failed:
            view_.logImportantEvent(text("execution.exception") + completion.error);
            break;
        case Kind::Cancelled:
            view_.logEvent(text("stopped"));
            break;
    }
    if (!framer_.isEmpty()) view_.logImportantEvent(unsentData(framer_.buffer()));
    try {
        if (sp_) sp_->close();  // none when the stop came while waiting for the device
    } catch (const std::exception& e) {
        view_.logImportantEvent(QString::fromLocal8Bit(e.what()));
    }
    view_.setConnectedInGUI(false);
}

QString WeightWorker::parityErrorText() const {
    return text("parity.error");
}
QString WeightWorker::framingErrorText() const {
    return text("framing.error");
}
QString WeightWorker::processingErrorText(const std::exception& error) const {
    return describeError(error);
}

WeightWorkerAnd::WeightWorkerAnd(const Config& config, WeightWorkerView& view,
                                 WarningDialog warning)
    : WeightWorker(config, view), warning_(std::move(warning)) {
    // A line operation that fails here ends the start like any failed open:
    // the port closes with the base, and the view must not stay connected.
    try {
        testDevice();
    } catch (...) {
        view.setConnectedInGUI(false);
        throw;
    }
}

void WeightWorkerAnd::testDevice() {
    using namespace std::chrono_literals;
    port().setDTR(true);
    std::this_thread::sleep_for(50ms);
    const bool dsr = port().sigDSR();
    port().setRTS(true);
    std::this_thread::sleep_for(50ms);
    const bool cts = port().sigCTS();
    if (dsr && cts) return;
    const char* key = dsr   ? "and.error.unusual"
                      : cts ? "and.error.dataset.not.ready"
                            : "and.error.not.connected";
    if (warning_) warning_(text("warning"), text(key));
}

QString WeightWorkerBarcode::parityErrorText() const {
    return QStringLiteral("Parity Error");
}
QString WeightWorkerBarcode::framingErrorText() const {
    return QStringLiteral("Framing Error");
}
QString WeightWorkerBarcode::processingErrorText(const std::exception& error) const {
    return QString::fromLocal8Bit(error.what());
}

std::unique_ptr<WeightWorker> makeWeightWorker(const Config& config, WeightWorkerView& view,
                                               WarningDialog warning) {
    const Instrument instrument =
        config.getInstrument().value_or(Options<Instrument>::getDefault());
    if (isTextInstrument(instrument)) return std::make_unique<WeightWorkerBarcode>(config, view);
    if (instrument == Instrument::AND || instrument == Instrument::AND_EM) {
        return std::make_unique<WeightWorkerAnd>(config, view, std::move(warning));
    }
    return std::make_unique<WeightWorker>(config, view);
}
