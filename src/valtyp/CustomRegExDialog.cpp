#include "valtyp/CustomRegExDialog.h"

#include "config/Instrument.h"
#include "config/ProcessingOptions.h"
#include "config/RecordPattern.h"
#include "valtyp/Dialogs.h"
#include "worker/DataLine.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <optional>
#include <stdexcept>

using ConfigHelper::Instrument;

namespace {

// What the acquisition would make of one record: the value, the marker for
// none, or why the search failed.
QString valueOf(const RecordPattern& pattern, int group, const QString& record,
                const QString& noMatch) {
    try {
        const QString value = extractValue(pattern, record, group);
        return value.isEmpty() ? noMatch : value;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
}

}  // namespace

CustomRegExDialog::CustomRegExDialog(QWidget* owner, const QString& regEx, Instrument instrument,
                                     Dialogs& dialogs)
    : CustomRegExDialog(owner, regEx, instrument, dialogs, {}) {}

CustomRegExDialog::CustomRegExDialog(QWidget* owner, const QString& regEx, Instrument instrument,
                                     Dialogs& dialogs, QStringList records)
    : QDialog(owner),
      regEx(regEx),
      bundle(ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"))),
      instrument_(instrument),
      records_(std::move(records)),
      dialogs_(dialogs) {
    setModal(true);
    setWindowTitle(text("CustomRegExDialog.this.title"));

    dialogPane = new QWidget(this);
    contentPanel = new QWidget(dialogPane);
    label2 = new QLabel(text("CustomRegExDialog.label2.text"), contentPanel);
    label3 = new QLabel(text("CustomRegExDialog.label3.text"), contentPanel);
    label4 = new QLabel(text("CustomRegExDialog.label4.text"), contentPanel);
    scrollPane1 = new QScrollArea(contentPanel);
    scrollPane1->setWidgetResizable(true);
    regExTextArea = new QPlainTextEdit(regEx);
    regExTextArea->setFont(QFont(QStringLiteral("Courier New")));
    scrollPane1->setWidget(regExTextArea);
    previewLabel = new QLabel(text(records_.isEmpty() ? "CustomRegExDialog.previewLabel.text"
                                                      : "CustomRegExDialog.capturedLabel.text"),
                              contentPanel);
    previewPane = new QPlainTextEdit(contentPanel);
    previewPane->setReadOnly(true);
    previewPane->setFont(QFont(QStringLiteral("Courier New")));
    ownRecordLabel = new QLabel(text("CustomRegExDialog.ownRecordLabel.text"), contentPanel);
    ownRecordTextField = new QLineEdit(contentPanel);
    ownRecordTextField->setToolTip(text("CustomRegExDialog.ownRecordTextField.toolTipText"));
    ownRecordValueLabel = new QLabel(contentPanel);
    ownRecordValueLabel->setTextFormat(Qt::PlainText);
    buttonBar = new QDialogButtonBox(dialogPane);
    okButton = buttonBar->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cancelButton = buttonBar->addButton(text("CustomRegExDialog.cancelButton.text"),
                                        QDialogButtonBox::RejectRole);

    auto* content = new QVBoxLayout(contentPanel);
    content->addWidget(label2);
    content->addWidget(label3);
    content->addWidget(label4);
    content->addWidget(scrollPane1, 1);
    content->addWidget(previewLabel);
    content->addWidget(previewPane, 2);
    content->addWidget(ownRecordLabel);
    content->addWidget(ownRecordTextField);
    content->addWidget(ownRecordValueLabel);
    auto* pane = new QVBoxLayout(dialogPane);
    pane->addWidget(contentPanel, 1);
    pane->addWidget(buttonBar);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(dialogPane);
    resize(560, 460);

    connect(okButton, &QPushButton::clicked, this, [this] { okButtonActionPerformed(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancelButtonActionPerformed(); });
    connect(regExTextArea, &QPlainTextEdit::textChanged, this, [this] { updatePreview(); });
    connect(ownRecordTextField, &QLineEdit::textChanged, this, [this] { updatePreview(); });
    updatePreview();
}

QString CustomRegExDialog::text(const char* key) const {
    return bundle.getString(QString::fromLatin1(key));
}

void CustomRegExDialog::updatePreview() {
    const QString typed = regExTextArea->toPlainText();
    // An empty text means the instrument's own expression, as in a run.
    const QString expression = typed.isEmpty() ? ConfigHelper::getPattern(instrument_) : typed;
    QStringList lines;
    if (typed.isEmpty()) lines << text("CustomRegExDialog.instrumentExpression") + expression;
    std::optional<RecordPattern> pattern;
    try {
        pattern = RecordPattern::compile(expression);
    } catch (const std::invalid_argument& e) {
        lines << text("CustomRegExDialog.doesNotCompile") + QString::fromLocal8Bit(e.what());
    }
    if (pattern && !ConfigHelper::CustomRegEx::valid(expression)) {
        lines << text("CustomRegExDialog.noGroup");
        pattern.reset();
    }
    const int group = ConfigHelper::getCaptureGroup(instrument_);
    const QString noMatch = text("CustomRegExDialog.noMatch");
    if (pattern) {
        QStringList records = records_;
        if (records.isEmpty()) {
            for (const auto& [record, expected] : ConfigHelper::getTestStrings(instrument_))
                records << record;
        }
        for (const QString& record : records) {
            lines << DataLine::transformControlChars(record) + QStringLiteral("  \u2192  ") +
                         valueOf(*pattern, group, record, noMatch);
        }
    }
    previewPane->setPlainText(lines.join(u'\n'));
    const QString own = ownRecordTextField->text();
    ownRecordValueLabel->setText(pattern && !own.isEmpty()
                                     ? QStringLiteral("\u2192  ") +
                                           valueOf(*pattern, group, own, noMatch)
                                     : QString());
}

void CustomRegExDialog::okButtonActionPerformed() {
    const QString typed = regExTextArea->toPlainText();
    if (!ConfigHelper::CustomRegEx::valid(typed)) {
        dialogs_.error(text("error"), text("invalid.expression"));
        return;
    }
    regEx = typed;
    accept();
}

void CustomRegExDialog::cancelButtonActionPerformed() {
    close();
}

void CustomRegExDialog::close() {
    reject();
}
