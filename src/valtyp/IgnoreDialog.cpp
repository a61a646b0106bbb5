#include "valtyp/IgnoreDialog.h"

#include "config/ProcessingOptions.h"
#include "valtyp/Dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

IgnoreDialog::IgnoreDialog(QWidget* owner, const Config& config, Dialogs& dialogs)
    : QDialog(owner),
      ignoreTimeLimit(config.getIgnoreTimeLimit()),
      ignoreDifference(config.getIgnoreDifference()),
      bundle(ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"))),
      config(config),
      dialogs_(dialogs) {
    const auto text = [this](const char* key) {
        return bundle.getString(QString::fromLatin1(key));
    };
    setModal(true);
    setWindowTitle(text("IgnoreDialog.this.title"));

    dialogPane = new QWidget(this);
    contentPanel = new QWidget(dialogPane);
    label1 = new QLabel(text("IgnoreDialog.label2.text"), contentPanel);
    ignoreTimeLimitTextField = new QLineEdit(ignoreTimeLimit, contentPanel);
    ignoreTimeLimitTextField->setToolTip(text("IgnoreDialog.ignoreTimeLimitTextField.toolTipText"));
    label3 = new QLabel(QStringLiteral("ms"), contentPanel);
    label4 = new QLabel(text("IgnoreDialog.label3.text"), contentPanel);
    ignoreDifferenceTextField = new QLineEdit(ignoreDifference, contentPanel);
    ignoreDifferenceTextField->setToolTip(
        text("IgnoreDialog.ignoreDifferenceTextField.toolTipText"));
    buttonBar = new QDialogButtonBox(dialogPane);
    okButton = buttonBar->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cancelButton =
        buttonBar->addButton(text("IgnoreDialog.cancelButton.text"), QDialogButtonBox::RejectRole);
    okButton->setDefault(true);

    auto* grid = new QGridLayout(contentPanel);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(ignoreTimeLimitTextField, 0, 1);
    grid->addWidget(label3, 0, 2);
    grid->addWidget(label4, 1, 0);
    grid->addWidget(ignoreDifferenceTextField, 1, 1);
    auto* pane = new QVBoxLayout(dialogPane);
    pane->addWidget(contentPanel, 1);
    pane->addWidget(buttonBar);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(dialogPane);

    // The buttons call the handlers directly: the box's accepted() would
    // close the dialog before the texts are checked.
    connect(okButton, &QPushButton::clicked, this, [this] { okButtonActionPerformed(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancelButtonActionPerformed(); });
}

void IgnoreDialog::okButtonActionPerformed() {
    const QString difference = ignoreDifferenceTextField->text().replace(u',', u'.');
    const QString timeLimit = ignoreTimeLimitTextField->text();
    if (!ConfigHelper::IgnoreTimeLimit::valid(timeLimit) ||
        !ConfigHelper::IgnoreDifference::valid(difference)) {
        dialogs_.error(bundle.getString(QStringLiteral("error")),
                       bundle.getString(QStringLiteral("ignore.error")));
        return;
    }
    ignoreTimeLimit = timeLimit;
    ignoreDifference = difference;
    accept();
}

void IgnoreDialog::cancelButtonActionPerformed() {
    close();
}

void IgnoreDialog::close() {
    reject();
}
