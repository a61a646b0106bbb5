#include "worker/Keybot.h"

#include "config/ResourceBundle.h"
#include "worker/DataLine.h"
#include "worker/ReadingLog.h"
#include "worker/WeightWorkerView.h"

#include <condition_variable>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>

using ConfigHelper::KeyboardType;
using ConfigHelper::KeyCodes;
using ConfigHelper::KeyMapType;

namespace {

struct Queued {
    TypingJob job;
    Keybot::Settled settled;
};

class TextQueue {
  public:
    // How many texts wait once this one is queued.
    std::size_t put(Queued text) {
        std::size_t waiting;
        {
            std::lock_guard lock(mutex_);
            texts_.push_back(std::move(text));
            waiting = texts_.size();
        }
        waiting_.notify_one();
        return waiting;
    }

    // Takes every text still waiting out of the queue, in order.
    std::deque<Queued> drain() {
        std::deque<Queued> dropped;
        {
            std::lock_guard lock(mutex_);
            dropped.swap(texts_);
        }
        idle_.notify_all();
        return dropped;
    }

    // The next text; none when a stop is requested while waiting. The text
    // counts as being typed until finished() is called for it.
    std::optional<Queued> take(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        if (!waiting_.wait(lock, stop, [this] { return !texts_.empty(); })) return std::nullopt;
        Queued text = std::move(texts_.front());
        texts_.pop_front();
        ++typing_;
        return text;
    }

    void finished() {
        {
            std::lock_guard lock(mutex_);
            --typing_;
        }
        idle_.notify_all();
    }

    bool waitUntilIdle(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, timeout, [this] { return texts_.empty() && typing_ == 0; });
    }

  private:
    std::condition_variable idle_;
    int typing_ = 0;
    std::mutex mutex_;
    std::condition_variable_any waiting_;
    std::deque<Queued> texts_;
};

TextQueue& queue() {
    static TextQueue texts;
    return texts;
}

QString workerText(const char* key) {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.worker.WorkerBundle"))
        .getString(QString::fromLatin1(key));
}

}  // namespace

Keybot::Keybot(keys::KeyGenerator& keys, WeightWorkerView* view, KeyMapType keyMapType,
               KeyboardType keyboardType, int everyXValues, int endWith2, int endWith,
               int startWith, int keyDelay)
    : keys_(keys),
      view_(view),
      cannotType_(workerText("cannot_type")),
      backlog_(workerText("typing.backlog").arg(kBacklogWarning)),
      typingFailed_(workerText("typing.failed")),
      keyboardType_(Options<KeyboardType>::name(keyboardType)),
      keyMap_(ConfigHelper::getKeymap(keyboardType, keyMapType)),
      keyDelay_(keyDelay),
      startWith_(startWith),
      endWith_(endWith),
      endWith2_(endWith2),
      everyXValues_(everyXValues) {}

Keybot::Keybot(keys::KeyGenerator& keys, KeyboardType keyboardType, int keyDelay)
    : Keybot(keys, nullptr, KeyMapType::ALPHANUMERIC_COMPLETE, keyboardType, 0, 0, 0, 0, keyDelay) {
    std::cerr << "Keybot constructor - for testing purposes only" << std::endl;
}

Keybot::~Keybot() {
    stop();
}

QString Keybot::outcomeText(Fate fate, const QString& failure) {
    switch (fate) {
        case Fate::Typed:
            return QStringLiteral("typed");
        case Fate::Dropped:
            return QStringLiteral("dropped: stopped before it was typed");
        case Fate::Failed:
            break;
    }
    return QStringLiteral("error: typing failed: ") + failure;
}

Keybot::Settled Keybot::outcomeInto(ReadingLog* log, const DataLine& record) {
    if (log == nullptr) return {};
    return [log, record = record.copy()](Fate fate, const QString& failure) {
        log->append(record, outcomeText(fate, failure));
    };
}

void Keybot::add(const QString& text, Settled settled) {
    add(TypingJob::framed(text), std::move(settled));
}

void Keybot::add(TypingJob job, Settled settled) {
    if (job.isEmpty()) return;
    // Said once per engine, that is once per run, not for every later value.
    if (queue().put({std::move(job), std::move(settled)}) > kBacklogWarning && !backlogReported_) {
        backlogReported_ = true;
        report(backlog_, backlog_);
    }
}

QStringList Keybot::dropQueued() {
    QStringList texts;
    for (Queued& dropped : queue().drain()) {
        if (dropped.settled) dropped.settled(Fate::Dropped, {});
        texts << dropped.job.shown();
    }
    return texts;
}

bool Keybot::waitUntilTyped(std::chrono::milliseconds timeout) {
    return queue().waitUntilIdle(timeout);
}

void Keybot::start() {
    stop();
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void Keybot::stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void Keybot::run(std::stop_token stop) {
    stop_ = stop;
    while (!stop.stop_requested()) {
        const auto text = queue().take(stop);
        if (!text) break;
        std::optional<QString> failure;
        try {
            if (text->job.sequence.empty()) {
                typeStart();
                typeString(text->job.text);
                typeEnd();
            } else {
                typeSequence(text->job.sequence);
            }
        } catch (const std::exception& e) {
            // Refused keys are handled key by key; this is the backend
            // itself, and it will not come back by trying the next value.
            failure = QString::fromLocal8Bit(e.what());
        }
        if (text->settled) {
            text->settled(failure ? Fate::Failed : Fate::Typed, failure.value_or(QString()));
        }
        queue().finished();
        if (failure) {
            report(typingFailed_ + *failure, typingFailed_ + *failure);
            if (view_ != nullptr) view_->typingFailed();
            break;
        }
    }
    stop_ = {};
}

void Keybot::typeStart() {
    if (startWith_ > 0) tapKey(startWith_);
}

void Keybot::typeString(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t character = text[i].unicode();
        if (QChar::isHighSurrogate(character) && i + 1 < text.size() &&
            text[i + 1].isLowSurrogate()) {
            character = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        typeCharacter(character);
    }
}

void Keybot::typeEnd() {
    if (everyXValues_ > 1 && ++numCounter_ == everyXValues_) {
        numCounter_ = 0;
        if (endWith2_ > 0) tapKey(endWith2_);
        return;
    }
    if (endWith_ > 0) tapKey(endWith_);
}

void Keybot::typeSequence(const ConfigHelper::TypedSequence& sequence) {
    for (const ConfigHelper::TypedPiece& piece : sequence) {
        if (piece.key != 0) {
            tapKey(piece.key);
        } else {
            typeString(piece.text);
        }
    }
}

void Keybot::typeCharacter(char32_t character) {
    const KeyCodes* codes = keyMap_.find(character);
    if (codes == nullptr) return reportCannotType(character);
    if (ConfigHelper::isAltCode(*codes)) return typeAltCode(character, *codes);
    typeChord(*codes);
}

// Keys go down in order and up in reverse. A Space after the first key
// waits until the chord is released: after a dead key it makes the accent
// appear by itself. Where the layout has the accent as a plain key, the
// chord typed it already and the Space would be a stray blank.
void Keybot::typeChord(const KeyCodes& codes) {
    auto deferred = [&](std::size_t i) { return i > 0 && codes[i] == KeyCode::Space; };
    bool spaceDeferred = false;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (deferred(i)) {
            spaceDeferred = true;
            continue;
        }
        pressKey(codes[i]);
    }
    for (std::size_t i = codes.size(); i-- > 0;) {
        if (!deferred(i)) releaseKey(codes[i]);
    }
    if (spaceDeferred && !keys_.lastKeyTypedCharacter()) typeDeferredSpace();
}

void Keybot::typeDeferredSpace() {
    try {
        keys_.press(KeyCode::Space);
        pause();
        keys_.release(KeyCode::Space);
        pause();
    } catch (const keys::KeyRefused& refusal) {
        report(QStringLiteral("Deadkey error: ") + QString::fromStdString(refusal.what()),
               QStringLiteral("Deadkey error"), refusal.what());
    }
}

// Alt held while the character's number is typed on the keypad.
void Keybot::typeAltCode(char32_t character, const KeyCodes& codes) {
    bool altDown = false;
    try {
        keys_.press(KeyCode::Alt);
        altDown = true;
        pause();
        for (std::size_t i = 1; i < codes.size(); ++i) {
            keys_.press(codes[i]);
            pause();
            keys_.release(codes[i]);
            pause();
        }
        altDown = false;
        keys_.release(KeyCode::Alt);
        pause();
    } catch (const keys::KeyRefused& refusal) {
        const QString number = QString::number(character);
        report(QStringLiteral("Error pressing ALT key for %1 on %2 keyboard: %3")
                   .arg(number, keyboardType_, QString::fromStdString(refusal.what())),
               QStringLiteral("Error pressing/releasing ALT key for : ") + number, refusal.what());
        // A held Alt would turn every later key into a shortcut.
        if (altDown) {
            try {
                keys_.release(KeyCode::Alt);
            } catch (const keys::KeyRefused&) {
                // Reported once already.
            }
        }
    }
    pause();
}

void Keybot::tapKey(int code) {
    pressKey(code);
    tryRelease(code);
}

void Keybot::pressKey(int code) {
    try {
        keys_.press(code);
    } catch (const keys::KeyRefused& refusal) {
        report(
            QStringLiteral("Error pressing key %1 on %2 keyboard: %3")
                .arg(QString::number(code), keyboardType_, QString::fromStdString(refusal.what())),
            QStringLiteral("Error on pressing: ") + QString::number(code), refusal.what());
    }
    pause();
}

void Keybot::releaseKey(int code) {
    tryRelease(code);
    pause();
}

void Keybot::tryRelease(int code) {
    try {
        keys_.release(code);
    } catch (const keys::KeyRefused& refusal) {
        report(
            QStringLiteral("Error releasing key %1 on %2 keyboard: %3")
                .arg(QString::number(code), keyboardType_, QString::fromStdString(refusal.what())),
            QStringLiteral("Error on releasing: ") + QString::number(code), refusal.what());
    }
}

void Keybot::pause() {
    keys_.pause(keyDelay_, stop_);
}

void Keybot::reportCannotType(char32_t character) {
    if (view_ == nullptr) return;
    const bool printable = character >= 32 && character <= 126;
    view_->logImportantEvent(printable ? cannotType_ + QChar(static_cast<char16_t>(character))
                                       : cannotType_ + u'<' + QString::number(character) + u'>');
}

// To the view, or without one to standard error with what failed.
void Keybot::report(const QString& viewText, const QString& consoleText, const char* failure) {
    if (view_ != nullptr) return view_->logImportantEvent(viewText);
    std::cerr << consoleText.toStdString() << '\n';
    if (failure != nullptr) std::cerr << "keys::KeyRefused: " << failure << '\n';
    std::cerr.flush();
}
