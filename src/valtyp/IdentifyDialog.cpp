#include "valtyp/IdentifyDialog.h"

#include "config/Config.h"
#include "valtyp/Texts.h"
#include "worker/DataLine.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace ConfigHelper;
using Texts::text;

namespace {

// A control with its accessible name from its label's words.
template <class W>
W* labelled(W* control, QLabel* label, const char* objectName) {
    control->setObjectName(QLatin1StringView(objectName));
    QString words = label->text().trimmed();
    if (words.endsWith(u':')) words.chop(1);
    control->setAccessibleName(words);
    label->setBuddy(control);
    return control;
}

QPlainTextEdit* pane(QWidget* parent) {
    auto* p = new QPlainTextEdit(parent);
    p->setReadOnly(true);
    p->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    p->setMaximumBlockCount(200);
    return p;
}

QString hex(const QString& bytes) {
    QString out;
    for (QChar c : bytes) {
        if (!out.isEmpty()) out += u' ';
        out += QStringLiteral("%1").arg(c.unicode(), 2, 16, QChar(u'0')).toUpper();
    }
    return out;
}

QString filled(QString pattern, const QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i)
        pattern.replace(QStringLiteral("{%1}").arg(i), args[i]);
    return pattern;
}

}  // namespace

IdentifyDialog::IdentifyDialog(QWidget* owner, const QString& port,
                               std::optional<LineSetting> first,
                               InstrumentIdentifier::Timings timings, Actions actions)
    : QDialog(owner), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("IdentifyDialog"));
    setWindowTitle(text("IdentifyDialog.this.title"));
    setAttribute(Qt::WA_DeleteOnClose);

    settingsLabel = new QLabel(text("IdentifyDialog.settingsLabel.text"), this);
    settingsValueLabel = labelled(new QLabel(this), settingsLabel, "settingsValueLabel");
    readableLabel = new QLabel(text("IdentifyDialog.readableLabel.text"), this);
    readablePane = labelled(pane(this), readableLabel, "readablePane");
    hexLabel = new QLabel(text("IdentifyDialog.hexLabel.text"), this);
    hexPane = labelled(pane(this), hexLabel, "hexPane");
    resultLabel = new QLabel(text("IdentifyDialog.listening"), this);
    resultLabel->setObjectName(QStringLiteral("resultLabel"));
    resultLabel->setWordWrap(true);
    instrumentsLabel = new QLabel(text("IdentifyDialog.instrumentsLabel.text"), this);
    instrumentList = labelled(new QTreeWidget(this), instrumentsLabel, "instrumentList");
    instrumentList->setRootIsDecorated(false);
    instrumentList->setHeaderLabels({text("IdentifyDialog.instrumentColumn"),
                                     text("IdentifyDialog.valueColumn"),
                                     text("IdentifyDialog.recordsColumn")});
    instrumentList->header()->setSectionResizeMode(0, QHeaderView::Stretch);

    auto* buttons = new QDialogButtonBox(this);
    useButton =
        buttons->addButton(text("IdentifyDialog.useButton.text"), QDialogButtonBox::AcceptRole);
    expressionButton = buttons->addButton(text("IdentifyDialog.expressionButton.text"),
                                          QDialogButtonBox::ActionRole);
    cancelButton =
        buttons->addButton(text("IdentifyDialog.cancelButton.text"), QDialogButtonBox::RejectRole);
    useButton->setObjectName(QStringLiteral("useButton"));
    expressionButton->setObjectName(QStringLiteral("expressionButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    useButton->setEnabled(false);
    expressionButton->setEnabled(false);

    auto* grid = new QGridLayout;
    grid->addWidget(settingsLabel, 0, 0);
    grid->addWidget(settingsValueLabel, 0, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(readableLabel);
    layout->addWidget(readablePane, 1);
    layout->addWidget(hexLabel);
    layout->addWidget(hexPane, 1);
    layout->addWidget(resultLabel);
    layout->addWidget(instrumentsLabel);
    layout->addWidget(instrumentList, 2);
    layout->addWidget(buttons);
    resize(640, 560);

    // The buttons' own handlers: the box's accept and reject would close.
    connect(useButton, &QPushButton::clicked, this, [this] { useButtonActionPerformed(); });
    connect(expressionButton, &QPushButton::clicked, this,
            [this] { expressionButtonActionPerformed(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancelButtonActionPerformed(); });
    connect(instrumentList, &QTreeWidget::itemDoubleClicked, this,
            [this] { useButtonActionPerformed(); });

    worker_ = std::make_unique<IdentifyWorker>(
        InstrumentIdentifier(port, timings, first),
        IdentifyWorker::Callbacks{[this](const IdentifyEvent& e) { progress(e); },
                                  [this](const std::optional<Identification>& id,
                                         const QString& error) { finished(id, error); }});
    worker_->execute();
}

IdentifyDialog::~IdentifyDialog() {
    worker_.reset();  // stops and joins a run still going while the widgets exist
}

void IdentifyDialog::progress(const IdentifyEvent& e) {
    switch (e.kind) {
        case IdentifyEvent::Kind::Trying:
            settingsValueLabel->setText(e.text);
            readablePane->appendPlainText(filled(text("IdentifyDialog.trying"), {e.text}));
            break;
        case IdentifyEvent::Kind::Request:
            readablePane->appendPlainText(
                filled(text("IdentifyDialog.asking"), {DataLine::transformControlChars(e.text)}));
            break;
        case IdentifyEvent::Kind::Bytes:
            readablePane->appendPlainText(DataLine::transformControlChars(e.text));
            hexPane->appendPlainText(hex(e.text));
            break;
    }
}

void IdentifyDialog::finished(const std::optional<Identification>& id, const QString& error) {
    cancelButton->setText(text("IdentifyDialog.closeButton.text"));
    if (!id) {
        resultLabel->setText(error.isEmpty() ? text("IdentifyDialog.stopped") : error);
        return;
    }
    result_ = id;
    if (!id->lines) {
        resultLabel->setText(text("IdentifyDialog.nothing"));
        return;
    }
    settingsValueLabel->setText(id->lines->toString());
    const QString terminator =
        id->terminator ? DataLine::transformControlChars(QString(QChar(char16_t(*id->terminator))))
                       : text("IdentifyDialog.none");
    const QString request = id->request.isEmpty() ? text("IdentifyDialog.none")
                                                  : DataLine::transformControlChars(id->request);
    QString summary =
        filled(text("IdentifyDialog.found"), {id->lines->toString(), terminator, request});
    for (const RankedInstrument& r : id->instruments) {
        if (r.values == 0) continue;
        auto* item = new QTreeWidgetItem(
            instrumentList, {toPlainString(r.instrument), r.value,
                             QStringLiteral("%1 / %2").arg(r.values).arg(id->records.size())});
        item->setData(0, Qt::UserRole, Options<Instrument>::ordinal(r.instrument));
    }
    if (instrumentList->topLevelItemCount() > 0) {
        instrumentList->setCurrentItem(instrumentList->topLevelItem(0));
        useButton->setEnabled(true);
        useButton->setDefault(true);
    } else {
        summary += u' ' + text("IdentifyDialog.noneFits");
    }
    resultLabel->setText(summary);
    expressionButton->setEnabled(id->terminator.has_value());
}

std::optional<IdentifyDialog::Found> IdentifyDialog::found() const {
    if (!result_ || !result_->lines) return std::nullopt;
    Found f;
    f.lines = *result_->lines;
    f.terminator = result_->terminator.value_or(13);
    f.request = result_->request;
    if (auto* item = instrumentList->currentItem()) {
        f.instrument = *Options<Instrument>::fromOrdinal(item->data(0, Qt::UserRole).toInt());
    } else {
        f.instrument = Options<Instrument>::getDefault();
    }
    return f;
}

void IdentifyDialog::useButtonActionPerformed() {
    const auto f = found();
    if (!f || !instrumentList->currentItem()) return;
    if (actions_.use) actions_.use(*f);
    close();
}

void IdentifyDialog::expressionButtonActionPerformed() {
    const auto f = found();
    if (!f) return;
    if (actions_.writeExpression) actions_.writeExpression(*f, result_->records);
    close();
}

void IdentifyDialog::cancelButtonActionPerformed() {
    if (isRunning()) {
        worker_->cancel();
        return;  // the end of the run turns the button into "Close"
    }
    close();
}

void IdentifyDialog::closeEvent(QCloseEvent* event) {
    if (isRunning()) worker_->cancel();
    hide();
    event->accept();  // deletes the window, and with it the worker, which joins its thread
}

void IdentifyDialog::reject() {
    close();
}
