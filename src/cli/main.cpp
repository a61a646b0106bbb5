// valtyp-cli: headless access to what the window does.

#include "Serialio/Diagnostics.h"
#include "cli/Commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <iterator>

namespace {

constexpr Command commands[] = {
    {"extract", "extract --instrument NAME [--set key=value]... [--json]  < records", runExtract},
    {"identify", "identify --port PATH [--seconds N] [--listen MS] [--json]", runIdentify},
    {"ports", "ports [--verbose]", runPorts},
    {"samples", "samples", runSamples},
    {"simulate",
     "simulate --instrument NAME [--interval MS] [--count N] [--records FILE] [--link PATH]"
     " [--respond-to COMMAND]",
     runSimulate},
    {"run",
     "run --port PATH [--instrument NAME] [--set key=value]... [--type] [--count N] [--json]"
     " [--reading-log DIR]",
     runRun},
    {"settings", "settings show | export FILE [--force] | import FILE", runSettings},
};

int usage() {
    std::fputs("usage: valtyp-cli COMMAND [options]\ncommands:\n", stderr);
    for (const Command& c : commands) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // Standard output carries the results; the serial library's banners go
    // with the log lines.
    Serialio::setDiagnosticStream(&std::cerr);
    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) return usage();
    const QString name = args.at(1);
    args.remove(0, 2);
    for (const Command& c : commands) {
        if (name == QLatin1StringView(c.name)) return c.run(args);
    }
    return usage();
}
