#pragma once
// Edits the custom expression that finds the value in a record instead of the
// instrument's own. Below the text, every sample record of the instrument is
// shown with what the expression finds in it, through the same extraction the
// acquisition uses, so the operator sees the effect before confirming; a field
// takes a record of the operator's own.

#include "config/Instrument.h"
#include "config/ResourceBundle.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class Dialogs;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

class CustomRegExDialog : public QDialog {
  public:
    // Modal over the owner with regEx in the text area; the preview runs over
    // the samples of the instrument.
    CustomRegExDialog(QWidget* owner, const QString& regEx, ConfigHelper::Instrument instrument,
                      Dialogs& dialogs);
    // The same with records captured from the instrument in the preview
    // instead of the samples.
    CustomRegExDialog(QWidget* owner, const QString& regEx, ConfigHelper::Instrument instrument,
                      Dialogs& dialogs, QStringList records);

    // After closing: the accepted text, or the opening one.
    const QString& getRegEx() const { return regEx; }

    void okButtonActionPerformed();
    void cancelButtonActionPerformed();
    // Closes like the window's close box: the result stays as it was.
    void close();

    QWidget* dialogPane;
    QWidget* contentPanel;
    QScrollArea* scrollPane1;
    QPlainTextEdit* regExTextArea;
    QLabel* label2;
    QLabel* label3;
    QLabel* label4;
    QDialogButtonBox* buttonBar;
    QPushButton* okButton;
    QPushButton* cancelButton;
    // The live preview.
    QLabel* previewLabel;
    QPlainTextEdit* previewPane;
    QLabel* ownRecordLabel;
    QLineEdit* ownRecordTextField;
    QLabel* ownRecordValueLabel;

  private:
    void updatePreview();
    QString text(const char* key) const;

    QString regEx;
    const ResourceBundle& bundle;
    const ConfigHelper::Instrument instrument_;
    QStringList records_;  // previewed; the instrument's samples when empty
    Dialogs& dialogs_;
};
