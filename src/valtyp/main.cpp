// valtyp: the desktop program.

#include "config/KeyMaps.h"
#include "platform/System.h"
#include "platform/focus/SystemFocus.h"
#include "platform/keys/SystemKeyboard.h"
#include "valtyp/QtDialogs.h"
#include "valtyp/VideriRaZiv.h"
#include "valtyp/util/OpenHyperlinkInBrowser.h"
#include "valtyp/util/UpdateWorker.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

int runProgram(int argc, char** argv) {
    QtDialogs dialogs;
    FrameServices services;
    services.dialogs = &dialogs;
    services.keyboard = [](ConfigHelper::KeyboardType type) {
        const ConfigHelper::LayoutName name = ConfigHelper::layoutName(type);
        return keys::openSystemKeyboard({name.layout, name.variant}, std::getenv);
    };
    services.focusProbe = [] { return focus::openSystemFocusProbe(std::getenv); };
    services.sequencers = midi::systemSequencer;
    services.updateDraw = UpdateCheckStart::uniformDraw();
    services.updateCheck = [](UpdateWorkerView& view) {
        return std::make_unique<UpdateWorker>(view, UpdateWorker::programSettings());
    };
    if (OpenHyperlinkInBrowser::isBrowsingSupported())
        services.browser = LinkRunner::desktopOpener();
    services.exit = [](int status) { QCoreApplication::exit(status); };
    return VideriRaZiv::main(argc, argv, std::move(services));
}

}  // namespace

int main(int argc, char** argv) {
    // The window, its settings and every thread of the program's own have ended by now.
    platform::endProcess(runProgram(argc, argv));
}
