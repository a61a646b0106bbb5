#include "valtyp/prefs/AbstractPreferences.h"

#include "valtyp/prefs/PreferencesFactory.h"
#include "valtyp/prefs/PreferencesXml.h"

#include <set>
#include <stdexcept>

namespace {

std::string text(const QString& s) {
    return s.toStdString();
}

QString pathOf(const AbstractPreferences* parent, const QString& name) {
    if (!parent) return QStringLiteral("/");
    if (parent->isRoot()) return u'/' + name;
    return parent->absolutePath() + u'/' + name;
}

void checkName(const QString& name) {
    if (name.isEmpty()) throw std::invalid_argument("Consecutive slashes in path");
    if (name.size() > AbstractPreferences::MAX_NAME_LENGTH) {
        throw std::invalid_argument(text(QStringLiteral("Node name too long: %1").arg(name)));
    }
}

// The node names of a relative path.
QStringList namesOf(const QString& relativePath) {
    if (relativePath.endsWith(u'/')) throw std::invalid_argument("Path ends with slash");
    const QStringList names = relativePath.split(u'/');
    for (const QString& name : names) checkName(name);
    return names;
}

}  // namespace

AbstractPreferences::AbstractPreferences(AbstractPreferences* parent, const QString& name)
    : parent_(parent),
      root_(parent ? parent->root_ : *this),
      name_(name),
      absolutePath_(pathOf(parent, name)) {
    if (!parent && !name.isEmpty()) throw std::invalid_argument("A root node has the empty name");
    if (parent) {
        checkName(name);
        if (name.contains(u'/')) {
            throw std::invalid_argument(
                text(QStringLiteral("Name contains a slash: %1").arg(name)));
        }
    }
}

AbstractPreferences::~AbstractPreferences() = default;

AbstractPreferences& AbstractPreferences::userRoot() {
    return PreferencesFactory::instance().userRoot();
}

void AbstractPreferences::checkNotRemoved() const {
    if (removed_) {
        throw std::logic_error(
            text(QStringLiteral("Node %1 has been removed.").arg(absolutePath_)));
    }
}

std::optional<QString> AbstractPreferences::get(const QString& key) {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    try {
        return getSpi(key);
    } catch (const std::exception&) {
        // A reader that cannot reach the store gets its default.
        return std::nullopt;
    }
}

QString AbstractPreferences::get(const QString& key, const QString& def) {
    return get(key).value_or(def);
}

std::optional<QString> AbstractPreferences::refusedKey(const QString&) const {
    return std::nullopt;
}

std::optional<QString> AbstractPreferences::refusedName(const QString&) const {
    return std::nullopt;
}

void AbstractPreferences::checkPut(const QString& key, const QString& value) const {
    if (key.size() > MAX_KEY_LENGTH) {
        throw std::invalid_argument(text(QStringLiteral("Key too long: %1").arg(key)));
    }
    if (value.size() > MAX_VALUE_LENGTH) {
        throw std::invalid_argument(text(QStringLiteral("Value too long for key %1").arg(key)));
    }
    if (const auto why = refusedKey(key)) throw std::invalid_argument(text(*why));
}

void AbstractPreferences::put(const QString& key, const QString& value) {
    checkPut(key, value);
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    putSpi(key, value);
}

void AbstractPreferences::putAll(const std::vector<std::pair<QString, QString>>& entries) {
    for (const auto& [key, value] : entries) checkPut(key, value);
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    putAllSpi(entries);
}

void AbstractPreferences::putAllSpi(const std::vector<std::pair<QString, QString>>& entries) {
    for (const auto& [key, value] : entries) putSpi(key, value);
}

void AbstractPreferences::remove(const QString& key) {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    removeSpi(key);
}

QStringList AbstractPreferences::keys() {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    QStringList result = keysSpi();
    result.sort();
    return result;
}

QStringList AbstractPreferences::childrenNames() {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    std::set<QString> names;
    for (const auto& kid : kidCache_) names.insert(kid.first);
    for (const QString& name : childrenNamesSpi()) names.insert(name);
    return QStringList(names.begin(), names.end());
}

AbstractPreferences& AbstractPreferences::child(const QString& name) {
    auto it = kidCache_.find(name);
    if (it == kidCache_.end()) {
        if (const auto why = refusedName(name)) throw std::invalid_argument(text(*why));
        it = kidCache_.emplace(name, childSpi(name)).first;
    }
    return *it->second;
}

AbstractPreferences* AbstractPreferences::existingChild(const QString& name) {
    if (kidCache_.count(name) || childrenNamesSpi().contains(name)) return &child(name);
    return nullptr;
}

AbstractPreferences& AbstractPreferences::relativeNode(const QStringList& names) {
    AbstractPreferences* node = this;
    for (const QString& name : names) node = &node->child(name);
    return *node;
}

AbstractPreferences& AbstractPreferences::node(const QString& path) {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    if (path.isEmpty()) return *this;
    if (path == u"/") return root_;
    if (path.startsWith(u'/')) return root_.relativeNode(namesOf(path.mid(1)));
    return relativeNode(namesOf(path));
}

bool AbstractPreferences::nodeExists(const QString& path) {
    std::lock_guard lock(root_.treeLock_);
    if (path.isEmpty()) return !removed_;
    checkNotRemoved();
    if (path == u"/") return true;
    AbstractPreferences* node = path.startsWith(u'/') ? &root_ : this;
    for (const QString& name : namesOf(path.startsWith(u'/') ? path.mid(1) : path)) {
        node = node->existingChild(name);
        if (!node) return false;
    }
    return true;
}

void AbstractPreferences::removeSubtree() {
    // Children the back end holds but this process never opened go too.
    for (const QString& name : childrenNamesSpi()) child(name);
    for (auto& kid : kidCache_) kid.second->removeSubtree();
    removeNodeSpi();
    removed_ = true;
    for (auto& kid : kidCache_) removedKids_.push_back(std::move(kid.second));
    kidCache_.clear();
}

void AbstractPreferences::removeNode() {
    if (isRoot()) throw std::logic_error("The root node cannot be removed.");
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    removeSubtree();
    auto it = parent_->kidCache_.find(name_);
    parent_->removedKids_.push_back(std::move(it->second));
    parent_->kidCache_.erase(it);
}

void AbstractPreferences::flushTree() {
    flushSpi();
    for (auto& kid : kidCache_) kid.second->flushTree();
}

void AbstractPreferences::flush() {
    std::lock_guard lock(root_.treeLock_);
    if (removed_) {
        // Lets the back end drop what the removal left behind.
        flushSpi();
        return;
    }
    flushTree();
}

void AbstractPreferences::syncTree() {
    syncSpi();
    for (auto& kid : kidCache_) kid.second->syncTree();
}

void AbstractPreferences::sync() {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    syncTree();
}

void AbstractPreferences::exportNode(QIODevice& out) {
    std::lock_guard lock(root_.treeLock_);
    checkNotRemoved();
    PreferencesXml::exportNode(*this, out);
}

void AbstractPreferences::importPreferences(QIODevice& in) {
    PreferencesFactory& factory = PreferencesFactory::instance();
    PreferencesXml::importPreferences(in, factory.userRoot(), factory.systemRoot());
}
