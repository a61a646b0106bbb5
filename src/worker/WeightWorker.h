#pragma once
// The acquisition: owns the open serial port for one connection, reads the
// instrument's bytes on a background thread, frames them into records,
// processes each one and publishes it to the view.

#include "config/Config.h"
#include "worker/BackgroundWorker.h"
#include "worker/DataLine.h"
#include "worker/RecordFramer.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <random>

class WeightWorkerView;
class RecordProcessor;
namespace Serialio {
class IOException;
class SerialPortLocal;
}  // namespace Serialio

class WeightWorker {
  public:
    // Opens the port and reports it to the view; on the user-interface
    // thread. Throws when the port name is missing or the port cannot be
    // opened; then no worker exists and the port is closed.
    WeightWorker(const Config& config, WeightWorkerView& view);
    virtual ~WeightWorker();

    // Starts the reading loop on its background thread; once.
    void execute();
    // Ends the loop at its next check or pause; the end-of-work step then
    // closes the port on the user-interface thread.
    void cancel();
    bool isDone() const;

    // How the loop waits while the line is quiet: asleep in the kernel until
    // the port has data or the stop is requested (waking at least every
    // limit), or by polling with short random pauses, kept for comparison.
    struct IdleWait {
        enum class Mode { Kernel, Polling };
        Mode mode = Mode::Kernel;
        std::chrono::milliseconds limit{1000};
    };
    // Before execute().
    void setIdleWait(IdleWait wait) { idleWait_ = wait; }

    // A read that keeps failing for this long ends the run like a vanished device.
    static constexpr std::chrono::seconds kReadFailuresToGiveUp{1};

  protected:
    // How line errors and processing errors read in the log; text
    // instruments use fixed texts and only the error's message.
    virtual QString parityErrorText() const;
    virtual QString framingErrorText() const;
    virtual QString processingErrorText(const std::exception& error) const;

    Serialio::SerialPortLocal& port() { return *sp_; }
    WeightWorkerView& view() { return view_; }

  private:
    using Worker = BackgroundWorker<int, DataLine>;

    void reportOpened();
    int doInBackground(std::stop_token stop, const Worker::Publish& publish);
    void readAvailable(RecordProcessor& processor, const Worker::Publish& publish);
    void processRecord(RecordProcessor& processor, const Worker::Publish& publish);
    void checkLineErrors();
    bool readFailureEndsRun(const Serialio::IOException& error);
    void done(const Worker::Completion& completion);

    WeightWorkerView& view_;
    Config config_;
    std::unique_ptr<Serialio::SerialPortLocal> sp_;
    std::minstd_rand generator_;
    RecordFramer framer_;       // the record being received (rawData)
    std::int32_t count_ = 0;    // records framed
    bool recordError_ = false;  // a line error since the previous record
    IdleWait idleWait_;
    // Since when the reads fail without one succeeding in between.
    std::optional<std::chrono::steady_clock::time_point> failingSince_;
    std::unique_ptr<Worker> worker_;  // last: its thread ends before the rest goes away
};

// Tells a warning dialog's title and message to whoever shows dialogs.
using WarningDialog = std::function<void(const QString& title, const QString& message)>;

// Balances that signal readiness on their modem lines: the connection is
// checked once after opening.
class WeightWorkerAnd : public WeightWorker {
  public:
    WeightWorkerAnd(const Config& config, WeightWorkerView& view, WarningDialog warning);
    // DTR on, read DSR; RTS on, read CTS; warns unless both are on.
    void testDevice();

  private:
    WarningDialog warning_;
};

// Bar-code readers: the value is text, typed as it came.
class WeightWorkerBarcode : public WeightWorker {
  public:
    using WeightWorker::WeightWorker;

  protected:
    QString parityErrorText() const override;
    QString framingErrorText() const override;
    QString processingErrorText(const std::exception& error) const override;
};

// The worker a connection uses for the record's instrument.
std::unique_ptr<WeightWorker> makeWeightWorker(const Config& config, WeightWorkerView& view,
                                               WarningDialog warning);
