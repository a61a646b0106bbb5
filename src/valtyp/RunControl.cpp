// Start and stop of an acquisition, and the view operations it reports to.
//
// Qt widgets may only be touched on the user-interface thread. The worker and
// the keystroke engine call the log operations from their own threads, so a
// log line from another thread is posted to the user-interface thread, in the
// order of the calls; setConnectedInGUI and setText wait for the
// user-interface thread when called from elsewhere, and run at once when
// already on it (the worker's end-of-work step calls from there).

#include "Serialio/IOException.h"
#include "valtyp/Dialogs.h"
#include "valtyp/EventLog.h"
#include "valtyp/InputTab.h"
#include "valtyp/OutputTab.h"
#include "valtyp/Texts.h"
#include "valtyp/VideriRaZivFrame2.h"
#include "worker/FocusGuard.h"
#include "worker/Keybot.h"
#include "worker/ReadingLog.h"
#include "worker/SoundBot.h"
#include "worker/TemplateFiller.h"
#include "worker/WeightWorker.h"

#include <QDateTime>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include <memory>

using namespace ConfigHelper;
using Texts::text;

namespace {

QString message(const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
}

QString notTypedText(const QStringList& values) {
    const QString list = values.join(QStringLiteral(", "));
    if (values.size() == 1) return text("value.not.typed").arg(list);
    return text("values.not.typed").arg(QString::number(values.size()), list);
}

}  // namespace

template <class F>
void VideriRaZivFrame2::onUiThreadAndWait(F&& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    if (!QMetaObject::invokeMethod(this, std::forward<F>(work), Qt::BlockingQueuedConnection)) {
        QMetaObject::invokeMethod(
            this, [this] { dialogs().error(text("error"), text("internal.error")); },
            Qt::QueuedConnection);
    }
}

void VideriRaZivFrame2::startStopJButtonActionPerformed() {
    if (connected) {
        stopAcquisition();
    } else {
        startAcquisition();
    }
}

void VideriRaZivFrame2::startAcquisition() {
    updateConfigFromTabs();
    const Instrument instrument =
        config.getInstrument().value_or(Options<Instrument>::getDefault());
    try {
        keys_ = services_.keyboard(config.getKeyboardType());
        keyBot = std::make_unique<Keybot>(
            *keys_, this, keyMapTypeFor(config), config.getKeyboardType(),
            config.getEveryXValuesAsInt(), getKeyCode(config.getOutputTerminator2()),
            getKeyCode(config.getOutputTerminator()), getKeyCode(config.getStartWith()),
            config.getDelayAsInt());
    } catch (const std::exception& e) {
        releaseRunObjects();
        dialogs().error(text("error"), text("error.initializing.keyboard.output") + message(e));
        return;
    }
    try {
        filler_ = std::make_unique<TemplateFiller>(config);
    } catch (const std::exception& e) {
        releaseRunObjects();
        dialogs().error(text("error"), text("invalid.setting") + message(e));
        return;
    }
    if (!startFocusGuard()) return;
    if (keys_->capsLockOn()) dialogs().warning(text("warning"), text("please.turn.off.caps.lock"));
    try {
        soundBot = SoundBot::create(config.getSound(), services_.sequencers);
    } catch (const std::exception& e) {
        releaseRunObjects();
        dialogs().error(text("sound.output.error"),
                        text("error.while.initializing.sound.output") + message(e));
        return;
    }
    try {
        if (config.ignoreDuplicates) ignorer.emplace(config);
        weightWorker = makeWeightWorker(
            config, *this,
            [this](const QString& title, const QString& text) { dialogs().warning(title, text); });
    } catch (const Serialio::IOException& e) {
        releaseRunObjects();
        dialogs().error(text("error"), text("error.opening.port") + message(e));
        return;
    } catch (const std::invalid_argument& e) {
        releaseRunObjects();
        dialogs().error(text("error"), text("invalid.setting") + message(e));
        return;
    } catch (const std::exception& e) {
        // Anything else also kept the port from opening.
        releaseRunObjects();
        dialogs().error(text("error"), text("error.opening.port") + message(e));
        return;
    }
    keyBot->start();
    logEvent(text("VideriRaZivFrame2.deviceLabel.text") + u' ' + toPlainString(instrument));
    if (!config.getCustomRegEx().isEmpty())
        logEvent(QStringLiteral("Custom regEx: ") + config.getCustomRegEx());
    logEvent(text("keyboard.output.started.type") + u' ' +
             Options<KeyboardType>::toString(config.getKeyboardType()));
    logEvent(text("keyboard.output.through") + u' ' + QString::fromStdString(keys_->describe()));
    if (!config.getOutputTemplate().isEmpty())
        logEvent(text("output.template.used") + u' ' + config.getOutputTemplate());
    if (focusGuard_) logEvent(text("type.only.into.used").arg(config.getTypeOnlyInto()));
    startReadingLog(instrument);
    weightWorker->execute();
}

// Where the focused window cannot be known, the run does not start: typing
// anywhere would be exactly what the operator asked to prevent.
bool VideriRaZivFrame2::startFocusGuard() {
    if (config.getTypeOnlyInto().isEmpty()) return true;
    try {
        if (!services_.focusProbe)
            throw focus::FocusUnknown(text("type.only.into.no.probe").toStdString());
        FocusGuard::Sink sink;
        sink.type = [this](TypingJob job, const DataLine& record) {
            ReadingLog* log = readingLogOn_ ? readingLog_.get() : nullptr;
            if (keyBot) keyBot->add(std::move(job), Keybot::outcomeInto(log, record));
        };
        sink.settled = [this](const DataLine& record, const std::optional<QString>& ignored) {
            if (readingLogOn_ && readingLog_ && ignored)
                readingLog_->append(record, QStringLiteral("ignored: ") + *ignored);
        };
        sink.log = [this](const QString& line) {
            appendLog(line, static_cast<int>(EventLog::Style::Ignored));
        };
        focusGuard_ = std::make_unique<FocusGuard>(
            services_.focusProbe(), config.getTypeOnlyInto(),
            std::chrono::seconds(config.getTypeOnlyIntoHoldSecondsAsInt()), std::move(sink));
    } catch (const std::exception& e) {
        releaseRunObjects();
        dialogs().error(text("error"), text("type.only.into.unavailable") + message(e));
        return false;
    }
    if (!focusPoll_) {
        focusPoll_ = new QTimer(this);
        focusPoll_->setInterval(100);
        connect(focusPoll_, &QTimer::timeout, this, [this] {
            if (focusGuard_) focusGuard_->poll();
        });
    }
    focusPoll_->start();
    return true;
}

void VideriRaZivFrame2::startReadingLog(Instrument instrument) {
    readingLogOn_ = !config.getReadingLog().isEmpty();
    if (!readingLogOn_) return;
    if (readingLog_) {
        readingLog_->retarget(config.getReadingLog(), config.getPort(),
                              Options<Instrument>::name(instrument));
        return;
    }
    readingLog_ = std::make_unique<ReadingLog>(config.getReadingLog(), config.getPort(),
                                               Options<Instrument>::name(instrument),
                                               [this](const QString& m) { logImportantEvent(m); });
}

void VideriRaZivFrame2::stopAcquisition() {
    if (weightWorker) weightWorker->cancel();
    releaseRunObjects();
}

void VideriRaZivFrame2::typingFailed() {
    // Posted: the typing thread that calls is joined by the stop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (connected) stopAcquisition();
        },
        Qt::QueuedConnection);
}

void VideriRaZivFrame2::requestNowButtonActionPerformed() {
    if (connected && weightWorker) weightWorker->requestNow();
}

void VideriRaZivFrame2::showStatus(const QString& text) {
    // Posted, never waited for: the worker may be waiting for a device while the window stops it.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (connected) statusJLabel->setText(text);
        },
        Qt::QueuedConnection);
}

void VideriRaZivFrame2::releaseRunObjects() {
    if (focusPoll_) focusPoll_->stop();
    // Values waiting for the focus are not typed after the run.
    if (focusGuard_) focusGuard_->dropHeld();
    focusGuard_.reset();
    filler_.reset();
    if (keyBot) keyBot->stop();
    // Values still waiting would be typed at the next start, perhaps into
    // another form: they go, and the log says which.
    const QStringList untyped = Keybot::dropQueued();
    if (!untyped.isEmpty()) logImportantEvent(notTypedText(untyped));
    keyBot.reset();
    keys_.reset();
    if (soundBot) soundBot->close();
    soundBot.reset();
    ignorer.reset();
}

void VideriRaZivFrame2::retireWorker() {
    if (!weightWorker || !weightWorker->isDone()) return;
    // Called from the worker's own end-of-work step: it goes once that returned.
    std::shared_ptr<WeightWorker> finished(std::move(weightWorker));
    QMetaObject::invokeMethod(
        this, [finished] {}, Qt::QueuedConnection);
}

void VideriRaZivFrame2::setConnectedInGUI(bool running) {
    onUiThreadAndWait([this, running] {
        connected = running;
        if (running) {
            showRunningLook();
            return;
        }
        showIdleLook();
        // An acquisition that ended by itself (the port went away) leaves
        // nothing behind either. The reading log stays on until here, so that
        // records delivered after a stop are logged too.
        releaseRunObjects();
        readingLogOn_ = false;
        retireWorker();
    });
}

void VideriRaZivFrame2::setText(const QString& text) {
    onUiThreadAndWait([this, text] { statusJLabel->setText(text); });
}

void VideriRaZivFrame2::appendLog(const QString& text, int style) {
    const QDateTime now = QDateTime::currentDateTime();
    auto append = [this, now, text, style] {
        eventLog->appendLine(now, text, static_cast<EventLog::Style>(style));
    };
    if (QThread::currentThread() == thread()) {
        append();
    } else {
        QMetaObject::invokeMethod(this, append, Qt::QueuedConnection);
    }
}

void VideriRaZivFrame2::logEvent(const QString& text) {
    appendLog(text, static_cast<int>(EventLog::Style::Regular));
}

void VideriRaZivFrame2::logImportantEvent(const QString& text) {
    appendLog(text, static_cast<int>(EventLog::Style::Important));
}

void VideriRaZivFrame2::update(DataLine& record) {
    const bool failed = record.getProcessingError().has_value();
    const bool hadValue = record.hasValue();
    if (ignorer && !failed) {
        try {
            ignorer->process(record);
        } catch (const std::invalid_argument& e) {
            logImportantEvent(message(e));
        }
    }
    if (soundBot && record.hasValue()) soundBot->beep();
    // The worker has logged a failed record's error already.
    if (!failed) eventLog->appendRecord(record);
    statusJLabel->setText(text("line.count") + QString::number(record.getCount()));
    if (outputPanel) outputPanel->showRecord(record);
    TypingJob job = keyBot && filler_ ? filler_->jobFor(record) : TypingJob();
    ReadingLog* log = readingLogOn_ ? readingLog_.get() : nullptr;
    const bool typing = !job.isEmpty();
    // A value to type is logged once its fate is known: by the typing engine
    // (typed, or dropped by a stop), or by the focus guard when it is not typed.
    if (log && !typing) {
        log->append(record, readingOutcome(record, QStringLiteral("ignored: stopped"),
                                           hadValue && !record.hasValue()));
    }
    if (typing && focusGuard_) {
        focusGuard_->offer(std::move(job), record);
    } else if (typing) {
        keyBot->add(std::move(job), Keybot::outcomeInto(log, record));
    }
}

void VideriRaZivFrame2::refreshPortsButtonActionPerformed() {
    ports = listPorts();
    inputPanel->setPorts(ports);
}
