#include "valtyp/AutoPortDialog.h"

#include "Serialio/FriendlyPortUtil.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

AutoPortDialog::AutoPortDialog(QWidget* owner, const QStringList& ports, SelectPort selectPort,
                               std::chrono::milliseconds pause)
    : QDialog(owner), owner(owner), selectPort_(std::move(selectPort)) {
    setWindowTitle(QStringLiteral("Auto-detect port"));
    setAttribute(Qt::WA_DeleteOnClose);

    dialogPane = new QWidget(this);
    panel2 = new QWidget(dialogPane);
    scrollPane2 = new QScrollArea(panel2);
    scrollPane2->setWidgetResizable(true);
    textPane1 = new QPlainTextEdit;
    textPane1->setReadOnly(true);
    scrollPane2->setWidget(textPane1);
    buttonBar = new QDialogButtonBox(dialogPane);
    okButton = buttonBar->addButton(QStringLiteral("OK"), QDialogButtonBox::ActionRole);

    auto* panel = new QVBoxLayout(panel2);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(scrollPane2);
    auto* pane = new QVBoxLayout(dialogPane);
    pane->addWidget(panel2, 1);
    pane->addWidget(buttonBar);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(dialogPane);
    resize(420, 300);

    connect(okButton, &QPushButton::clicked, this, [this] { okButtonActionPerformed(); });
    worker = std::make_unique<AutoPortWorker>(*this, ports, pause);
    worker->execute();
}

AutoPortDialog::~AutoPortDialog() {
    worker.reset();  // stops and joins a run still going while the widgets exist
}

void AutoPortDialog::setButtonToCancel() {
    okButton->setText(QStringLiteral("Cancel"));
}

void AutoPortDialog::setButtonToClose() {
    okButton->setText(QStringLiteral("Close"));
}

void AutoPortDialog::setPort(const QString& name) {
    if (selectPort_) selectPort_(name);
}

void AutoPortDialog::update(const QString& text) {
    textPane1->appendPlainText(text);
}

void AutoPortDialog::okButtonActionPerformed() {
    if (isRunning()) {
        worker->cancel();
        setButtonToClose();
        return;
    }
    close();
}

void AutoPortDialog::closeEvent(QCloseEvent* event) {
    if (isRunning()) worker->cancel();
    hide();
    event->accept();  // deletes the window, and with it the worker, which joins its thread
}

void AutoPortDialog::reject() {
    close();
}

bool AutoPortDialog::selectPortIn(QComboBox& chooser, const QString& name) {
    int index = -1;
    if (Serialio::FriendlyPortUtil::portInfoListIsPopulated()) {
        const QString display = QString::fromStdString(
            Serialio::FriendlyPortUtil::getFriendlyPortName(name.toStdString()));
        index = chooser.findText(display);
    }
    if (index < 0) index = chooser.findData(name);
    if (index < 0) index = chooser.findText(name);
    if (index < 0) return false;
    chooser.setCurrentIndex(index);
    return true;
}
