#pragma once
// Runs typing-target on the X display of $DISPLAY and collects what it
// received. Link with valtyp_use_typing_target(<target>).

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <stdexcept>
#include <string>

class TypingTarget {
  public:
    using Clock = std::chrono::steady_clock;

    // Starts the program and waits until its field has the keyboard focus.
    // Throws std::runtime_error when it does not come up.
    explicit TypingTarget(std::chrono::milliseconds timeout = std::chrono::seconds(20))
        : TypingTarget(QString(), timeout) {}
    // A window of that title.
    explicit TypingTarget(const QString& title,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Dead keys compose with the table of a UTF-8 locale.
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(VALTYP_TYPING_TARGET),
                       title.isEmpty() ? QStringList() : QStringList{title});
        if (!process_.waitForStarted(static_cast<int>(timeout.count()))) {
            throw std::runtime_error("typing-target did not start: " +
                                     process_.errorString().toStdString());
        }
        const auto deadline = Clock::now() + timeout;
        while (!ready_ && readUntil(deadline)) {
        }
        if (!ready_) throw std::runtime_error("typing-target did not get the keyboard focus");
        received_.clear();
    }

    ~TypingTarget() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    TypingTarget(const TypingTarget&) = delete;
    TypingTarget& operator=(const TypingTarget&) = delete;

    // What arrived: characters as themselves, keys without text as their
    // name in brackets ("[Return]"). Waits until at least `count` arrived,
    // then a moment longer for anything extra.
    QStringList received(qsizetype count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        waitFor(count, timeout);
        const auto settle = Clock::now() + std::chrono::milliseconds(300);
        while (readUntil(settle)) {
        }
        return received_;
    }

    // Waits until at least `count` arrived; false on time-out. Nothing is
    // taken away: received() returns these too.
    bool waitFor(qsizetype count, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (received_.size() < count && readUntil(deadline)) {
        }
        return received_.size() >= count;
    }

    // Takes the keyboard focus back and waits until it has it; false on time-out.
    bool takeFocus(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        ready_ = false;
        process_.write("focus\n");
        process_.waitForBytesWritten(1000);
        const auto deadline = Clock::now() + timeout;
        while (!ready_ && readUntil(deadline)) {
        }
        return ready_;
    }

    // Whether the field lost the keyboard focus after it was ready.
    bool lostFocus() const { return lostFocus_; }

    // One expected token per character of the text.
    static QStringList characters(const QString& text) {
        QStringList tokens;
        for (char32_t c : text.toUcs4()) tokens << QString::fromUcs4(&c, 1);
        return tokens;
    }
    static QString key(const char* name) {
        return QStringLiteral("[%1]").arg(QLatin1StringView(name));
    }

  private:
    // Reads the lines available before the deadline; false once it passed
    // or the program ended.
    bool readUntil(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || process_.state() != QProcess::Running) return false;
        if (!process_.canReadLine() && !process_.waitForReadyRead(static_cast<int>(left.count()))) {
            return false;
        }
        while (process_.canReadLine()) take(QString::fromUtf8(process_.readLine()).trimmed());
        return true;
    }

    void take(const QString& line) {
        if (line == QLatin1StringView("ready")) {
            ready_ = true;
        } else if (line == QLatin1StringView("lost")) {
            lostFocus_ = ready_;
        } else if (line.startsWith(QLatin1StringView("char "))) {
            const char32_t c = line.mid(5).toUInt();
            received_ << QString::fromUcs4(&c, 1);
        } else if (line.startsWith(QLatin1StringView("key "))) {
            received_ << QStringLiteral("[%1]").arg(line.mid(4));
        }
    }

    QProcess process_;
    QStringList received_;
    bool ready_ = false;
    bool lostFocus_ = false;
};
