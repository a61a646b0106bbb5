#pragma once
// What the update check reports to: the main window's status line.

#include <QString>

class UpdateWorkerView {
  public:
    virtual ~UpdateWorkerView() = default;
    // Runs on the user-interface thread; a call from another thread waits for it.
    virtual void setText(const QString& text) = 0;
};
