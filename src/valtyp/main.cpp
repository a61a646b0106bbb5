// valtyp: the desktop program.

#include "platform/keys/x11/X11KeyGenerator.h"
#include "valtyp/QtDialogs.h"
#include "valtyp/VideriRaZiv.h"
#include "valtyp/util/OpenHyperlinkInBrowser.h"
#include "valtyp/util/UpdateWorker.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QtDialogs dialogs;
    FrameServices services;
    services.dialogs = &dialogs;
    services.keyboard = [] { return std::make_unique<keys::X11KeyGenerator>(); };
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
