#include "valtyp/prefs/PreferencesXml.h"

#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/PreferencesErrors.h"

#include <QIODevice>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <stdexcept>
#include <utility>
#include <vector>

namespace PreferencesXml {

namespace {

const QString doctype =
    QStringLiteral("<!DOCTYPE preferences SYSTEM \"http://java.sun.com/dtd/preferences.dtd\">");
const QString formatVersion = QStringLiteral("1.0");

// XML 1.0 cannot hold most control characters, nor unpaired surrogates.
bool xmlCanHold(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return false;
        if (c == 0xFFFE || c == 0xFFFF) return false;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 == text.size() || !QChar::isLowSurrogate(text[i + 1].unicode())) return false;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

void checkWritable(const QString& text, const QString& what) {
    if (!xmlCanHold(text)) {
        throw std::runtime_error(QStringLiteral("%1 holds a character that XML cannot represent")
                                     .arg(what)
                                     .toStdString());
    }
}

void writeMap(QXmlStreamWriter& xml, AbstractPreferences* node) {
    if (!node) {
        xml.writeEmptyElement(QStringLiteral("map"));
        return;
    }
    const QStringList keys = node->keys();
    if (keys.isEmpty()) {
        xml.writeEmptyElement(QStringLiteral("map"));
        return;
    }
    xml.writeStartElement(QStringLiteral("map"));
    for (const QString& key : keys) {
        const QString value = node->get(key, QString());
        checkWritable(key, QStringLiteral("The key \"%1\"").arg(key));
        checkWritable(value, QStringLiteral("The value of \"%1\"").arg(key));
        xml.writeEmptyElement(QStringLiteral("entry"));
        xml.writeAttribute(QStringLiteral("key"), key);
        xml.writeAttribute(QStringLiteral("value"), value);
    }
    xml.writeEndElement();
}

// One node of an import file, checked and held until the whole file is read.
struct NodeData {
    QString name;
    std::vector<std::pair<QString, QString>> entries;
    std::vector<NodeData> children;
};

class ImportReader {
  public:
    explicit ImportReader(const QByteArray& bytes) : xml_(bytes) {}

    struct Result {
        bool system;  // <root type="system">
        NodeData root;
    };

    Result read() {
        if (next() != QXmlStreamReader::StartElement || xml_.name() != u"preferences") {
            fail(QStringLiteral(
                     "Not a preferences export: the root element is <%1>, not <preferences>")
                     .arg(xml_.name()));
        }
        const auto version = xml_.attributes().value(QStringLiteral("EXTERNAL_XML_VERSION"));
        if (!version.isEmpty() && version != formatVersion) {
            fail(QStringLiteral("Preferences export format version %1 is not supported; "
                                "this program reads version %2")
                     .arg(version.toString(), formatVersion));
        }
        if (next() != QXmlStreamReader::StartElement)
            fail(QStringLiteral("<preferences> holds no <root>"));
        if (xml_.name() != u"root") {
            fail(QStringLiteral("Unexpected element <%1> in <preferences>").arg(xml_.name()));
        }
        const auto type = xml_.attributes().value(QStringLiteral("type"));
        if (type != u"user" && type != u"system") {
            fail(QStringLiteral("<root> must have the type \"user\" or \"system\""));
        }
        Result result{type == u"system", {}};
        readNode(result.root, 0);
        if (next() != QXmlStreamReader::EndElement) {
            fail(QStringLiteral("<preferences> must hold one <root> element only"));
        }
        if (next() != QXmlStreamReader::EndDocument)
            fail(QStringLiteral("Content after the document"));
        return result;
    }

  private:
    [[noreturn]] void fail(const QString& message) {
        throw InvalidPreferencesFormatException(
            QStringLiteral("%1 (line %2)").arg(message).arg(xml_.lineNumber()).toStdString());
    }

    void checkDocumentType() {
        // The internal subset is where entities are declared; a settings
        // export never declares any, so expansion attacks stop here.
        if (!xml_.entityDeclarations().isEmpty()) {
            fail(QStringLiteral("Entity declarations are not allowed in a settings file"));
        }
        if (xml_.dtdName() != u"preferences") {
            fail(QStringLiteral("Not a preferences export: the document type is %1")
                     .arg(xml_.dtdName().toString()));
        }
    }

    // The next element boundary, past comments, processing instructions,
    // the document type and white space.
    QXmlStreamReader::TokenType next() {
        for (;;) {
            switch (xml_.readNext()) {
                case QXmlStreamReader::Invalid:
                    throw InvalidPreferencesFormatException(
                        QStringLiteral("Malformed XML at line %1, column %2: %3")
                            .arg(xml_.lineNumber())
                            .arg(xml_.columnNumber())
                            .arg(xml_.errorString())
                            .toStdString());
                case QXmlStreamReader::StartDocument:
                case QXmlStreamReader::Comment:
                case QXmlStreamReader::ProcessingInstruction:
                    continue;
                case QXmlStreamReader::DTD:
                    checkDocumentType();
                    continue;
                case QXmlStreamReader::Characters:
                    if (xml_.isWhitespace()) continue;
                    fail(QStringLiteral("Unexpected text \"%1\"")
                             .arg(xml_.text().toString().simplified().left(40)));
                case QXmlStreamReader::EntityReference:
                    fail(QStringLiteral("Undeclared entity &%1;").arg(xml_.name()));
                default:
                    return xml_.tokenType();
            }
        }
    }

    QString attribute(const QString& name) {
        if (!xml_.attributes().hasAttribute(name)) {
            fail(QStringLiteral("<%1> lacks the attribute %2").arg(xml_.name(), name));
        }
        return xml_.attributes().value(name).toString();
    }

    // The content of <root> or <node>: maps and child nodes.
    void readNode(NodeData& node, int depth) {
        while (next() == QXmlStreamReader::StartElement) {
            if (xml_.name() == u"map") {
                readMap(node);
            } else if (xml_.name() == u"node") {
                if (depth == maxNodeDepth) fail(QStringLiteral("Nodes nested too deeply"));
                NodeData child;
                child.name = attribute(QStringLiteral("name"));
                checkNodeName(child.name);
                readNode(child, depth + 1);
                node.children.push_back(std::move(child));
            } else {
                fail(QStringLiteral("Unexpected element <%1>").arg(xml_.name()));
            }
        }
    }

    void readMap(NodeData& node) {
        while (next() == QXmlStreamReader::StartElement) {
            if (xml_.name() != u"entry")
                fail(QStringLiteral("Unexpected element <%1> in <map>").arg(xml_.name()));
            QString key = attribute(QStringLiteral("key"));
            QString value = attribute(QStringLiteral("value"));
            if (key.size() > AbstractPreferences::MAX_KEY_LENGTH)
                fail(QStringLiteral("Key too long: %1").arg(key));
            if (value.size() > AbstractPreferences::MAX_VALUE_LENGTH) {
                fail(QStringLiteral("Value too long for key %1").arg(key));
            }
            if (next() != QXmlStreamReader::EndElement)
                fail(QStringLiteral("<entry> must be empty"));
            node.entries.emplace_back(std::move(key), std::move(value));
        }
    }

    void checkNodeName(const QString& name) {
        if (name.isEmpty() || name.contains(u'/') ||
            name.size() > AbstractPreferences::MAX_NAME_LENGTH) {
            fail(QStringLiteral("Invalid node name \"%1\"").arg(name));
        }
    }

    QXmlStreamReader xml_;
};

// The target store's own limits, checked for the whole file before anything is stored.
void checkStorable(const AbstractPreferences& store, const NodeData& data) {
    for (const auto& entry : data.entries) {
        if (const auto why = store.refusedKey(entry.first))
            throw InvalidPreferencesFormatException(why->toStdString());
    }
    for (const NodeData& child : data.children) {
        if (const auto why = store.refusedName(child.name))
            throw InvalidPreferencesFormatException(why->toStdString());
        checkStorable(store, child);
    }
}

void store(AbstractPreferences& node, const NodeData& data) {
    // Held until the flush that follows: a store that writes at every put
    // would otherwise rewrite its file once per key, and leave part of the
    // import behind when a write fails half-way.
    node.putAll(data.entries);
    for (const NodeData& child : data.children) store(node.node(child.name), child);
}

}  // namespace

void exportNode(AbstractPreferences& node, QIODevice& out) {
    const QStringList names = node.absolutePath().split(u'/', Qt::SkipEmptyParts);
    for (const QString& name : names)
        checkWritable(name, QStringLiteral("The node name \"%1\"").arg(name));
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument(QStringLiteral("1.0"), false);
    xml.writeDTD(doctype);
    xml.writeStartElement(QStringLiteral("preferences"));
    xml.writeAttribute(QStringLiteral("EXTERNAL_XML_VERSION"), formatVersion);
    xml.writeStartElement(QStringLiteral("root"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("user"));
    // The ancestors appear with empty maps, so the import finds the path.
    writeMap(xml, names.isEmpty() ? &node : nullptr);
    for (qsizetype i = 0; i < names.size(); ++i) {
        xml.writeStartElement(QStringLiteral("node"));
        xml.writeAttribute(QStringLiteral("name"), names[i]);
        writeMap(xml, i + 1 == names.size() ? &node : nullptr);
    }
    for (qsizetype i = 0; i < names.size(); ++i) xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError()) {
        throw std::runtime_error(
            QStringLiteral("Unable to write the export: %1").arg(out.errorString()).toStdString());
    }
}

namespace {

// The file's path of nodes, for messages: "/com/belmaro" and the like.
QString pathText(const QStringList& names) {
    return names.isEmpty() ? QStringLiteral("/") : u'/' + names.join(u'/');
}

// Refuses a file that holds anything but the one node at `names`.
void checkHoldsOnly(const ImportReader::Result& file, const QStringList& names) {
    const QString wanted = pathText(names);
    const NodeData* node = &file.root;
    QStringList path;
    for (const QString& name : names) {
        if (!node->entries.empty()) {
            throw InvalidPreferencesFormatException(
                QStringLiteral("The file holds settings of %1, not only of %2")
                    .arg(pathText(path), wanted)
                    .toStdString());
        }
        const NodeData* next = nullptr;
        for (const NodeData& child : node->children) {
            if (child.name == name) {
                next = &child;
            } else {
                throw InvalidPreferencesFormatException(
                    QStringLiteral("The file holds settings of %1, not of %2")
                        .arg(pathText(path + QStringList{child.name}), wanted)
                        .toStdString());
            }
        }
        if (!next) {
            throw InvalidPreferencesFormatException(
                QStringLiteral("The file holds no settings of %1").arg(wanted).toStdString());
        }
        path << name;
        node = next;
    }
    if (!node->children.empty()) {
        throw InvalidPreferencesFormatException(
            QStringLiteral("The file holds settings of %1, not only of %2")
                .arg(pathText(path + QStringList{node->children.front().name}), wanted)
                .toStdString());
    }
}

ImportReader::Result readImport(QIODevice& in) {
    if (!in.isReadable()) {
        throw std::runtime_error(QStringLiteral("Unable to read the settings file: %1")
                                     .arg(in.errorString())
                                     .toStdString());
    }
    const QByteArray bytes = in.read(maxImportBytes + 1);
    if (bytes.size() > maxImportBytes) {
        throw InvalidPreferencesFormatException(
            QStringLiteral("The file is larger than %1 bytes; settings exports are far smaller")
                .arg(maxImportBytes)
                .toStdString());
    }
    ImportReader reader(bytes);
    return reader.read();
}

}  // namespace

void importPreferences(QIODevice& in, AbstractPreferences& userRoot,
                       AbstractPreferences& systemRoot) {
    const auto file = readImport(in);
    AbstractPreferences& target = file.system ? systemRoot : userRoot;
    checkStorable(target, file.root);
    // The whole file has been checked: from here on every key is stored.
    store(target, file.root);
    target.flush();
}

void importNode(QIODevice& in, AbstractPreferences& userRoot, const QString& nodePath) {
    const auto file = readImport(in);
    checkHoldsOnly(file, nodePath.split(u'/', Qt::SkipEmptyParts));
    checkStorable(userRoot, file.root);
    store(userRoot, file.root);
}

}  // namespace PreferencesXml
