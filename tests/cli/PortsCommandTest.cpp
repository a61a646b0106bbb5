#include "CliProcess.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(PortsCommand, ListsEachPortWithItsDisplayName) {
    const CliResult r = runCli({"ports"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // Whatever this machine has: every line is a device path, or its display
    // name "path: description - maker" when the driver describes it.
    const QRegularExpression line(QStringLiteral("^/dev/\\S+(: .* - .*)?$"));
    for (const QByteArray& l : r.out.split('\n')) {
        if (l.isEmpty()) continue;
        EXPECT_TRUE(line.match(QString::fromUtf8(l)).hasMatch()) << l.toStdString();
    }
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();  // banners only with --verbose
}

TEST(PortsCommand, RefusesUnknownOptions) {
    const CliResult r = runCli({"ports", "--bogus"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("--bogus"));
}
