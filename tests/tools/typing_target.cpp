// typing-target: a window with one text field that takes the keyboard focus
// and reports on standard output, one line each, flushed at once, what it
// receives. Tests type into it and compare.
//
//   ready        the field has the keyboard focus (again); typing may start
//   lost         the field lost the keyboard focus
//   char <n>     a character arrived as text, typed or composed from a dead
//                key; n is its Unicode code point in decimal
//   key <name>   a key that types no printable text arrived: the Qt::Key name
//                without "Key_", e.g. Return, Enter, Tab, Right, Down,
//                Delete, F1
//
// Modifier keys and dead keys report nothing by themselves. Dead keys are
// composed here, with the system's compose table for the locale, strictly in
// the order the keys arrive: Qt's own input method hands composed characters
// over ahead of plain keys that came in the same burst, which would make a
// fast typist look out of order.
//
// The program ends when its standard input reaches its end or reads the line
// "quit"; the line "focus" takes the keyboard focus back. The first argument,
// when given, is the window's title. Needs a real X display: run it with
// QT_QPA_PLATFORM=xcb.

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-compose.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

void report(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

bool isPrintable(char32_t c) {
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0);
}

void reportText(const QString& text) {
    for (char32_t c : text.toUcs4()) report(QStringLiteral("char %1").arg(c));
}

bool isSilentKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
            return true;
        default:
            return key >= Qt::Key_Dead_Grave && key <= Qt::Key_Dead_Longsolidusoverlay;
    }
}

QString keyName(int key) {
    const char* name = QMetaEnum::fromType<Qt::Key>().valueToKey(key);
    if (name == nullptr) return QStringLiteral("0x%1").arg(key, 0, 16);
    return QString::fromLatin1(name).mid(4);  // without "Key_"
}

// Dead-key sequences, as X clients compose them.
class Composer {
  public:
    Composer() {
        const char* locale = firstSet({"LC_ALL", "LC_CTYPE", "LANG"});
        context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
        if (context_) {
            table_.reset(xkb_compose_table_new_from_locale(context_.get(), locale,
                                                           XKB_COMPOSE_COMPILE_NO_FLAGS));
        }
        if (table_) state_.reset(xkb_compose_state_new(table_.get(), XKB_COMPOSE_STATE_NO_FLAGS));
        if (!state_) std::fprintf(stderr, "typing-target: no compose table for %s\n", locale);
    }

    enum class Outcome { Plain, Swallowed, Composed };

    // Feeds a pressed key; a composed character is left in `text`.
    Outcome feed(quint32 keysym, QString& text) {
        if (!state_ || xkb_compose_state_feed(state_.get(), keysym) == XKB_COMPOSE_FEED_IGNORED) {
            return Outcome::Plain;
        }
        switch (xkb_compose_state_get_status(state_.get())) {
            case XKB_COMPOSE_COMPOSING:
                return Outcome::Swallowed;
            case XKB_COMPOSE_COMPOSED: {
                char utf8[64];
                xkb_compose_state_get_utf8(state_.get(), utf8, sizeof utf8);
                xkb_compose_state_reset(state_.get());
                text = QString::fromUtf8(utf8);
                return Outcome::Composed;
            }
            case XKB_COMPOSE_CANCELLED:
                xkb_compose_state_reset(state_.get());
                return Outcome::Swallowed;
            case XKB_COMPOSE_NOTHING:
                break;
        }
        return Outcome::Plain;
    }

  private:
    static const char* firstSet(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            if (value != nullptr && *value != '\0') return value;
        }
        return "C";
    }

    template <auto release>
    struct Releaser {
        template <class T>
        void operator()(T* p) const {
            release(p);
        }
    };
    std::unique_ptr<xkb_context, Releaser<xkb_context_unref>> context_;
    std::unique_ptr<xkb_compose_table, Releaser<xkb_compose_table_unref>> table_;
    std::unique_ptr<xkb_compose_state, Releaser<xkb_compose_state_unref>> state_;
};

class Field : public QPlainTextEdit {
  public:
    Field() {
        setFocusPolicy(Qt::StrongFocus);
        setTabChangesFocus(false);
    }

  protected:
    // Tab and Backtab are keys to report, not focus moves.
    bool focusNextPrevChild(bool) override { return false; }

    void keyPressEvent(QKeyEvent* event) override {
        QString composed;
        switch (composer_.feed(event->nativeVirtualKey(), composed)) {
            case Composer::Outcome::Swallowed:
                return;
            case Composer::Outcome::Composed:
                reportText(composed);
                insertPlainText(composed);
                return;
            case Composer::Outcome::Plain:
                break;
        }
        const QString text = event->text();
        if (!text.isEmpty() && isPrintable(text.front().unicode())) {
            reportText(text);
        } else if (!isSilentKey(event->key())) {
            report(QStringLiteral("key ") + keyName(event->key()));
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override {
        QPlainTextEdit::focusInEvent(event);
        announceWhenActive();
    }

    void focusOutEvent(QFocusEvent* event) override {
        QPlainTextEdit::focusOutEvent(event);
        report(QStringLiteral("lost"));
    }

  private:
    // The X input focus may come a moment after Qt's own focus.
    void announceWhenActive() {
        if (!hasFocus()) return;
        if (window()->isActiveWindow()) {
            report(QStringLiteral("ready"));
            return;
        }
        QTimer::singleShot(20, this, [this] { announceWhenActive(); });
    }

    Composer composer_;
};

}  // namespace

int main(int argc, char** argv) {
    // Every key reaches the field as it is; composing is ours (see above).
    qputenv("QT_IM_MODULE", "none");
    QApplication app(argc, argv);
    Field field;
    field.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral("typing-target"));
    field.resize(600, 300);
    field.show();
    field.activateWindow();
    field.setFocus();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) return QApplication::quit();
        pending.append(buffer, n);
        if (pending.contains("quit\n")) QApplication::quit();
        if (pending.contains("focus\n")) {
            pending.replace("focus\n", "");
            // Without a window manager Qt asks for the focus with the time of
            // its last event, which the server refuses once another client
            // took the focus later; the current time always counts.
            if (auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>()) {
                xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT,
                                    static_cast<xcb_window_t>(field.winId()), XCB_CURRENT_TIME);
                xcb_flush(x11->connection());
            }
            field.activateWindow();
            field.setFocus();
        }
    });
    return QApplication::exec();
}
