#pragma once
// The program's entry: start-up properties, then the main window, built on
// the user-interface thread once the event loop runs.

#include "valtyp/FrameServices.h"

#include <QStringList>
// On Windows Qt's entry point renames main to qMain where this header is seen; seen here, the
// rename reaches the declaration below and every caller alike.
#include <qwindowdefs.h>

#include <memory>
#include <optional>

class VideriRaZivFrame2;

class VideriRaZiv {
  public:
    // Runs the program; answers its exit status.
    static int main(int argc, char** argv, FrameServices services);
    // "VERSION", "RELEASEDATE", "JSP_OSNAME", "JSP_OSARCH", always; "EDITION"
    // from the environment variable of that name, when it is set.
    static void setDefaultProperties();
    // --help and --version, wherever they stand: prints the answer and gives
    // the exit status; none for a normal start.
    static std::optional<int> answerInformationOptions(int argc, char** argv);
    // --edition=NAME, for launchers that cannot set the environment (a Windows
    // shortcut): sets "EDITION" and takes the argument out of the list.
    static void takeEditionArgument(QStringList& args);
    static std::unique_ptr<VideriRaZivFrame2> createGUI(const QStringList& args,
                                                        FrameServices services);
};
