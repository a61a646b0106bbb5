#pragma once
// Qt's own modal dialogs, each over the parent window given.

#include "valtyp/Dialogs.h"

#include <QPointer>
#include <QWidget>

class QtDialogs : public Dialogs {
  public:
    void setOwner(QWidget* owner) override { parent_ = owner; }

    void message(Kind kind, const QString& title, const QString& text) override;
    bool askOkCancel(const QString& title, const QString& text) override;
    bool askYesNo(const QString& title, const QString& text) override;
    std::optional<QString> chooseOpenFile(const QString& title, const QString& folder,
                                          const QString& filter) override;
    std::optional<QString> chooseSaveFile(const QString& title, const QString& suggestedPath,
                                          const QString& filter) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& folder) override;

  private:
    QPointer<QWidget> parent_;
};
