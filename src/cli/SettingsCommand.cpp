// valtyp-cli settings: the stored settings of the program, shown, exported to
// a file or imported from one, for setting up many machines alike. It works
// on the store the program would use: EDITION=HUB picks the shared file.

#include "Serialio/SystemProperties.h"
#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "config/ResourceBundle.h"
#include "valtyp/prefs/AbstractPreferences.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/SettingsTransfer.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace {

constexpr int kRefused = 2;

int usage() {
    std::fputs(
        "usage: valtyp-cli settings show\n"
        "       valtyp-cli settings export FILE [--force]\n"
        "       valtyp-cli settings import FILE\n",
        stderr);
    return kRefused;
}

void printOut(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

AbstractPreferences& settingsNode() {
    // The edition's launcher says which edition runs, as for the program.
    const QByteArray edition = qgetenv("EDITION");
    if (!edition.isNull()) Serialio::SystemProperties::set("EDITION", edition.toStdString());
    return ConfigStore::settingsNode();
}

int show() {
    AbstractPreferences& node = settingsNode();
    QStringList keys = node.keys();
    std::sort(keys.begin(), keys.end());
    for (const QString& key : keys) printOut(key + u'=' + node.get(key, QString()));
    return 0;
}

int exportTo(const QString& path, bool force) {
    if (!force && QFileInfo::exists(path)) {
        printError(SettingsTransfer::exportFailedMessage(
            path + QStringLiteral(": the file exists; --force replaces it")));
        return kRefused;
    }
    try {
        SettingsTransfer(settingsNode()).exportTo(path);
    } catch (const std::exception& e) {
        printError(SettingsTransfer::exportFailedMessage(QString::fromLocal8Bit(e.what())));
        return kRefused;
    }
    printOut(SettingsTransfer::exportedMessage(path));
    return 0;
}

int importFrom(const QString& path) {
    try {
        SettingsTransfer(settingsNode()).importFrom(path);
    } catch (const std::exception& e) {
        printError(SettingsTransfer::importFailedMessage(QString::fromLocal8Bit(e.what())));
        return kRefused;
    }
    printOut(ResourceBundle::getBundle(QStringLiteral("valtyp.Valtyp"))
                 .getString(QStringLiteral("configuration.imported.from.file.n")) +
             path);
    return 0;
}

}  // namespace

int runSettings(const QStringList& args) {
    const QString action = args.value(0);
    if (action == u"show" && args.size() == 1) return show();
    if (action == u"import" && args.size() == 2) return importFrom(args[1]);
    if (action == u"export" && (args.size() == 2 || args.size() == 3)) {
        QStringList rest = args.mid(1);
        const bool force = rest.removeAll(QStringLiteral("--force")) > 0;
        if (rest.size() != 1 || (args.size() == 3 && !force)) return usage();
        return exportTo(rest.first(), force);
    }
    return usage();
}
