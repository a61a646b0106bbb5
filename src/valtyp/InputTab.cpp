#include "valtyp/InputTab.h"

#include "Serialio/FriendlyPortUtil.h"
#include "config/RequestOptions.h"
#include "valtyp/Dialogs.h"
#include "valtyp/FocusVeto.h"
#include "valtyp/TabForm.h"
#include "valtyp/TextFieldUpdate.h"
#include "valtyp/Texts.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace ConfigHelper;
using namespace TabForm;

InputTab::InputTab(Config& config, Dialogs& dialogs, Hooks hooks, QWidget* parent)
    : QWidget(parent), config_(config), dialogs_(dialogs), hooks_(std::move(hooks)) {
    buildControls();
    layOut();
    connectHandlers();
}

InputTab::~InputTab() = default;

void InputTab::addRequestControls(FocusVeto& veto) {
    dataCommandTextField =
        named(new QLineEdit(config_.getDataCommand(), this), "dataCommandTextField");
    requestIntervalTextField =
        named(new QLineEdit(config_.getRequestInterval(), this), "requestIntervalTextField");
    const TextFieldUpdate::Context context{config_, dialogs_, hooks_.isClosing,
                                           hooks_.selectInputTab};
    dataCommandUpdate_ =
        std::make_unique<DataCommandTextFieldUpdate>(*dataCommandTextField, context);
    requestIntervalUpdate_ =
        std::make_unique<RequestIntervalTextFieldUpdate>(*requestIntervalTextField, context);
    veto.guard(*dataCommandUpdate_);
    veto.guard(*requestIntervalUpdate_);
    auto* grid = static_cast<QGridLayout*>(layout());
    // The rows go above the stretch that closes the form.
    const int stretchRow = grid->rowCount() - 1;
    grid->setRowStretch(stretchRow, 0);
    addRow(*grid, "dataCommandLabel", dataCommandTextField);
    addRow(*grid, "requestIntervalLabel", requestIntervalTextField);
    grid->setRowStretch(grid->rowCount(), 1);
    setTabOrder(defaultButton, dataCommandTextField);
    setTabOrder(dataCommandTextField, requestIntervalTextField);
}

void InputTab::buildControls() {
    portList = named(new QComboBox(this), "portList");
    portList->setMinimumContentsLength(24);
    portList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    instrumentBox = named(new QComboBox(this), "instrumentBox");
    for (Instrument i : Options<Instrument>::values()) {
        instrumentBox->addItem(toPlainString(i), Options<Instrument>::ordinal(i));
        // Text instruments (bar-code readers) are set apart in italics.
        if (isTextInstrument(i)) {
            QFont italic = instrumentBox->font();
            italic.setItalic(true);
            instrumentBox->setItemData(instrumentBox->count() - 1, italic, Qt::FontRole);
        }
    }
    const Instrument chosen = config_.getInstrument().value_or(Options<Instrument>::getDefault());
    instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(chosen));

    bitRateBox = optionBox<BitRates>("bitRateBox", config_.getBitRate(), this);
    dataBitsBox = optionBox<DataBits>("dataBitsBox", config_.getDataBits(), this);
    stopBitsBox = optionBox<StopBits>("stopBitsBox", config_.getStopBits(), this);
    parityBox = optionBox<Parity>("parityBox", config_.getParity(), this);

    inputTerminatorBox = named(new QComboBox(this), "inputTerminatorBox");
    inputTerminatorBox->setEditable(true);
    inputTerminatorBox->setInsertPolicy(QComboBox::NoInsert);
    for (InputTerminator t : Options<InputTerminator>::values()) {
        inputTerminatorBox->addItem(
            InputTerminatorCode::listText(InputTerminatorCode::getDecimal(t)));
    }
    showTerminator(config_.getInputTerminator());

    refreshPortsButton = button("refreshPortsButton", this);
    autoButton = button("autoButton", this);
    customizeButton = button("customizeButton", this);
    identifyButton = button("identifyButton", this);
    defaultButton = button("defaultButton", this);
}

void InputTab::layOut() {
    auto* grid = formGrid(this);
    auto* portButtons = new QHBoxLayout;
    portButtons->setContentsMargins(0, 0, 0, 0);
    portButtons->addWidget(refreshPortsButton);
    portButtons->addWidget(autoButton);
    portButtons->addWidget(identifyButton);
    addRow(*grid, "portLabel", portList);
    grid->addLayout(portButtons, grid->rowCount() - 1, 2);
    addRow(*grid, "deviceLabel", instrumentBox, customizeButton);
    addRow(*grid, "bitRateLabel", bitRateBox);
    addRow(*grid, "dataBitsLabel", dataBitsBox);
    addRow(*grid, "stopBitsLabel", stopBitsBox);
    addRow(*grid, "parityLabel", parityBox);
    addRow(*grid, "inputTerminatorLabel", inputTerminatorBox, defaultButton);
    grid->setRowStretch(grid->rowCount(), 1);
    focusInOrder({portList, refreshPortsButton, autoButton, identifyButton, instrumentBox,
                  customizeButton, bitRateBox, dataBitsBox, stopBitsBox, parityBox,
                  inputTerminatorBox, defaultButton});
}

void InputTab::connectHandlers() {
    connect(portList, &QComboBox::currentIndexChanged, this,
            [this] { portListItemStateChanged(); });
    connect(instrumentBox, &QComboBox::currentIndexChanged, this,
            [this] { instrumentBoxItemStateChanged(true); });
    connect(bitRateBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { config_.setBitRate(i); });
    connect(dataBitsBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { config_.setDataBits(i); });
    connect(stopBitsBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { config_.setStopBits(i); });
    connect(parityBox, &QComboBox::currentIndexChanged, this,
            [this](int i) { config_.setParity(i); });
    // A list entry chosen, or a typed code confirmed or left.
    connect(inputTerminatorBox, &QComboBox::activated, this,
            [this] { inputTerminatorBoxItemStateChanged(); });
    connect(inputTerminatorBox->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { inputTerminatorBoxItemStateChanged(); });
    connect(refreshPortsButton, &QPushButton::clicked, this, [this] {
        if (hooks_.refreshPorts) hooks_.refreshPorts();
    });
    connect(defaultButton, &QPushButton::clicked, this, [this] { defaultButtonActionPerformed(); });
}

void InputTab::setPorts(const QStringList& ports) {
    const QSignalBlocker quiet(portList);
    portList->clear();
    for (const QString& port : ports) {
        const auto display = Serialio::FriendlyPortUtil::getFriendlyPortName(port.toStdString());
        portList->addItem(QString::fromStdString(display), port);
    }
    const int current = portList->findData(config_.getPort());
    portList->setCurrentIndex(current >= 0 ? current : (ports.isEmpty() ? -1 : 0));
}

std::optional<QString> InputTab::selectedPort() const {
    if (portList->currentIndex() < 0) return std::nullopt;
    return portList->currentData().toString();
}

void InputTab::portListItemStateChanged() {
    if (auto port = selectedPort()) config_.setPort(*port);
}

std::optional<Instrument> InputTab::selectedInstrument() const {
    return Options<Instrument>::fromOrdinal(instrumentBox->currentIndex());
}

void InputTab::instrumentBoxItemStateChanged(bool previousDeselected) {
    const auto instrument = selectedInstrument();
    if (!instrument) return;
    config_.setInstrument(*instrument);
    if (!previousDeselected || config_.getCustomRegEx().isEmpty()) return;
    instrumentBox->hidePopup();
    if (dialogs_.askYesNo(QStringLiteral("Confirm"),
                          QStringLiteral("Overwrite custom regular expression?"))) {
        config_.setCustomRegEx(QString());
    }
}

void InputTab::showTerminator(int code) {
    const QString entry = InputTerminatorCode::listText(code);
    int index = inputTerminatorBox->findText(entry);
    if (index < 0) {
        inputTerminatorBox->addItem(entry);
        index = inputTerminatorBox->count() - 1;
    }
    inputTerminatorBox->setCurrentIndex(index);
    inputTerminatorBox->setEditText(entry);
}

void InputTab::inputTerminatorBoxItemStateChanged() {
    // The error dialog takes the focus, which ends the editing a second time.
    if (checkingTerminator_) return;
    checkingTerminator_ = true;
    if (const auto code = InputTerminatorCode::fromListText(inputTerminatorBox->currentText())) {
        config_.setInputTerminator(*code);
        showTerminator(*code);
    } else {
        if (!hooks_.isClosing()) {
            dialogs_.error(Texts::text("error"),
                           Texts::text("terminator.must.be.between.0.and.255"));
        }
        showTerminator(config_.getInputTerminator());
        QTimer::singleShot(0, this, [this] { hooks_.selectInputTab(); });
    }
    checkingTerminator_ = false;
}

void InputTab::selectLineSettings(const Config& lines) {
    bitRateBox->setCurrentIndex(lines.getBitRate());
    dataBitsBox->setCurrentIndex(lines.getDataBits());
    stopBitsBox->setCurrentIndex(lines.getStopBits());
    parityBox->setCurrentIndex(lines.getParity());
    showTerminator(lines.getInputTerminator());
    config_.setInputTerminator(lines.getInputTerminator());
}

void InputTab::defaultButtonActionPerformed() {
    const auto instrument = selectedInstrument();
    if (!instrument) {
        dialogs_.error(Texts::text("error"),
                       Texts::text("no.default.values.available.for.this.device"));
        return;
    }
    if (const auto message = getDefaultMessage(*instrument)) {
        dialogs_.information(QStringLiteral("Info"), *message);
    }
    const Config defaults = getDefaultConfig(*instrument);
    selectLineSettings(defaults);
    // Only an instrument that waits to be asked brings its own pace.
    if (requestIntervalTextField && !defaults.getRequestInterval().isEmpty()) {
        requestIntervalTextField->setText(defaults.getRequestInterval());
        config_.setRequestInterval(defaults.getRequestInterval());
    }
}

void InputTab::useIdentified(Instrument instrument, const Config& lines, const QString& request) {
    instrumentBox->setCurrentIndex(Options<Instrument>::ordinal(instrument));
    selectLineSettings(lines);
    if (request.isEmpty() || !dataCommandTextField) return;
    const QString command = DataCommand::encode(request);
    dataCommandTextField->setText(command);
    config_.setDataCommand(command);
    if (config_.getRequestIntervalAsInt() == 0) {
        requestIntervalTextField->setText(QStringLiteral("1000"));
        config_.setRequestInterval(QStringLiteral("1000"));
    }
}

void InputTab::updateConfig() {
    portListItemStateChanged();
    instrumentBoxItemStateChanged(false);
    config_.setBitRate(bitRateBox->currentIndex());
    config_.setDataBits(dataBitsBox->currentIndex());
    config_.setStopBits(stopBitsBox->currentIndex());
    config_.setParity(parityBox->currentIndex());
    inputTerminatorBoxItemStateChanged();
    if (dataCommandUpdate_) dataCommandUpdate_->update();
    if (requestIntervalUpdate_) requestIntervalUpdate_->update();
}
