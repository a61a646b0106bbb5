#pragma once
// What an acquisition reports to: the main window, or a console view.

#include <QString>

class DataLine;

class WeightWorkerView {
  public:
    virtual ~WeightWorkerView() = default;
    // Both log operations may be called from any thread.
    virtual void logEvent(const QString& text) = 0;
    virtual void logImportantEvent(const QString& text) = 0;
    virtual void setConnectedInGUI(bool connected) = 0;
    // The status line, for views that have one; any thread, never waits.
    virtual void showStatus(const QString& text) { (void)text; }
    // The keystroke engine gave up for good; any thread, never waits. The
    // run should end: nothing more can be typed.
    virtual void typingFailed() {}
    // One record, on the user-interface thread, in the order received.
    virtual void update(DataLine& record) = 0;
};
