#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

class QByteArray;
class QIODevice;

// Key/value texts in the classic ".properties" line format: ISO 8859-1 bytes,
// escapes for everything else. Used for the message bundles and for the shared
// settings file, so any key and value must survive store() followed by load().
//
// Entries are kept sorted by key (UTF-16 code unit order), so store() writes the
// same bytes for the same entries and settings files diff cleanly.
class Properties {
  public:
    // Adds the entries read from the device (or bytes) to this set; a key read
    // again replaces the earlier value. A malformed \uXXXX escape throws
    // std::invalid_argument naming the line; nothing is added then.
    void load(QIODevice& device);
    void load(const QByteArray& bytes);
    // As load, but a line that cannot be read is skipped instead: every other
    // entry is added. Answers why each skipped line was skipped.
    QStringList loadLenient(const QByteArray& bytes);

    // Writes "#comment" (skipped when the comment is empty), a "#date" line and
    // every entry as "key=value". Throws std::runtime_error when the device
    // refuses the bytes.
    void store(QIODevice& device, const QString& comment) const;

    QString value(const QString& key, const QString& def = {}) const;
    std::optional<QString> get(const QString& key) const;
    void setProperty(const QString& key, const QString& value);
    bool remove(const QString& key);
    QStringList keys() const;
    bool contains(const QString& key) const;
    int size() const;

    bool operator==(const Properties&) const = default;

  private:
    QMap<QString, QString> entries_;
};
