#pragma once
// Settings export files in the common preferences XML layout, so that files
// of other tools writing it import here:
//
//   <?xml version="1.0" encoding="UTF-8" standalone="no"?>
//   <!DOCTYPE preferences SYSTEM "http://java.sun.com/dtd/preferences.dtd">
//   <preferences EXTERNAL_XML_VERSION="1.0">
//     <root type="user">
//       <map/>
//       <node name="com"> ... <map><entry key="k" value="v"/></map> ... </node>
//     </root>
//   </preferences>
//
// Import is strict and safe on untrusted files: no entity declarations (so no
// entity expansion), nothing fetched, at most maxImportBytes read, and the
// whole file is checked before the first key is stored.

#include <QtGlobal>

class AbstractPreferences;
class QIODevice;

namespace PreferencesXml {

inline constexpr qint64 maxImportBytes = 1024 * 1024;
// Deeper files are refused rather than read by unbounded recursion.
inline constexpr int maxNodeDepth = 64;

// Writes the node's keys, with the path from the root down to it. Throws
// std::runtime_error when a text cannot be written as XML or the device
// refuses the bytes.
void exportNode(AbstractPreferences& node, QIODevice& out);

// Creates the nodes named in the file and puts every entry it holds; keys
// the file does not mention keep their values. Throws
// InvalidPreferencesFormatException, with nothing stored, for a file that is
// too large, malformed, or not a preferences export; std::runtime_error when
// the device cannot be read.
void importPreferences(QIODevice& in, AbstractPreferences& userRoot,
                       AbstractPreferences& systemRoot);

// Like importPreferences, for a file that must hold one node and nothing
// else: the nodes above it may appear only as the empty
// path down to it, and it may have no children. Anything else is refused
// with InvalidPreferencesFormatException naming what the file holds, so a
// file meant for another program never creates nodes of its own here.
void importNode(QIODevice& in, AbstractPreferences& userRoot, const QString& nodePath);

}  // namespace PreferencesXml
