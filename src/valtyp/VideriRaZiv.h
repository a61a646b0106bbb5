#pragma once
// The program's entry: start-up properties, then the main window, built on
// the user-interface thread once the event loop runs.

#include "valtyp/FrameServices.h"

#include <QStringList>

#include <memory>

class VideriRaZivFrame2;

class VideriRaZiv {
  public:
    // Runs the program; answers its exit status.
    static int main(int argc, char** argv, FrameServices services);
    // "VERSION", "RELEASEDATE", "JSP_OSNAME", "JSP_OSARCH", always; "EDITION"
    // from the environment variable of that name, when it is set.
    static void setDefaultProperties();
    static std::unique_ptr<VideriRaZivFrame2> createGUI(const QStringList& args,
                                                        FrameServices services);
};
