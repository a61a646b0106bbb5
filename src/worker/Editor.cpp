#include "worker/Editor.h"

#include "config/Config.h"

#include <utility>

using ConfigHelper::EditOperation;
using ConfigHelper::EditPosition;

Editor::Editor(const Config& config)
    : Editor(config.getEditOperation(), config.getEditPosition(),
             config.getEditNumCharactersAsInt()) {}

Editor::Editor(EditOperation operation, EditPosition position, int numCharacters)
    : editOperation_(operation), editPosition_(position), numCharacters_(numCharacters) {}

QString Editor::edit(const QString& value) const {
    const qsizetype n = numCharacters_;
    if (n <= 0 || value.isEmpty()) return value;
    const bool first = editPosition_ == EditPosition::FIRST;
    if (editOperation_ == EditOperation::REMOVE) {
        if (n >= value.size()) return {};
        return first ? value.mid(n) : value.left(value.size() - n);
    }
    if (n >= value.size()) return value;
    return first ? value.left(n) : value.right(n);
}

Remover::Remover(const Config& config) : Remover(config.getRemoveCharacters()) {}

Remover::Remover(QString removeCharacters) : removeCharacters_(std::move(removeCharacters)) {}

QString Remover::removeCharacters(const QString& value) const {
    if (value.isEmpty() || removeCharacters_.isEmpty()) return value;
    QString kept;
    kept.reserve(value.size());
    for (QChar c : value) {
        if (!removeCharacters_.contains(c)) kept += c;
    }
    return kept;
}
