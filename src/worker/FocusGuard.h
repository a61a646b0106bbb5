#pragma once
// Types a value only while the chosen window has the keyboard focus. A
// value that arrives while the focus is elsewhere is not typed and the log
// says why; with holding on, it waits up to a time limit and is typed, in
// order, as soon as the chosen window has the focus again.
//
// Used on one thread (the user-interface thread, or the console's event
// loop): offer() for each value, poll() a few times a second while
// holding() says values wait.

#include "platform/focus/FocusProbe.h"
#include "worker/DataLine.h"
#include "worker/Keybot.h"

#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class FocusGuard {
  public:
    using Clock = std::chrono::steady_clock;

    struct Sink {
        // Type this now; whether the keys went out is the typing engine's to say.
        std::function<void(TypingJob job, const DataLine& record)> type;
        // What the guard decided for a record: handed to typing (no reason) or not (why).
        std::function<void(const DataLine& record, const std::optional<QString>& ignored)> settled;
        // A line for the event log about a value not typed, or not yet.
        std::function<void(const QString& line)> log;
    };

    // `window` is the pattern of TypeOnlyInto; a hold of 0 types nothing
    // that arrives while the focus is elsewhere. Throws
    // MissingResourceException when the worker bundle lacks a text.
    FocusGuard(std::unique_ptr<focus::FocusProbe> probe, QString window, std::chrono::seconds hold,
               Sink sink);

    void offer(TypingJob job, const DataLine& record, Clock::time_point now = Clock::now());
    void poll(Clock::time_point now = Clock::now());
    bool holding() const { return !held_.empty(); }
    // Gives up on every waiting value (the run stops).
    void dropHeld();

    // Why the focus is wrong now ("focus on 'Mail — Inbox', not 'Calc*'");
    // none when the chosen window has it.
    std::optional<QString> refusal();

  private:
    struct Held {
        TypingJob job;
        DataLine record;
        Clock::time_point until;
        QString reason;  // why it waits
    };
    void typeHeld();
    void giveUp(const Held& held, const QString& reason);

    std::unique_ptr<focus::FocusProbe> probe_;
    QString window_;
    std::chrono::seconds hold_;
    Sink sink_;
    std::deque<Held> held_;
    QString elsewhere_;
    QString nowhere_;
    QString ignoredText_;
    QString heldText_;
    QString typedLateText_;
};
