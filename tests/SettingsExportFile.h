#pragma once
// Settings export files for tests: one as another program's preferences
// exporter writes it for the settings node, and plain file access.

#include <QByteArray>
#include <QFile>
#include <QString>

// The settings node "/com/belmaro/Valtyp" holding the given <entry> lines.
inline QByteArray settingsExport(const QByteArray& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
           "<!DOCTYPE preferences SYSTEM \"http://java.sun.com/dtd/preferences.dtd\">\n"
           "<preferences EXTERNAL_XML_VERSION=\"1.0\">\n<root type=\"user\">\n<map/>\n"
           "<node name=\"com\"><map/><node name=\"belmaro\"><map/><node name=\"Valtyp\"><map>\n" +
           entries + "</map></node></node></node>\n</root>\n</preferences>\n";
}

// The file's bytes; empty when it cannot be read.
inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file's contents; false when it cannot be written.
inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
