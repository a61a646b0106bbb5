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

void printUsage(std::FILE* out) {
    std::fputs(
        "Usage: valtyp-cli COMMAND [OPTION]...\n"
        "Run Valtyp's serial input, extraction and typing without the window.\n\n"
        "Commands:\n",
        out);
    for (const Command& c : commands) std::fprintf(out, "  %s\n", c.usage);
}

int usage() {
    printUsage(stderr);
    std::fputs("Try 'valtyp-cli --help' for more information.\n", stderr);
    return 2;
}

int help() {
    printUsage(stdout);
    std::fputs(
        "\n"
        "      --help     display this help and exit\n"
        "      --version  output version information and exit\n\n"
        "Exit status: 0 success; 1 a failure while running, or a sample that fails;\n"
        "2 a wrong command line, a missing serial driver or a refused settings transfer.\n\n"
        "Full documentation: man valtyp-cli\n",
        stdout);
    return 0;
}

int version() {
    std::fputs("valtyp-cli (Valtyp) " VALTYP_VERSION "\n", stdout);
    return 0;
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
    if (name == u"--help") return help();
    if (name == u"--version") return version();
    args.remove(0, 2);
    for (const Command& c : commands) {
        if (name == QLatin1StringView(c.name)) return c.run(args);
    }
    return usage();
}
