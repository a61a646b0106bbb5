// valtyp-cli extract: frames standard input into records and processes each
// one exactly as an acquisition would, printing one line per record.

#include "cli/CliSettings.h"
#include "cli/Commands.h"
#include "cli/RecordOutput.h"
#include "worker/DataLine.h"
#include "worker/Ignorer.h"
#include "worker/RecordFramer.h"
#include "worker/RecordProcessor.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>

int runExtract(const QStringList& args) {
    std::optional<Config> config;
    bool json = false;
    try {
        const CliArguments parsed(args, {"--instrument", "--set"}, {"--json"});
        json = parsed.flag("--json");
        config = cliConfig(parsed.value("--instrument"), parsed.values("--set"));
    } catch (const std::invalid_argument& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 2;
    }

    std::optional<RecordProcessor> processor;
    try {
        processor.emplace(*config);
    } catch (const std::exception& e) {
        printError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    std::optional<Ignorer> ignorer;
    if (config->ignoreDuplicates) ignorer.emplace(*config);

    const RecordPrinter printer(json);
    RecordFramer framer(config->getInputTerminator());
    std::int32_t count = 0;
    char chunk[64 * 1024];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            const auto step = framer.add(static_cast<unsigned char>(chunk[i]));
            if (step == RecordFramer::Step::Overflow) {
                std::fprintf(stderr, "%s\n", unsentDataText(framer.buffer()).toUtf8().constData());
                framer.clear();
                continue;
            }
            if (step != RecordFramer::Step::Complete) continue;
            const auto now = std::chrono::system_clock::now();
            ++count;
            std::optional<QString> error;
            Reading reading;
            try {
                reading = processor->read(framer.buffer());
            } catch (const std::exception& e) {
                error = QString::fromLocal8Bit(e.what());
            }
            DataLine record(framer.buffer(), reading, count, now, false);
            try {
                if (ignorer && !error) ignorer->process(record);
            } catch (const std::exception& e) {
                error = QString::fromLocal8Bit(e.what());
            }
            printer.print(record, error);
            framer.clear();
        }
    }
    std::fflush(stdout);
    if (!framer.isEmpty())
        std::fprintf(stderr, "%s\n", unsentDataText(framer.buffer()).toUtf8().constData());
    return 0;
}
