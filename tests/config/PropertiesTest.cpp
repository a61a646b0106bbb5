#include "config/Properties.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QRegularExpression>

#include <stdexcept>

namespace {

QByteArray stored(const Properties& p, const QString& comment = {}) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    p.store(buffer, comment);
    return bytes;
}

Properties parsed(const QByteArray& bytes) {
    Properties p;
    p.load(bytes);
    return p;
}

// The entry lines of a stored set, without the header lines.
QList<QByteArray> entryLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "output must end with a line break";
    lines.removeLast();
    lines.removeIf([](const QByteArray& line) { return line.startsWith('#'); });
    return lines;
}

const QString surrogatePair = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600

}  // namespace

TEST(PropertiesRoundTrip, AwkwardKeysAndValuesSurviveStoreAndLoad) {
    Properties original;
    const QStringList texts = {
        QString(),
        QStringLiteral(" "),
        QStringLiteral("  two leading blanks"),
        QStringLiteral("trailing blank "),
        QStringLiteral("a=b:c d"),
        QStringLiteral("#not a comment"),
        QStringLiteral("!not a comment"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("\\"),
        QStringLiteral("\\u0041 literally"),
        QStringLiteral("line\nbreak\r\nand\rcr"),
        QStringLiteral("\ttab\fform feed"),
        QStringLiteral("ends with continuation\\\n"),
        QString::fromUtf8("Ω 5 € ü é ÿ") + surrogatePair,
        QString(QChar(0)) + QChar(0x7F) + QChar(0x80) + QChar(0x1F),
    };
    for (int i = 0; i < texts.size(); ++i) {
        original.setProperty(texts[i], texts[(i + 1) % texts.size()]);
        original.setProperty(QStringLiteral("k%1").arg(i), texts[i]);
    }

    const QByteArray bytes = stored(original, QStringLiteral("round trip"));
    for (char c : bytes) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E)) << "unescaped byte " << int(c);
    }
    const Properties reloaded = parsed(bytes);
    EXPECT_EQ(reloaded.size(), original.size());
    EXPECT_EQ(reloaded, original);
}

TEST(PropertiesStore, EscapesExactlyAndSortsByKey) {
    Properties p;
    p.setProperty(QStringLiteral("e"), QString());
    p.setProperty(QString::fromUtf8("dΩ"), QString::fromUtf8("€é") + surrogatePair);
    p.setProperty(QStringLiteral("c\t\n\r\f"), QStringLiteral("\t\n\r\f"));
    p.setProperty(QStringLiteral("b=:#!"), QStringLiteral("=:#!\\"));
    p.setProperty(QStringLiteral("a key"), QStringLiteral(" value with  blanks "));
    p.setProperty(QStringLiteral("B"), QStringLiteral("upper case sorts first"));

    const QList<QByteArray> expected = {
        "B=upper case sorts first",
        R"(a\ key=\ value with  blanks )",
        R"(b\=\:\#\!=\=\:\#\!\\)",
        R"(c\t\n\r\f=\t\n\r\f)",
        R"(d\u03A9=\u20AC\u00E9\uD83D\uDE00)",
        "e=",
    };
    EXPECT_EQ(entryLines(stored(p)), expected);
}

TEST(PropertiesStore, HeaderHasCommentThenEnglishDateLine) {
    Properties p;
    p.setProperty(QStringLiteral("k"), QStringLiteral("v"));
    const QRegularExpression dateLine(QStringLiteral(
        "^#(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "\\d\\d \\d\\d:\\d\\d:\\d\\d \\S+ \\d{4}$"));

    const QList<QByteArray> withComment = stored(p, QStringLiteral("Valtyp settings")).split('\n');
    ASSERT_EQ(withComment.size(), 4);
    EXPECT_EQ(withComment[0], "#Valtyp settings");
    EXPECT_TRUE(dateLine.match(QString::fromLatin1(withComment[1])).hasMatch())
        << withComment[1].constData();
    EXPECT_EQ(withComment[2], "k=v");

    const QList<QByteArray> withoutComment = stored(p).split('\n');
    ASSERT_EQ(withoutComment.size(), 3);
    EXPECT_TRUE(dateLine.match(QString::fromLatin1(withoutComment[0])).hasMatch());
}

TEST(PropertiesStore, MultiLineCommentStaysCommentedAndLatin1) {
    const QByteArray bytes =
        stored(Properties(), QString::fromUtf8("one\ntwo\r\n!three\r#four Ω é"));
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "#one");
    EXPECT_EQ(lines[1], "#two");
    EXPECT_EQ(lines[2], "!three");
    EXPECT_EQ(lines[3], "#four \\u03A9 \xE9");
    EXPECT_EQ(parsed(bytes).size(), 0);
}

TEST(PropertiesLoad, ReadsTheThreeSeparatorsAndBlanksAroundThem) {
    const Properties p = parsed(
        "equals=1\n"
        "colon:2\n"
        "blank 3\n"
        "  indented   =   4  \n"
        "tabbed\t:\t5\n"
        "blankThenEquals   =6\n"
        "twoSeparators==7\n"
        "blankThenTwo  : :8\n"
        "\f formfeed\f9\n");
    EXPECT_EQ(p.value("equals"), "1");
    EXPECT_EQ(p.value("colon"), "2");
    EXPECT_EQ(p.value("blank"), "3");
    EXPECT_EQ(p.value("indented"), "4  ");
    EXPECT_EQ(p.value("tabbed"), "5");
    EXPECT_EQ(p.value("blankThenEquals"), "6");
    EXPECT_EQ(p.value("twoSeparators"), "=7");
    EXPECT_EQ(p.value("blankThenTwo"), ":8");
    EXPECT_EQ(p.value("formfeed"), "9");
    EXPECT_EQ(p.size(), 9);
}

TEST(PropertiesLoad, KeysWithoutValuesAndEmptyKeys) {
    const Properties p = parsed("alone\nwithEquals=\nwithColon:\nwithBlanks   \n=noKey\n");
    for (const char* key : {"alone", "withEquals", "withColon", "withBlanks"}) {
        ASSERT_TRUE(p.get(key).has_value()) << key;
        EXPECT_EQ(*p.get(key), QString()) << key;
    }
    EXPECT_EQ(p.value(QString()), "noKey");
}

TEST(PropertiesLoad, SkipsCommentsAndBlankLinesButOnlyAtTheirStart) {
    const Properties p = parsed(
        "# comment\n"
        "   ! indented comment\n"
        "\t\n"
        "\n"
        "key=value # not a comment\n"
        "# a comment ending in a backslash does not continue \\\n"
        "next=1\n"
        "\\#hash=2\n");
    EXPECT_EQ(p.keys(), (QStringList{"#hash", "key", "next"}));
    EXPECT_EQ(p.value("key"), "value # not a comment");
}

TEST(PropertiesLoad, JoinsContinuedLines) {
    const Properties p = parsed(
        "fruits = apple, \\\n"
        "         banana, \\\n"
        "\t# not a comment here\n"
        "evenBackslashes = a\\\\\n"
        "oddAfterEscape = b\\\\\\\n"
        "   c\n"
        "key\\\n"
        "  part = split key\n"
        "last = dropped at end of input\\");
    EXPECT_EQ(p.value("fruits"), "apple, banana, # not a comment here");
    EXPECT_EQ(p.value("evenBackslashes"), "a\\");
    EXPECT_EQ(p.value("oddAfterEscape"), "b\\c");
    EXPECT_EQ(p.value("keypart"), "split key");
    EXPECT_EQ(p.value("last"), "dropped at end of input");
    EXPECT_EQ(p.size(), 5);
}

TEST(PropertiesLoad, AcceptsLfCrAndCrLfLineBreaks) {
    const Properties p = parsed("a=1\rb=2\r\nc=3\n\r\nd=4\\\r\n  5\re=6");
    EXPECT_EQ(p.keys(), (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(p.value("d"), "45");
    EXPECT_EQ(p.value("e"), "6");
}

TEST(PropertiesLoad, DecodesEscapesAndLatin1Bytes) {
    const Properties p = parsed(
        "escapes=\\t\\n\\r\\f\\\\\\q\\=\\:\\ \n"
        "unicode=\\u03a9\\u20AC\\uD83D\\uDE00\n"
        "key\\ with\\:separators\\=inside=x\n"
        "latin1=\xE9\xFF\n");
    EXPECT_EQ(p.value("escapes"), "\t\n\r\f\\q=: ");
    EXPECT_EQ(p.value("unicode"), QString::fromUtf8("Ω€") + surrogatePair);
    EXPECT_EQ(p.value("key with:separators=inside"), "x");
    EXPECT_EQ(p.value("latin1"), QString::fromUtf8("éÿ"));
}

TEST(PropertiesLoad, MalformedUnicodeEscapeNamesTheLineAndAddsNothing) {
    for (const QByteArray& bad : {QByteArray("a=1\n\nb=\\u12G4\n"), QByteArray("a=1\n\nb=\\u12")}) {
        Properties p;
        p.setProperty("kept", "yes");
        try {
            p.load(bad);
            FAIL() << "no error for " << bad.constData();
        } catch (const std::invalid_argument& e) {
            EXPECT_TRUE(
                QString::fromUtf8(e.what()).startsWith("Malformed \\uXXXX escape in line 3"))
                << e.what();
        }
        EXPECT_EQ(p.keys(), QStringList{"kept"});
    }
}

TEST(PropertiesAccess, LoadAddsAndReplacesEntries) {
    Properties p;
    p.setProperty("old", "1");
    p.setProperty("same", "before");
    p.setProperty("empty", "before");
    p.load(QByteArray("same=first\nsame=second\nempty=\n"));
    EXPECT_EQ(p.value("old"), "1");
    EXPECT_EQ(p.value("same"), "second");
    EXPECT_EQ(p.get("empty"), std::optional<QString>(QString()));
    EXPECT_EQ(p.value("empty", "fallback"), QString());
    EXPECT_EQ(p.value("absent", "fallback"), "fallback");
    EXPECT_EQ(p.get("absent"), std::nullopt);
    EXPECT_TRUE(p.remove("same"));
    EXPECT_FALSE(p.remove("same"));
    EXPECT_EQ(p.keys(), (QStringList{"empty", "old"}));
}
