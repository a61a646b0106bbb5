#pragma once
// The keystroke engine: types each output text into whichever application
// has the keyboard focus, framed by a start key and a terminator, on a thread
// of its own so that acquisition never waits for typing.

#include "config/KeyMaps.h"
#include "config/OutputOptions.h"
#include "config/OutputTemplate.h"
#include "platform/keys/KeyGenerator.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <thread>

class DataLine;
class ReadingLog;
class WeightWorkerView;

// One thing to type: a value framed by the start key and a terminator, or a
// filled-in output template, typed exactly as it stands.
struct TypingJob {
    QString text;                          // the framed value
    ConfigHelper::TypedSequence sequence;  // when not empty, typed instead of the text
    static TypingJob framed(QString text) { return {std::move(text), {}}; }
    bool isEmpty() const { return text.isEmpty() && sequence.empty(); }
    // For log lines: the value, or the sequence with keys as symbols.
    QString shown() const { return sequence.empty() ? text : ConfigHelper::showTyped(sequence); }
};

class Keybot {
  public:
    // Key codes 0 mean no key. X (everyXValues) of 0 or 1 means every text
    // ends with endWith; otherwise every X-th ends with endWith2 instead.
    // The view may be null; problems then go to standard error. Throws
    // MissingResourceException when the worker bundle lacks "cannot_type"
    // or "typing.backlog".
    Keybot(keys::KeyGenerator& keys, WeightWorkerView* view, ConfigHelper::KeyMapType keyMapType,
           ConfigHelper::KeyboardType keyboardType, int everyXValues, int endWith2, int endWith,
           int startWith, int keyDelay);
    // For tests only: no view, the complete character set, no framing keys.
    Keybot(keys::KeyGenerator& keys, ConfigHelper::KeyboardType keyboardType, int keyDelay);
    ~Keybot();

    Keybot(const Keybot&) = delete;
    Keybot& operator=(const Keybot&) = delete;

    // What became of a queued text, once that is certain.
    enum class Fate { Typed, Dropped, Failed };
    // Hears a text's fate: on the typing thread once it is typed or typing
    // failed (with the failure), on the caller of dropQueued when dropped.
    using Settled = std::function<void(Fate fate, const QString& failure)>;
    // The fate in the reading log's words: "typed", "dropped: " or "error: "
    // with the reason.
    static QString outcomeText(Fate fate, const QString& failure);
    // Writes a record's fate into the reading log; nothing without a log.
    static Settled outcomeInto(ReadingLog* log, const DataLine& record);

    // Queues a text for typing; empty texts are dropped. Never blocks. The
    // queue is one for the whole process, whichever engine types from it.
    // The first time more than kBacklogWarning texts wait, the view hears
    // that typing falls behind.
    void add(const QString& text, Settled settled = {});
    // The same for a framed value or a template's sequence.
    void add(TypingJob job, Settled settled = {});
    static constexpr std::size_t kBacklogWarning = 20;

    // Takes the texts not yet typed out of the queue, in order, so that a
    // stopped run types nothing later; the text being typed is not among them.
    // Each dropped text's Settled hears it.
    static QStringList dropQueued();

    // Waits until every queued text has been typed; false when the time ran
    // out first.
    static bool waitUntilTyped(std::chrono::milliseconds timeout);

    // Runs the typing loop on the engine's own thread; stop() ends it and
    // waits for it. A text being typed when the stop comes is finished
    // without pauses, so no value is left half-typed. A failure of the
    // keystroke backend itself (the desktop connection lost, a device write
    // failing) ends the loop: the view hears it as an important line and
    // through typingFailed, and the engine types nothing more.
    void start();
    void stop();

    // The typing loop: takes texts from the queue and types them until a
    // stop is requested.
    void run(std::stop_token stop);

    // The three steps of typing one text.
    void typeStart();
    void typeString(const QString& text);
    void typeEnd();
    // A template's texts and keys, without start key or terminator.
    void typeSequence(const ConfigHelper::TypedSequence& sequence);

  private:
    void typeCharacter(char32_t character);
    void typeChord(const ConfigHelper::KeyCodes& codes);
    void typeDeferredSpace();
    void typeAltCode(char32_t character, const ConfigHelper::KeyCodes& codes);
    void tapKey(int code);
    void pressKey(int code);
    void releaseKey(int code);
    void tryRelease(int code);  // reports a refusal, no pause
    void pause();

    void reportCannotType(char32_t character);
    void report(const QString& viewText, const QString& consoleText, const char* failure = nullptr);

    keys::KeyGenerator& keys_;
    WeightWorkerView* view_;
    QString cannotType_;
    QString backlog_;
    QString typingFailed_;
    bool backlogReported_ = false;
    QString keyboardType_;
    ConfigHelper::KeyMap keyMap_;
    std::chrono::milliseconds keyDelay_;
    int startWith_;
    int endWith_;
    int endWith2_;
    int everyXValues_;
    int numCounter_ = 0;
    std::stop_token stop_;  // of the running loop: pauses end early once it is requested
    std::jthread thread_;
};
