#pragma once
// Copies the settings node to an export file and back. The window and
// valtyp-cli both go through here, so they accept and refuse the same files
// with the same messages.

#include <QString>

class AbstractPreferences;

class SettingsTransfer {
  public:
    static constexpr const char* suggestedFileName = "Valtyp.xml";
    static constexpr const char* importFailedPrefix = "Import failed\n";
    static constexpr const char* restartQuestion = "Apply imported configuration and exit?";
    static constexpr const char* restartTitle = "Restart required";

    // The settings node (ConfigStore::nodePath) of some store.
    explicit SettingsTransfer(AbstractPreferences& node) : node_(node) {}

    // Flushes the node and writes its export to the file. The file is
    // replaced only by a complete export: a failure leaves an earlier file
    // as it was. Throws std::exception with the failure's message.
    void exportTo(const QString& path);

    // Stores every entry of an export of the settings node and flushes; keys
    // the file does not mention keep their values. A file that is not such
    // an export is refused before anything is stored; the store is written
    // once, all keys or none, and a failed write leaves the node's values as
    // they were. Throws std::exception with the failure's message.
    void importFrom(const QString& path);

    // The texts shown for each outcome (bundle "valtyp.Valtyp").
    static QString exportedMessage(const QString& path);
    static QString exportFailedMessage(const QString& reason);
    static QString importFailedMessage(const QString& reason);
    static QString cancelledByUser();
    static QString errorTitle();
    static QString exportSuccessfulTitle();

  private:
    AbstractPreferences& node_;
};
