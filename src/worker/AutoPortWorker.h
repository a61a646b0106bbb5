#pragma once
// Looks for the port an instrument hangs on: opens each candidate in turn,
// drives DTR and RTS and reads DSR and CTS back. A port whose input lines
// answer scores higher than one with nothing attached; no record is read.
//
// Confidence per port:
//   3  DSR held on by the far end, DSR and CTS on once DTR and RTS are on
//      (1 on a port named "COM3", which is where built-in modems sit)
//   2  DSR follows DTR and CTS follows RTS (a loop-back plug or a device
//      echoing the lines)
//   1  one input line answers
//   0  nothing answers; such a port is never chosen
// Ties keep the earlier port.

#include "worker/AutoPortWorkerView.h"
#include "worker/BackgroundWorker.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <stop_token>

class ResourceBundle;

class AutoPortWorker {
  public:
    // Settle time after each change of the output lines.
    static constexpr std::chrono::milliseconds PAUSE{150};

    // The texts are those of the bundle "valtyp.Valtyp": the worker bundle's
    // "stopped" and "interrupted" speak of the acquisition. The pause may be
    // made longer for tests that must catch the run inside one.
    AutoPortWorker(AutoPortWorkerView& view, QStringList ports,
                   std::chrono::milliseconds pause = PAUSE);

    // Sets the view's button to "Cancel" and starts the run.
    void execute();
    // Ends the run at its next wait; the port under test is closed.
    void cancel() { task_.cancel(); }
    bool isDone() const { return task_.isDone(); }

  private:
    using Task = BackgroundWorker<std::optional<QString>, QString>;

    std::optional<QString> doInBackground(std::stop_token stop, const Task::Publish& publish);
    // The confidence of one port, 0..3; throws Interrupted when stopped.
    int testPort(const QString& name, std::stop_token stop);
    void done(const Task::Completion& completion);
    QString text(const char* key) const;

    const ResourceBundle& resourceBundle;
    AutoPortWorkerView& view;
    const QStringList ports;
    const std::chrono::milliseconds pause_;
    // Touched by the background thread only.
    std::optional<QString> bestPortName;
    int bestPortConfidence = 0;
    int currentPortConfidence = 0;
    Task task_;  // last: its thread uses everything above
};
