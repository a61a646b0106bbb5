// valtyp-cli samples: every catalogue instrument's sample records through the
// extraction, one PASS or FAIL line per pair.

#include "cli/Commands.h"
#include "config/Instrument.h"
#include "config/RecordPattern.h"
#include "worker/DataLine.h"

#include <cstdio>
#include <stdexcept>

using namespace ConfigHelper;

int runSamples(const QStringList& args) {
    if (!args.isEmpty()) {
        std::fputs("valtyp-cli: samples takes no arguments\n", stderr);
        return 2;
    }
    int failures = 0;
    for (Instrument instrument : Options<Instrument>::values()) {
        const QString name = Options<Instrument>::name(instrument);
        const RecordPattern pattern = RecordPattern::compile(getPattern(instrument));
        for (const auto& [record, expected] : getTestStrings(instrument)) {
            QString value;
            try {
                value = extractValue(pattern, record, getCaptureGroup(instrument));
            } catch (const std::exception& e) {
                value = QStringLiteral("error: ") + QString::fromLocal8Bit(e.what());
            }
            const bool pass = value == expected;
            failures += pass ? 0 : 1;
            const QString line =
                QStringLiteral("%1 %2 [%3] -> [%4]%5\n")
                    .arg(pass ? "PASS" : "FAIL", name, DataLine::transformControlChars(record),
                         DataLine::transformControlChars(value),
                         pass ? QString()
                              : QStringLiteral(" expected [%1]")
                                    .arg(DataLine::transformControlChars(expected)));
            std::fputs(line.toUtf8().constData(), stdout);
        }
    }
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
