// A full settings save on the shared-file store, as the window does it when a
// tab is left or the program closes: every key put, then a flush.
// Usage: bench_save [--benchmark_...]; VALTYP_BENCH_DIR picks the folder of the
// file (default: the current folder, so the file lives on a real disk where
// fsync costs what it costs on a user's machine).

#include "Serialio/SystemProperties.h"
#include "config/Config.h"
#include "valtyp/prefs/ConfigStore.h"
#include "valtyp/prefs/FilePreferences.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <cstdlib>

static void BM_SaveConfigOnFileStore(benchmark::State& state) {
    const char* folder = std::getenv("VALTYP_BENCH_DIR");
    const QString path = QDir(folder ? QString::fromLocal8Bit(folder) : QDir::currentPath())
                             .filePath("bench-prefs.txt");
    QFile::remove(path);
    Serialio::SystemProperties::set(FilePreferencesFactory::SYSTEM_PROPERTY_FILE,
                                    path.toStdString());
    FilePreferencesFactory factory;
    AbstractPreferences& node = factory.userRoot().node(ConfigStore::nodePath);
    // Other users' nodes in the shared file are read and written back by every flush.
    for (int station = 0; station < 5; ++station)
        factory.userRoot()
            .node(QStringLiteral("/station%1/Valtyp").arg(station))
            .put("port", "/dev/ttyS0");

    Config config;
    config.setPort("/dev/ttyUSB0");
    int round = 0;
    for (auto _ : state) {
        config.setDelay(QString::number(20 + (round++ % 50)));  // every save changes something
        if (!ConfigStore::saveConfig(config, node)) state.SkipWithError("saveConfig failed");
    }
    QFile::remove(path);
    QFile::remove(path + ".lock");
}
BENCHMARK(BM_SaveConfigOnFileStore)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
