#pragma once
// Sets the input up from what the instrument sends: shows the bytes as they
// arrive (readable, with control characters as <13><10>, and in hexadecimal)
// and the line settings being tried, then the catalogue instruments that read
// the records, best first, with the value each would type. Closing the window
// stops a run still going, so no port stays open behind it; the window then
// deletes itself.

#include "config/Instrument.h"
#include "worker/InstrumentIdentifier.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class Dialogs;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

class IdentifyDialog : public QDialog {
  public:
    struct Found {
        ConfigHelper::Instrument instrument{};
        LineSetting lines;
        int terminator = 13;
        QString request;  // the command it answered; empty when it speaks unasked
    };
    struct Actions {
        // "Use this instrument".
        std::function<void(const Found&)> use;
        // "Write an expression": the records captured, and what was found.
        std::function<void(const Found&, const QStringList& records)> writeExpression;
    };

    // Starts listening on the port at once; the caller shows the dialog.
    IdentifyDialog(QWidget* owner, const QString& port, std::optional<LineSetting> first,
                   InstrumentIdentifier::Timings timings, Actions actions);
    ~IdentifyDialog() override;

    bool isRunning() const { return worker_ && !worker_->isDone(); }

    void cancelButtonActionPerformed();
    void useButtonActionPerformed();
    void expressionButtonActionPerformed();

    QLabel* settingsLabel;
    QLabel* settingsValueLabel;
    QLabel* readableLabel;
    QPlainTextEdit* readablePane;
    QLabel* hexLabel;
    QPlainTextEdit* hexPane;
    QLabel* resultLabel;
    QLabel* instrumentsLabel;
    QTreeWidget* instrumentList;
    QPushButton* useButton;
    QPushButton* expressionButton;
    QPushButton* cancelButton;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape closes like the close box

  private:
    void progress(const IdentifyEvent& event);
    void finished(const std::optional<Identification>& id, const QString& error);
    std::optional<Found> found() const;

    Actions actions_;
    std::optional<Identification> result_;
    std::unique_ptr<IdentifyWorker> worker_;  // last: its thread reports to the widgets
};
