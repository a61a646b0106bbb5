#pragma once
// Edits the two limits of duplicate filtering: the time within which a
// repeated value is ignored, and how far a value may differ and still count
// as a repeat. Results change only when OK accepts both texts.

#include "config/Config.h"
#include "config/ResourceBundle.h"

#include <QDialog>
#include <QString>

class Dialogs;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

class IgnoreDialog : public QDialog {
  public:
    // Modal over the owner, showing the record's two limits.
    IgnoreDialog(QWidget* owner, const Config& config, Dialogs& dialogs);

    // After closing: the accepted texts, or the opening ones.
    const QString& getIgnoreTimeLimit() const { return ignoreTimeLimit; }
    const QString& getIgnoreDifference() const { return ignoreDifference; }

    void okButtonActionPerformed();
    void cancelButtonActionPerformed();
    // Closes like the window's close box: the results stay as they were.
    void close();

    QWidget* dialogPane;
    QWidget* contentPanel;
    QLabel* label1;
    QLineEdit* ignoreTimeLimitTextField;
    QLabel* label3;
    QLabel* label4;
    QLineEdit* ignoreDifferenceTextField;
    QDialogButtonBox* buttonBar;
    QPushButton* okButton;
    QPushButton* cancelButton;

  private:
    QString ignoreTimeLimit;
    QString ignoreDifference;
    const ResourceBundle& bundle;
    const Config& config;
    Dialogs& dialogs_;
};
