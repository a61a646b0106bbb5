#pragma once
// Keeps every tool tip of the program up for a fixed time.

#include <QObject>

class ToolTipDelay : public QObject {
  public:
    static constexpr int kDismissDelayMs = 10000;
    // Installs itself on the application; lives as long as its parent.
    explicit ToolTipDelay(QObject* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
