#pragma once
// Runs one piece of work once on a background thread. Values it publishes
// reach the thread that created the worker (the user-interface thread), in
// order and in batches; the end-of-work step runs there too, after the
// background thread has finished for any reason. Cancelling requests a stop
// through std::stop_token, which every wait of the work must honour.
//
// The worker owns its thread: destroying it stops and joins the work, so an
// owner keeps it as the last member of whatever the work touches. Do not
// destroy it from inside its own callbacks; drop it afterwards.

#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

// Thrown by work that was interrupted by something other than a cancellation.
class Interrupted : public std::exception {
  public:
    const char* what() const noexcept override { return "interrupted"; }
};

template <class Result, class Value>
class BackgroundWorker {
  public:
    using Publish = std::function<void(Value)>;

    struct Completion {
        enum class Kind { Normal, Cancelled, Interrupted, Failed };
        Kind kind = Kind::Normal;
        std::optional<Result> result;  // with Normal only
        QString error;                 // with Failed: the error's message
        std::exception_ptr exception;  // with Failed
    };

    struct Callbacks {
        std::function<Result(std::stop_token, const Publish&)> doInBackground;
        std::function<void(std::vector<Value>&)> process;  // may be empty
        std::function<void(const Completion&)> done;       // may be empty
    };

    explicit BackgroundWorker(Callbacks callbacks) : callbacks_(std::move(callbacks)) {}
    ~BackgroundWorker() { thread_ = {}; }  // stop and join
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Starts the work; a worker runs once.
    void execute() {
        if (started_) return;
        started_ = true;
        thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
    }

    void cancel() {
        cancelled_ = true;
        thread_.request_stop();
    }

    bool isCancelled() const { return cancelled_; }
    // True once the end-of-work step has run.
    bool isDone() const { return done_; }

  private:
    void run(std::stop_token stop) {
        Completion completion;
        try {
            Result r = callbacks_.doInBackground(stop, [this](Value v) { publish(std::move(v)); });
            completion.result = std::move(r);
        } catch (const Interrupted&) {
            completion.kind = Completion::Kind::Interrupted;
        } catch (const std::exception& e) {
            completion.kind = Completion::Kind::Failed;
            completion.error = QString::fromLocal8Bit(e.what());
            completion.exception = std::current_exception();
        }
        if (cancelled_) {
            completion.kind = Completion::Kind::Cancelled;
            completion.result.reset();
        }
        QMetaObject::invokeMethod(
            &context_,
            [this, completion = std::move(completion)] {
                deliverPublished();
                done_ = true;
                if (callbacks_.done) callbacks_.done(completion);
            },
            Qt::QueuedConnection);
    }

    void publish(Value value) {
        std::lock_guard lock(mutex_);
        const bool first = pending_.empty();
        pending_.push_back(std::move(value));
        // One queued delivery takes everything published until it runs.
        if (first) {
            QMetaObject::invokeMethod(
                &context_, [this] { deliverPublished(); }, Qt::QueuedConnection);
        }
    }

    void deliverPublished() {
        std::vector<Value> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(pending_);
        }
        if (!batch.empty() && callbacks_.process) callbacks_.process(batch);
    }

    Callbacks callbacks_;
    QObject context_;  // lives on the creating thread; its queued calls die with it
    std::mutex mutex_;
    std::vector<Value> pending_;
    bool started_ = false;
    std::atomic<bool> cancelled_{false};
    bool done_ = false;
    std::jthread thread_;  // last: joined before anything the work uses goes away
};
