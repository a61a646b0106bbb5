#pragma once
// The progress window of automatic port detection: one line per step of the
// run, and one button that cancels the run while it goes and closes the
// window once it has ended. Closing the window stops a run still going, so
// no port stays open behind it; the window then deletes itself.

#include "worker/AutoPortWorker.h"
#include "worker/AutoPortWorkerView.h"

#include <QDialog>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QComboBox;
class QDialogButtonBox;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

class AutoPortDialog : public QDialog, public AutoPortWorkerView {
  public:
    using SelectPort = std::function<void(const QString& name)>;

    // Shows nothing by itself: the caller shows it. Starts the run over the
    // ports at once; the port found is handed to selectPort.
    AutoPortDialog(QWidget* owner, const QStringList& ports, SelectPort selectPort,
                   std::chrono::milliseconds pause = AutoPortWorker::PAUSE);
    ~AutoPortDialog() override;

    // AutoPortWorkerView
    void setButtonToCancel() override;
    void setButtonToClose() override;
    void setPort(const QString& name) override;
    void update(const QString& text) override;

    void okButtonActionPerformed();
    bool isRunning() const { return worker && !worker->isDone(); }

    // Selects a port in a chooser of display names whose entries carry the
    // plain names: by its display name where the driver described the port,
    // else by the name itself. False when the chooser does not offer it.
    static bool selectPortIn(QComboBox& chooser, const QString& name);

    QWidget* const owner;
    QWidget* dialogPane;
    QDialogButtonBox* buttonBar;
    QPushButton* okButton;
    QWidget* panel2;
    QScrollArea* scrollPane2;
    QPlainTextEdit* textPane1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape closes like the close box

  private:
    SelectPort selectPort_;
    std::unique_ptr<AutoPortWorker> worker;  // last: its thread reports to the widgets
};
