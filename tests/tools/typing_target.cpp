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
// Modifier keys and dead keys report nothing by themselves. The program
// ends when its standard input reaches its end or reads the line "quit".
// Needs a real X display: run it with QT_QPA_PLATFORM=xcb.

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>
#include <cstdio>

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
        const QString text = event->text();
        const bool printable = !text.isEmpty() && isPrintable(text.front().unicode());
        if (printable) {
            reportText(text);
        } else if (!isSilentKey(event->key())) {
            report(QStringLiteral("key ") + keyName(event->key()));
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    // Characters composed from dead keys arrive through the input method.
    void inputMethodEvent(QInputMethodEvent* event) override {
        if (!event->commitString().isEmpty()) reportText(event->commitString());
        QPlainTextEdit::inputMethodEvent(event);
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
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Field field;
    field.setWindowTitle(QStringLiteral("typing-target"));
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
    });
    return QApplication::exec();
}
