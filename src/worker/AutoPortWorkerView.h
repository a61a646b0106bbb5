#pragma once
// What automatic port detection reports to, on the user-interface thread.

#include <QString>

class AutoPortWorkerView {
  public:
    virtual ~AutoPortWorkerView() = default;
    virtual void setButtonToCancel() = 0;
    virtual void setButtonToClose() = 0;
    // The port the run found.
    virtual void setPort(const QString& name) = 0;
    // One line of progress.
    virtual void update(const QString& text) = 0;
};
