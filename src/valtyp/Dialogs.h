#pragma once
// Every modal dialog of the program goes through this one seam: the program
// shows Qt's own dialogs over the main window, tests answer them.

#include <QString>

#include <optional>

class QWidget;

class Dialogs {
  public:
    enum class Kind { Error, Warning, Information };

    virtual ~Dialogs() = default;

    // The window the dialogs are modal over, once it exists.
    virtual void setOwner(QWidget* owner) = 0;

    virtual void message(Kind kind, const QString& title, const QString& text) = 0;
    // True for OK.
    virtual bool askOkCancel(const QString& title, const QString& text) = 0;
    // True for yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // The chosen file, or none when the user cancelled. The filter is in
    // Qt's form, e.g. "XML files (*.xml)".
    virtual std::optional<QString> chooseOpenFile(const QString& title, const QString& folder,
                                                  const QString& filter) = 0;
    // The chosen folder, or none when the user cancelled.
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& folder) = 0;
    virtual std::optional<QString> chooseSaveFile(const QString& title,
                                                  const QString& suggestedPath,
                                                  const QString& filter) = 0;

    void error(const QString& title, const QString& text) { message(Kind::Error, title, text); }
    void warning(const QString& title, const QString& text) { message(Kind::Warning, title, text); }
    void information(const QString& title, const QString& text) {
        message(Kind::Information, title, text);
    }
};
