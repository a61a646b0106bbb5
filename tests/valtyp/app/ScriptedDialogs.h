#pragma once
// Answers the program's dialogs in tests and remembers each one shown.

#include "valtyp/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        QString kind;  // "error", "warning", "information", "question"
        QString title;
        QString text;
    };

    void setOwner(QWidget* owner) override { owner_ = owner; }
    void message(Kind kind, const QString& title, const QString& text) override {
        static const char* names[] = {"error", "warning", "information"};
        shown.push_back({QString::fromLatin1(names[static_cast<int>(kind)]), title, text});
    }
    bool askOkCancel(const QString& title, const QString& text) override {
        return answer(title, text);
    }
    bool askYesNo(const QString& title, const QString& text) override {
        return answer(title, text);
    }
    std::optional<QString> chooseOpenFile(const QString&, const QString& folder,
                                          const QString&) override {
        return chooseFile(folder);
    }
    std::optional<QString> chooseSaveFile(const QString&, const QString& suggestedPath,
                                          const QString&) override {
        return chooseFile(suggestedPath);
    }
    std::optional<QString> chooseFolder(const QString& title, const QString&) override {
        shown.push_back({QStringLiteral("folder"), title, QString()});
        return folder;
    }

    // The next file choosers' answers, in order; unscripted ones are cancelled.
    std::deque<std::optional<QString>> files;
    // The folder or suggested path each file chooser opened with.
    QStringList fileChoosers;

    // The next questions' answers, in order; unscripted questions answer yes.
    std::deque<bool> answers;
    // What the folder chooser answers; none: cancelled.
    std::optional<QString> folder;
    std::vector<Shown> shown;
    QWidget* owner_ = nullptr;

    QStringList titles() const {
        QStringList list;
        for (const Shown& s : shown) list << s.title;
        return list;
    }

  private:
    std::optional<QString> chooseFile(const QString& start) {
        fileChoosers << start;
        if (files.empty()) return std::nullopt;
        std::optional<QString> file = files.front();
        files.pop_front();
        return file;
    }

    bool answer(const QString& title, const QString& text) {
        shown.push_back({QStringLiteral("question"), title, text});
        if (answers.empty()) return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};
