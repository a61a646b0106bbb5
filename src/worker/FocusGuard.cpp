#include "worker/FocusGuard.h"

#include "config/OutputTemplate.h"
#include "config/ResourceBundle.h"

namespace {

QString workerText(const char* key) {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"))
        .getString(QString::fromLatin1(key));
}

}  // namespace

FocusGuard::FocusGuard(std::unique_ptr<focus::FocusProbe> probe, QString window,
                       std::chrono::seconds hold, Sink sink)
    : probe_(std::move(probe)),
      window_(std::move(window)),
      hold_(hold),
      sink_(std::move(sink)),
      elsewhere_(workerText("focus.elsewhere")),
      nowhere_(workerText("focus.nowhere")),
      ignoredText_(workerText("focus.value.ignored")),
      heldText_(workerText("focus.value.held")),
      typedLateText_(workerText("focus.value.typed.late")) {}

std::optional<QString> FocusGuard::refusal() {
    const auto window = probe_->focused();
    if (!window) return nowhere_.arg(window_);
    const QString title = QString::fromStdString(window->title);
    if (!title.isEmpty() && ConfigHelper::TypeOnlyInto::matches(window_, title))
        return std::nullopt;
    for (const std::string& program : window->programs) {
        if (ConfigHelper::TypeOnlyInto::matches(window_, QString::fromStdString(program)))
            return std::nullopt;
    }
    return elsewhere_.arg(QString::fromStdString(window->shownName()), window_);
}

void FocusGuard::offer(TypingJob job, const DataLine& record, Clock::time_point now) {
    const auto reason = refusal();
    if (!reason) {
        // Held values go first, so that the window gets them in order.
        typeHeld();
        sink_.type(std::move(job), record);
        sink_.settled(record, std::nullopt);
        return;
    }
    if (hold_.count() <= 0) return giveUp({std::move(job), record, now, *reason}, *reason);
    sink_.log(heldText_.arg(job.shown(), QString::number(hold_.count()), *reason));
    held_.push_back({std::move(job), record, now + hold_, *reason});
}

void FocusGuard::poll(Clock::time_point now) {
    if (held_.empty()) return;
    const auto reason = refusal();
    if (!reason) return typeHeld();
    while (!held_.empty() && held_.front().until <= now) {
        const Held expired = std::move(held_.front());
        held_.pop_front();
        giveUp(expired, *reason);
    }
}

void FocusGuard::dropHeld() {
    while (!held_.empty()) {
        const Held dropped = std::move(held_.front());
        held_.pop_front();
        giveUp(dropped, dropped.reason);
    }
}

void FocusGuard::typeHeld() {
    while (!held_.empty()) {
        Held next = std::move(held_.front());
        held_.pop_front();
        sink_.log(typedLateText_.arg(next.job.shown()));
        sink_.type(std::move(next.job), next.record);
        sink_.settled(next.record, std::nullopt);
    }
}

void FocusGuard::giveUp(const Held& held, const QString& reason) {
    sink_.log(ignoredText_.arg(held.job.shown(), reason));
    sink_.settled(held.record, reason);
}
