#include "worker/AutoPortWorker.h"

#include "Serialio/IOException.h"
#include "Serialio/SerialConfig.h"
#include "Serialio/SerialPortLocal.h"
#include "config/ResourceBundle.h"
#include "platform/StopPause.h"

#include <exception>
#include <memory>
#include <utility>

using Serialio::SerialConfig;
using Serialio::SerialPortLocal;

AutoPortWorker::AutoPortWorker(AutoPortWorkerView& view, QStringList ports,
                               std::chrono::milliseconds pause)
    : resourceBundle(ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"))),
      view(view),
      ports(std::move(ports)),
      pause_(pause),
      task_(Task::Callbacks{[this](std::stop_token stop, const Task::Publish& publish) {
                                return doInBackground(std::move(stop), publish);
                            },
                            [this](std::vector<QString>& lines) {
                                for (const QString& line : lines) this->view.update(line);
                            },
                            [this](const Task::Completion& completion) { done(completion); }}) {}

void AutoPortWorker::execute() {
    view.setButtonToCancel();
    task_.execute();
}

QString AutoPortWorker::text(const char* key) const {
    return resourceBundle.getString(QString::fromLatin1(key));
}

std::optional<QString> AutoPortWorker::doInBackground(std::stop_token stop,
                                                      const Task::Publish& publish) {
    publish(text("auto.port.detection.started"));
    for (const QString& name : ports) {
        if (stop.stop_requested()) throw Interrupted();
        currentPortConfidence = 0;
        publish(text("testing.port.0").replace(QStringLiteral("{0}"), name));
        try {
            currentPortConfidence = testPort(name, stop);
        } catch (const Serialio::IOException& e) {
            // One port that cannot be tested does not end the search.
            publish(QString::fromLocal8Bit(e.what()));
            continue;
        }
        if (currentPortConfidence > bestPortConfidence) {
            bestPortName = name;
            bestPortConfidence = currentPortConfidence;
        }
        publish(text("confidence") + u' ' + QString::number(currentPortConfidence));
    }
    return bestPortName;
}

int AutoPortWorker::testPort(const QString& qname, std::stop_token stop) {
    const std::string name = qname.toStdString();
    SerialPortLocal::addPortName(name);
    // The option tables' defaults: 9600 bit/s, 8 data bits, no parity, 1 stop bit.
    SerialConfig settings(name);
    settings.setBitRate(SerialConfig::BR_9600);
    settings.setDataBits(SerialConfig::LN_8BITS);
    settings.setParity(SerialConfig::PY_NONE);
    settings.setStopBits(SerialConfig::ST_1BITS);
    auto sp = std::make_unique<SerialPortLocal>(settings);
    // Every way out before the end below (a stop in a pause, a failing line call) still
    // drops both lines before closing: a device must not be left seeing a ready terminal.
    struct LinesDroppedOnExit {
        SerialPortLocal* port;
        ~LinesDroppedOnExit() {
            if (!port) return;
            try {
                port->setDTR(false);
            } catch (const std::exception&) {
                // The other line and the close are still worth trying.
            }
            try {
                port->setRTS(false);
            } catch (const std::exception&) {
            }
            try {
                port->close();
            } catch (const std::exception&) {
            }
        }
    } onExit{sp.get()};
    platform::StopPause settle(stop);
    auto wait = [&] {
        if (settle.pause(pause_)) throw Interrupted();
    };

    int confidence = 0;
    sp->setDTR(false);
    sp->setRTS(false);
    wait();
    if (sp->sigDSR()) {
        // The far end holds DSR on by itself.
        sp->setDTR(true);
        sp->setRTS(true);
        wait();
        if (sp->sigDSR() && sp->sigCTS()) {
            confidence = qname == u"COM3" ? 1 : 3;
        } else {
            confidence = 1;
        }
    } else {
        sp->setDTR(true);
        wait();
        if (sp->sigDSR()) {
            // DSR follows DTR.
            sp->setRTS(true);
            wait();
            confidence = sp->sigDSR() && sp->sigCTS() ? 2 : 1;
        } else {
            sp->setRTS(true);
            wait();
            confidence = sp->sigCTS() ? 1 : 0;
        }
    }
    sp->setDTR(false);
    sp->setRTS(false);
    sp->close();
    onExit.port = nullptr;
    return confidence;
}

void AutoPortWorker::done(const Task::Completion& completion) {
    using Kind = Task::Completion::Kind;
    view.setButtonToClose();
    switch (completion.kind) {
        case Kind::Normal:
            if (completion.result && *completion.result) {
                view.setPort(**completion.result);
                view.update(text("best.port") + u' ' + **completion.result);
            } else {
                view.update(text("could.not.auto.detect.port"));
            }
            break;
        case Kind::Cancelled:
            view.update(text("stopped"));
            break;
        case Kind::Interrupted:
            view.update(text("interrupted"));
            break;
        case Kind::Failed:
            view.update(text("execution.exception") + completion.error);
            break;
    }
}
