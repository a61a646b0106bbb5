// valtyp-cli identify against the simulator of every catalogue instrument,
// through pseudo-terminals: does the top-ranked instrument type what the
// simulated one types?

#include "CliProcess.h"

#include "config/Config.h"
#include "config/Instrument.h"
#include "worker/RecordProcessor.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>

#include <cstdio>
#include <map>
#include <memory>

using namespace ConfigHelper;

namespace {

// Records for the instruments the catalogue gives no samples for, in their
// kind of format.
QByteArray recordsFor(Instrument i) {
    switch (i) {
        case Instrument::BARCODE:
            return "4006381333931\n4012345678901\n";
        case Instrument::BARCODE_ALPHA:
            return "AB12CD34\nXY98ZZ01\n";
        case Instrument::BARCODE_ALPHA_COMPLETE:
            return "Lot a-17/b\nLot c-18/d\n";
        case Instrument::ADAM_GC_PCS:
            return "      120 pcs\n      121 pcs\n";
        case Instrument::ADAM_LABEL:
            return "   1.234 kg\n   1.236 kg\n";
        case Instrument::METTLER_DIALOG:
            return "S S     12.34 g\nS D     12.36 g\n";
        case Instrument::SARTORIUS:
            return "+    12.34 g  \n+    12.35 g  \n";
        default:
            return "     12.34 g\n     12.36 g\n     12.35 g\n";
    }
}

QStringList typedBy(Instrument i, const QStringList& records) {
    Config c = getDefaultConfig(i);
    c.setInstrument(i);
    RecordProcessor p(c);
    QStringList typed;
    for (const QString& r : records) typed << p.read(r).output;
    return typed;
}

struct SimulatedRun {
    Instrument instrument{};
    std::unique_ptr<QTemporaryFile> records;
    std::unique_ptr<QProcess> simulator;
    std::unique_ptr<QProcess> identify;
};

void start(SimulatedRun& run) {
    const QString name = Options<Instrument>::name(run.instrument);
    QStringList args{"simulate", "--instrument", name, "--interval", "40"};
    if (getTestStrings(run.instrument).front().first.isEmpty()) {
        run.records = std::make_unique<QTemporaryFile>();
        ASSERT_TRUE(run.records->open());
        run.records->write(recordsFor(run.instrument));
        run.records->flush();
        args << "--records" << run.records->fileName();
    }
    const QString command = getDataCommand(run.instrument);
    if (!command.isEmpty()) args << "--respond-to" << QString(command).replace("\r", "\\r");
    run.simulator = std::make_unique<QProcess>();
    run.simulator->start(QStringLiteral(VALTYP_CLI), args);
    ASSERT_TRUE(run.simulator->waitForReadyRead(20000)) << name.toStdString();
    const QString port = QString::fromLocal8Bit(run.simulator->readLine()).trimmed();
    run.identify = std::make_unique<QProcess>();
    run.identify->start(QStringLiteral(VALTYP_CLI),
                        {"identify", "--port", port, "--listen", "600", "--json"});
}

}  // namespace

TEST(IdentifyCommand, NamesAnInstrumentThatTypesWhatEachSimulatedOneTypes) {
    const auto all = Options<Instrument>::values();
    int identified = 0;
    QStringList missed;
    constexpr size_t kAtOnce = 6;
    for (size_t from = 0; from < all.size(); from += kAtOnce) {
        std::vector<SimulatedRun> runs(std::min(kAtOnce, all.size() - from));
        for (size_t k = 0; k < runs.size(); ++k) {
            runs[k].instrument = all[from + k];
            start(runs[k]);
        }
        for (SimulatedRun& run : runs) {
            const std::string name = Options<Instrument>::name(run.instrument).toStdString();
            ASSERT_TRUE(run.identify->waitForFinished(60000)) << name;
            run.simulator->terminate();
            run.simulator->waitForFinished(10000);
            ASSERT_EQ(run.identify->exitCode(), 0)
                << name << ": " << run.identify->readAllStandardError().toStdString();
            const QJsonObject o =
                QJsonDocument::fromJson(run.identify->readAllStandardOutput()).object();
            // Through a pseudo-terminal any setting reads cleanly: the first.
            EXPECT_EQ(o["lineSettings"].toString(), "9600 8N1") << name;
            // The terminator is what the bytes show: for an entry whose
            // samples end otherwise than its terminator says, not the entry's.
            EXPECT_TRUE(o["terminator"].isDouble()) << name;
            EXPECT_EQ(o["request"].toString(), getDataCommand(run.instrument)) << name;
            QStringList records;
            for (const auto& r : o["records"].toArray()) records << r.toString();
            EXPECT_GE(records.size(), 2) << name;
            const QJsonArray ranked = o["instruments"].toArray();
            ASSERT_EQ(ranked.size(), 36) << name;
            const QString top = ranked[0].toObject()["name"].toString();
            const auto topInstrument = Options<Instrument>::find(top);
            ASSERT_TRUE(topInstrument) << top.toStdString();
            const QStringList wanted = typedBy(run.instrument, records);
            if (!records.isEmpty() && typedBy(*topInstrument, records) == wanted &&
                ranked[0].toObject()["value"].toString() == wanted.back()) {
                ++identified;
            } else {
                missed << QString::fromStdString(name) + u'>' + top;
            }
        }
    }
    std::printf("[ figure ] identified %d of %zu; missed: %s\n", identified, all.size(),
                missed.join(u' ').toLocal8Bit().constData());
    // What this ranking reaches today; a change that loses one shows here.
    EXPECT_GE(identified, 34);
}
