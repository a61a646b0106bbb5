// The window's tabs and panels, and its idle and running look.

#include "valtyp/AboutPanel.h"
#include "valtyp/Dialogs.h"
#include "valtyp/EventLog.h"
#include "valtyp/FocusVeto.h"
#include "valtyp/InputTab.h"
#include "valtyp/OutputTab.h"
#include "valtyp/ProcessingTab.h"
#include "valtyp/SettingsTab.h"
#include "valtyp/Texts.h"
#include "valtyp/VideriRaZivFrame2.h"
#include "valtyp/util/JLabelHtml.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using Texts::text;

namespace {

constexpr int kFirstSettingsTab = 1;
constexpr int kSettingsTabs = 4;  // input, processing, output, settings

QString frameText(const char* field, const char* suffix) {
    return Texts::bundle().getString(QStringLiteral("VideriRaZivFrame2.") +
                                     QLatin1StringView(field) + QLatin1StringView(suffix));
}

QWidget* panel(const char* name) {
    auto* w = new QWidget;
    w->setObjectName(QLatin1StringView(name));
    return w;
}

}  // namespace

void VideriRaZivFrame2::initComponents() {
    tabbedPane = new QTabWidget(this);
    tabbedPane->setObjectName(QStringLiteral("tabbedPane"));
    panel1 = buildStartPanel();
    buildSettingsTabs();
    connectDialogButtons();
    eventLogPanel = buildEventLogPanel();
    aboutPanel = buildAboutPanel();
    const std::pair<QWidget*, const char*> tabs[] = {{panel1, "panel1"},
                                                     {inputPanel, "inputPanel"},
                                                     {processingPanel, "processingPanel"},
                                                     {outputPanel, "outputPanel"},
                                                     {settingsPanel, "settingsPanel"},
                                                     {eventLogPanel, "eventLogPanel"},
                                                     {aboutPanel, "aboutPanel"}};
    for (const auto& [widget, name] : tabs) {
        widget->setObjectName(QLatin1StringView(name));
        tabbedPane->addTab(widget, frameText(name, ".tab.title"));
    }
    currentPanel_ = panel1;
    connect(tabbedPane, &QTabWidget::currentChanged, this,
            [this](int i) { tabbedPaneStateChanged(i); });

    statusJLabel = new JLabelHtml(linkOpener(), this);
    statusJLabel->setObjectName(QStringLiteral("statusJLabel"));
    statusJLabel->setText(frameText("statusJLabel", ".text"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabbedPane, 1);
    layout->addWidget(statusJLabel);
    resize(640, 440);
}

QWidget* VideriRaZivFrame2::buildStartPanel() {
    QWidget* p = panel("panel1");
    startStopJButton = new QPushButton(frameText("startStopJButton", ".text"), p);
    startStopJButton->setObjectName(QStringLiteral("startStopJButton"));
    startStopJButton->setToolTip(frameText("startStopJButton", ".toolTipText"));
    startStopJButton->setMinimumSize(200, 80);
    QFont big = startStopJButton->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    startStopJButton->setFont(big);
    connect(startStopJButton, &QPushButton::clicked, this,
            [this] { startStopJButtonActionPerformed(); });
    requestNowButton = new QPushButton(frameText("requestNowButton", ".text"), p);
    requestNowButton->setObjectName(QStringLiteral("requestNowButton"));
    requestNowButton->setToolTip(frameText("requestNowButton", ".toolTipText"));
    requestNowButton->setEnabled(false);
    connect(requestNowButton, &QPushButton::clicked, this,
            [this] { requestNowButtonActionPerformed(); });
    auto* layout = new QGridLayout(p);
    layout->addWidget(startStopJButton, 0, 0, Qt::AlignCenter);
    layout->addWidget(requestNowButton, 1, 0, Qt::AlignCenter);
    return p;
}

void VideriRaZivFrame2::buildSettingsTabs() {
    focusVeto_ = new FocusVeto(*this);
    inputPanel = new InputTab(config, dialogs(),
                              {[] { return isClosing(); }, [this] { selectPanel(inputPanel); },
                               [this] { refreshPortsButtonActionPerformed(); }});
    inputPanel->setPorts(ports);
    inputPanel->addRequestControls(*focusVeto_);
    processingPanel = new ProcessingTab(
        {config, dialogs(), [] { return isClosing(); }, [this] { selectPanel(processingPanel); }},
        *focusVeto_);
    outputPanel = new OutputTab(
        {config, dialogs(), [] { return isClosing(); }, [this] { selectPanel(outputPanel); }},
        *focusVeto_);
    settingsPanel = new SettingsTab(config);
    settingsPanel->setFolderChooser([this](const QString& current) {
        return dialogs().chooseFolder(Texts::text("choose.reading.log.folder"), current);
    });
    for (QRadioButton* button :
         {settingsPanel->manualConnectButton, settingsPanel->autoConnectButton}) {
        connect(button, &QRadioButton::clicked, this, [this] { connectButtonActionPerformed(); });
    }
}

QWidget* VideriRaZivFrame2::buildEventLogPanel() {
    QWidget* p = panel("eventLogPanel");
    eventLogPane = new QPlainTextEdit(p);
    eventLogPane->setObjectName(QStringLiteral("eventLog"));
    eventLog = std::make_unique<EventLog>(*eventLogPane);
    auto* layout = new QVBoxLayout(p);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(eventLogPane);
    return p;
}

QWidget* VideriRaZivFrame2::buildAboutPanel() {
    return AboutPanel::build(linkOpener());
}

void VideriRaZivFrame2::selectPanel(QWidget* panel) {
    const int index = tabbedPane->indexOf(panel);
    if (index >= 0) tabbedPane->setCurrentIndex(index);
}

void VideriRaZivFrame2::showRunningLook() {
    startStopJButton->setText(frameText("startStopJButton", ".textStop"));
    switchingLook_ = true;
    if (tabbedPane->indexOf(inputPanel) == kFirstSettingsTab) {
        for (int i = 0; i < kSettingsTabs; ++i) tabbedPane->removeTab(kFirstSettingsTab);
    }
    switchingLook_ = false;
    statusJLabel->setText(text("switch.to.target.application"));
    requestNowButton->setEnabled(!config.requestBytes().empty());
}

void VideriRaZivFrame2::showIdleLook() {
    startStopJButton->setText(frameText("startStopJButton", ".text"));
    switchingLook_ = true;
    if (tabbedPane->indexOf(inputPanel) < 0) {
        const std::pair<QWidget*, const char*> removed[] = {{inputPanel, "inputPanel"},
                                                            {processingPanel, "processingPanel"},
                                                            {outputPanel, "outputPanel"},
                                                            {settingsPanel, "settingsPanel"}};
        int index = kFirstSettingsTab;
        for (const auto& [widget, name] : removed) {
            tabbedPane->insertTab(index++, widget, frameText(name, ".tab.title"));
        }
    }
    switchingLook_ = false;
    statusJLabel->setText(frameText("statusJLabel", ".text"));
    requestNowButton->setEnabled(false);
}
