#pragma once
// The commands of valtyp-cli; each lives in its own file.

#include <QStringList>

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);  // args without the program and command names
};

int runExtract(const QStringList& args);
int runIdentify(const QStringList& args);
int runPorts(const QStringList& args);
int runSamples(const QStringList& args);
int runSimulate(const QStringList& args);
int runRun(const QStringList& args);
int runSettings(const QStringList& args);
