#pragma once
// A node of the hierarchical settings store: string keys with string values,
// child nodes addressed by slash-separated paths. This class keeps what every
// back end shares (paths, the node cache, locking, removal, the XML export and
// import); a back end only reads and writes one node's own data.

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QIODevice;

class AbstractPreferences {
  public:
    static constexpr qsizetype MAX_KEY_LENGTH = 80;
    static constexpr qsizetype MAX_VALUE_LENGTH = 8 * 1024;
    static constexpr qsizetype MAX_NAME_LENGTH = 80;

    virtual ~AbstractPreferences();
    AbstractPreferences(const AbstractPreferences&) = delete;
    AbstractPreferences& operator=(const AbstractPreferences&) = delete;

    // The user root of the process's store (see PreferencesFactory).
    static AbstractPreferences& userRoot();

    const QString& name() const { return name_; }
    const QString& absolutePath() const { return absolutePath_; }
    bool isRoot() const { return parent_ == nullptr; }

    // Why this store cannot hold a key or node name of that spelling, or none.
    virtual std::optional<QString> refusedKey(const QString& key) const;
    virtual std::optional<QString> refusedName(const QString& name) const;

    // The stored value, or none when the key is missing or the store fails.
    std::optional<QString> get(const QString& key);
    QString get(const QString& key, const QString& def);
    // Throws std::invalid_argument for a key or value beyond the length limits.
    void put(const QString& key, const QString& value);
    // Puts every entry, all checked before the first is stored. A store that
    // writes at every put writes them once, at the flush that follows.
    void putAll(const std::vector<std::pair<QString, QString>>& entries);
    void remove(const QString& key);
    QStringList keys();
    QStringList childrenNames();

    // A relative path starts at this node, an absolute one at the root; the
    // empty path is this node. Missing nodes are created. Throws
    // std::invalid_argument for "//", a trailing "/" or an over-long name.
    AbstractPreferences& node(const QString& path);
    bool nodeExists(const QString& path);
    // Removes this node and everything below it. Nodes handed out before stay
    // valid objects, but every operation on them but flush throws.
    void removeNode();

    // Writes this node's and its cached descendants' changes to the store.
    void flush();
    // Reads back what other processes wrote.
    void sync();

    // The node's keys in the common preferences XML layout (see PreferencesXml).
    void exportNode(QIODevice& out);
    // Applies an export to the process's store; unmentioned keys stay.
    static void importPreferences(QIODevice& in);

  protected:
    // A root has no parent and the empty name.
    AbstractPreferences(AbstractPreferences* parent, const QString& name);

    // Per back end: this node's own data. Called with the tree locked.
    virtual std::optional<QString> getSpi(const QString& key) = 0;
    virtual void putSpi(const QString& key, const QString& value) = 0;
    // Stores the entries; by default one putSpi each.
    virtual void putAllSpi(const std::vector<std::pair<QString, QString>>& entries);
    virtual void removeSpi(const QString& key) = 0;
    virtual QStringList keysSpi() = 0;
    // Children the back end knows of beyond those already created.
    virtual QStringList childrenNamesSpi() = 0;
    virtual std::unique_ptr<AbstractPreferences> childSpi(const QString& name) = 0;
    // Removes this node's own data; its children are gone already.
    virtual void removeNodeSpi() = 0;
    virtual void syncSpi() = 0;
    virtual void flushSpi() = 0;

    bool isRemoved() const { return removed_; }

  private:
    void checkNotRemoved() const;
    void checkPut(const QString& key, const QString& value) const;
    AbstractPreferences& child(const QString& name);
    AbstractPreferences* existingChild(const QString& name);
    AbstractPreferences& relativeNode(const QStringList& names);
    void removeSubtree();
    void syncTree();
    void flushTree();

    AbstractPreferences* const parent_;
    AbstractPreferences& root_;
    const QString name_;
    const QString absolutePath_;
    // One lock per tree: operations that walk from parent to child never
    // have to take two locks in some order.
    std::recursive_mutex treeLock_;
    std::map<QString, std::unique_ptr<AbstractPreferences>> kidCache_;
    // Removed children stay alive so references handed out never dangle.
    std::vector<std::unique_ptr<AbstractPreferences>> removedKids_;
    bool removed_ = false;
};
