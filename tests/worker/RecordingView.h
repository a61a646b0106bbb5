#pragma once
// A worker view that keeps what it is told, for checking reports made from
// any thread.

#include "worker/DataLine.h"
#include "worker/WeightWorkerView.h"

#include <QStringList>

#include <mutex>
#include <vector>

class RecordingView : public WeightWorkerView {
  public:
    void logEvent(const QString& text) override {
        std::lock_guard lock(mutex_);
        events_ << text;
    }
    void logImportantEvent(const QString& text) override {
        std::lock_guard lock(mutex_);
        importantEvents_ << text;
    }
    void setConnectedInGUI(bool connected) override {
        std::lock_guard lock(mutex_);
        connected_ = connected;
    }
    void showStatus(const QString& text) override {
        std::lock_guard lock(mutex_);
        statuses_ << text;
    }
    void update(DataLine& record) override {
        std::lock_guard lock(mutex_);
        records_ << record.getProcessedData();
        lines_.push_back(record.copy());
    }

    QStringList events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    QStringList importantEvents() const {
        std::lock_guard lock(mutex_);
        return importantEvents_;
    }
    QStringList statuses() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    bool connected() const {
        std::lock_guard lock(mutex_);
        return connected_;
    }
    // The processed data of every record received.
    QStringList records() const {
        std::lock_guard lock(mutex_);
        return records_;
    }

    // Every record received, whole.
    std::vector<DataLine> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<DataLine> lines_;
    QStringList events_;
    QStringList importantEvents_;
    QStringList records_;
    QStringList statuses_;
    bool connected_ = false;
};
