#include "valtyp/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconOf(Dialogs::Kind kind) {
    switch (kind) {
        case Dialogs::Kind::Error:
            return QMessageBox::Critical;
        case Dialogs::Kind::Warning:
            return QMessageBox::Warning;
        case Dialogs::Kind::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

std::optional<QString> chosen(const QString& file) {
    if (file.isEmpty()) return std::nullopt;
    return file;
}

}  // namespace

void QtDialogs::message(Kind kind, const QString& title, const QString& text) {
    QMessageBox box(iconOf(kind), title, text, QMessageBox::Ok, parent_);
    box.exec();
}

bool QtDialogs::askOkCancel(const QString& title, const QString& text) {
    return QMessageBox::question(parent_, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool QtDialogs::askYesNo(const QString& title, const QString& text) {
    return QMessageBox::question(parent_, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::chooseOpenFile(const QString& title, const QString& folder,
                                                 const QString& filter) {
    return chosen(QFileDialog::getOpenFileName(parent_, title, folder, filter));
}

std::optional<QString> QtDialogs::chooseFolder(const QString& title, const QString& folder) {
    return chosen(QFileDialog::getExistingDirectory(parent_, title, folder));
}

std::optional<QString> QtDialogs::chooseSaveFile(const QString& title, const QString& suggestedPath,
                                                 const QString& filter) {
    // The program asks about an existing file itself, in its own words.
    return chosen(QFileDialog::getSaveFileName(parent_, title, suggestedPath, filter, nullptr,
                                               QFileDialog::DontConfirmOverwrite));
}
