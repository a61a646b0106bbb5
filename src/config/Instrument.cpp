#include "config/Instrument.h"

#include "config/Config.h"
#include "config/ResourceBundle.h"

#include <algorithm>
#include <span>

namespace ConfigHelper {

namespace {

struct Sample {
    const char* record;
    const char* expected;
};

// Records as the instruments send them, with the value each must yield.
constexpr Sample noSamples[] = {{"", ""}};

constexpr Sample andSamples[] = {
    {"ST, +00012.34 kg", "+00012.34"},
    {"US, -00012,45 g", "-00012,45"},
    {"ST, +00000101 PC", "+00000101"},
    {"ST, 12345,67 kg", ""},
};

constexpr Sample adamAzextraSamples[] = {
    {"10/06/2016   03:52:47\r\n   UNIT PRICE        NET      TOTAL\r\n"
     "-------------------------------------\r\n?      4.45/100g    0.058kg ?    2.58\r\n"
     "\r\n\r\n\r\n",
     "    0.058"},
    {"\r\n\r\nDATE   10/06/2016\r\nTIME   04:18:39\r\n\r\nUNIT\r\nPRICE ?   33.43/100g\r\n"
     "\r\nNET.      1.234kg\r\n\r\nTOTAL ?  412.53\r\n\r\n\r\n\r\n",
     "      1.234"},
    {"   1.234kg\r\n", "   1.234"},
};

constexpr Sample adamCbkSamples[] = {
    {"  1.9999 kg\n", "  1.9999"},
    {"  -1.8999 kg\n", "-1.8999"},
};

constexpr Sample adamCpwplusSamples[] = {
    {"add:   A\n", ""},
    {"G/W:+ 60.24   kg\n\n\n\n", "+ 60.24"},
};

constexpr Sample adamGcWeightSamples[] = {
    {"Date   07/09/2010\r", ""},
    {"Time   16:20:15\r", ""},
    {"Scale ID         \r", ""},
    {"User ID          \r", ""},
    {"Gross Wt   0.0020 kg\r", "  0.0020"},
    {"Net Wt     0.0845 kg\r", "    0.0845"},
};

constexpr Sample kernMpsSamples[] = {
    {"NET  WEIGHT  3.3kg\n", "  3.3"},
    {"N  60.24 kg\n", "  60.24"},
};

constexpr Sample kernRpbSamples[] = {
    {"N:    0.404 kg\r", "0.404"},
    {"   0.34 EUR/kg\r", ""},
    {"N:  4000 g\r", "4000"},
};

constexpr Sample keyenceSamples[] = {
    {"DR,08,-99.998\r", "-99.998"},
    {"DR,02,+123.567\r", "+123.567"},
    {"DR,02,123.567\r", ""},
};

constexpr Sample mitutoyoSamples[] = {
    {"01A+001.1920\r", "+001.1920"},
    {"01A-001.1805", "-001.1805"},
    {"+123.45", ""},
};

constexpr Sample mitutoyoLsmSamples[] = {
    {"P00, 12.3456\r\n", " 12.3456"},
    {"12.3456", "12.3456"},
    {"P00, +012.3456", "+012.3456"},
};

constexpr Sample schlageSamples[] = {
    {"021   001   15:27:00  06/29/16  IDENTITY VERIFIED FOR ID ( 999)", "999"},
};

constexpr Sample tanitaSamples[] = {
    {R"({0,16,~0,1,MO,"TL-280",Wg,123,Pt,0)", "123"},
    {R"({0,16,~0,1,MO,"TL-280",Wg,-12.3,Pt,0)", "-12.3"},
};

constexpr Sample wedderburnSamples[] = {
    {"\nA    2.10", ""}, {"0    2.45", "    2.45"},
    {"4-    0.35", ""},  {"14/06/2016 13:26:35", ""},
    {"1", ""},           {"B@G", ""},
};

std::span<const Sample> samplesOf(Instrument i) {
    switch (i) {
        case Instrument::AND:
        case Instrument::AND_SIMPLE:
        case Instrument::AND_EM:
            return andSamples;
        case Instrument::ADAM_AZEXTRA_WEIGHT:
            return adamAzextraSamples;
        case Instrument::ADAM_CBK:
            return adamCbkSamples;
        case Instrument::ADAM_CPWPLUS:
            return adamCpwplusSamples;
        case Instrument::ADAM_GC_WEIGHT:
            return adamGcWeightSamples;
        case Instrument::KERN_MPS:
            return kernMpsSamples;
        case Instrument::KERN_RPB:
            return kernRpbSamples;
        case Instrument::KEYENCE_IL:
            return keyenceSamples;
        case Instrument::MITUTOYO:
            return mitutoyoSamples;
        case Instrument::MITUTOYO_LSM_6200:
            return mitutoyoLsmSamples;
        case Instrument::SCHLAGE_HANDPUNCH:
            return schlageSamples;
        case Instrument::TANITA_TL280:
            return tanitaSamples;
        case Instrument::WEDDERBURN:
            return wedderburnSamples;
        default:
            return noSamples;
    }
}

const ResourceBundle& configBundle() {
    return ResourceBundle::getBundle(QStringLiteral("valtyp.config.ConfigBundle"));
}

}  // namespace

QString getPattern(Instrument i) {
    return QString::fromLatin1(Options<Instrument>::row(i).pattern);
}

QString getDataCommand(Instrument i) {
    return QString::fromLatin1(Options<Instrument>::row(i).dataCommand);
}

Config getDefaultConfig(Instrument i) {
    const InstrumentRow& source = Options<Instrument>::row(Options<Instrument>::row(i).linesFrom);
    Config config;
    config.setBitRate(Options<BitRates>::ordinal(source.lines.bitRate));
    config.setDataBits(Options<DataBits>::ordinal(source.lines.dataBits));
    config.setStopBits(Options<StopBits>::ordinal(source.lines.stopBits));
    config.setParity(Options<Parity>::ordinal(source.lines.parity));
    config.setInputTerminator(source.lines.inputTerminator);
    // An instrument that only answers when asked is asked once a second.
    if (!getDataCommand(i).isEmpty()) config.setRequestInterval(QStringLiteral("1000"));
    return config;
}

std::optional<QString> getDefaultMessage(Instrument i) {
    const char* key = Options<Instrument>::row(i).helpKey;
    if (!key) return std::nullopt;
    return configBundle().getString(QString::fromLatin1(key));
}

QString toPlainString(Instrument i) {
    return Options<Instrument>::toString(i);
}

QString toString(Instrument i) {
    const QString& display = Options<Instrument>::toString(i);
    if (!isTextInstrument(i)) return display;
    return QStringLiteral("<html><body><i>") + display + QStringLiteral("</i></body></html>");
}

std::vector<SamplePair> getTestStrings(Instrument i) {
    std::vector<SamplePair> pairs;
    for (const Sample& s : samplesOf(i)) {
        pairs.emplace_back(QString::fromLatin1(s.record), QString::fromLatin1(s.expected));
    }
    return pairs;
}

}  // namespace ConfigHelper

// Reading status, from the record layouts the makers publish.
namespace ConfigHelper {

namespace {

using S = ReadingStatus;

bool isBlank(QChar c) {
    return c.unicode() <= u' ';
}

// A record framed at CR from an instrument that ends its lines with CR LF
// begins with the LF; blanks and line ends at either end carry no status.
QStringView trimmed(QStringView record) {
    while (!record.isEmpty() && isBlank(record.front())) record = record.mid(1);
    while (!record.isEmpty() && isBlank(record.back())) record.chop(1);
    return record;
}

// Everything but the line end, so that fixed-width fields keep their blanks.
QStringView withoutLineEnd(QStringView record) {
    while (!record.isEmpty() && (record.back() == u'\r' || record.back() == u'\n')) record.chop(1);
    return record;
}

qsizetype lastDigit(QStringView text) {
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (text[i].isDigit()) return i;
    }
    return -1;
}

bool isAndHeader(QStringView field) {
    return field == u"ST" || field == u"QT" || field == u"WT" || field == u"US" || field == u"OL";
}

// Where the A&D reading's header field starts. With the ID number, data
// number, date and time switched on, those come first in comma-separated
// fields: "LAB-0123,No.000001,2024/12/31,12:34:56,ST,+00123.45,g". The header
// is the field of a status name followed by the signed weight; the ID may
// hold a sign too, so nothing before the header is read.
qsizetype andHeaderStart(QStringView record) {
    qsizetype start = 0;
    while (start < record.size() && isBlank(record[start])) ++start;
    const QStringView first = record.mid(start);
    if (first.size() >= 3 && (first[2] == u',' || first[2] == u' ') && isAndHeader(first.left(2)))
        return 0;
    for (qsizetype field = start;;) {
        const qsizetype comma = record.indexOf(u',', field);
        if (comma < 0) return 0;
        const QStringView next = record.mid(comma + 1).trimmed();
        if (isAndHeader(record.mid(field, comma - field).trimmed()) && !next.isEmpty() &&
            (next.front() == u'+' || next.front() == u'-'))
            return field;
        field = comma + 1;
    }
}

// Two-letter header, then a comma (standard format) or blanks (dump print):
// "ST,+00012.34  g", "WT     +12.34  g". Headerless number formats ("+0012.34")
// say nothing; any other header answers a command ("TN,   HR-100A").
S andStatus(QStringView record) {
    const QStringView r = trimmed(record);
    if (r.isEmpty()) return S::UNKNOWN;
    const QChar first = r.front();
    if (first.isDigit() || first == u'+' || first == u'-' || first == u'.') return S::UNKNOWN;
    if (r.size() >= 3 && (r[2] == u',' || r[2] == u' ')) {
        const QStringView header = r.left(2);
        if (header == u"ST" || header == u"QT" || header == u"WT") return S::STABLE;
        if (header == u"US") return S::UNSTABLE;
        // "OL,+9999999E+19" above the range, "OL,-9999999E+19" below it.
        if (header == u"OL") return r.mid(2).contains(u'-') ? S::UNDERLOAD : S::OVERLOAD;
    }
    return S::NO_WEIGHT;
}

// Answers of the standard command set: "S S  12.34 g", "S D  12.35 g",
// "S +", "S -", "S I" (not executable now), the same after "SU" (weight in
// the shown unit), and the bare error answers. Every other answer names its
// command first and holds no reading, even where it carries a weight: the
// tare "T S   100.00 g", "TA A   20.00 g", zero "Z A", "I4 A "0123456789"".
S mettlerStatus(QStringView record) {
    const QStringView r = trimmed(record);
    if (r == u"ES" || r == u"ET" || r == u"EL") return S::INSTRUMENT_ERROR;
    if (r.isEmpty()) return S::UNKNOWN;
    const QChar first = r.front();
    if (first.isDigit() || first == u'+' || first == u'-' || first == u'.') return S::UNKNOWN;
    const qsizetype blank = r.indexOf(u' ');
    const QStringView command = blank < 0 ? r : r.left(blank);
    if (command != u"S" && command != u"SU") return S::NO_WEIGHT;
    if (blank < 0 || blank + 1 >= r.size()) return S::UNKNOWN;
    switch (r[blank + 1].unicode()) {
        case u'S':
            return S::STABLE;
        case u'D':
            return S::UNSTABLE;
        case u'+':
            return S::OVERLOAD;
        case u'-':
            return S::UNDERLOAD;
        case u'I':
            return S::INSTRUMENT_ERROR;
        default:
            return S::UNKNOWN;
    }
}

// Stability, then gross or net: "ST,GS,    1.234 kg", "US,NT,    0.998 kg".
S kernKfbStatus(QStringView record) {
    const QStringView r = trimmed(record);
    if (r.size() < 6 || r[2] != u',' || r[5] != u',') return S::UNKNOWN;
    const QStringView header = r.left(2);
    if (header == u"ST") return S::STABLE;
    if (header == u"US") return S::UNSTABLE;
    return S::UNKNOWN;
}

bool containsDateOrTime(QStringView text) {
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if ((text[i] == u'/' || text[i] == u':') && text[i - 1].isDigit() && text[i + 1].isDigit())
            return true;
    }
    return false;
}

// A ticket per weighing, one line a record: "Date   12/09/2006", "Time
// 14:56:27", "No.      5", "Gross Wt     1.234 kg", "Total       12.345 kg".
// Only the weight line holds the reading. A total, a date or time, and a
// labelled number without a unit (a sample or item number) hold none; a bare
// number stays a reading.
S ticketLineStatus(QStringView record) {
    const QStringView line = trimmed(record);
    qsizetype digit = -1;
    for (qsizetype i = 0; i < line.size() && digit < 0; ++i) {
        if (line[i].isDigit()) digit = i;
    }
    if (digit < 0) return S::UNKNOWN;
    const QStringView label = line.left(digit);
    if (label.contains(u"total", Qt::CaseInsensitive) ||
        label.trimmed().startsWith(u"tot", Qt::CaseInsensitive) || containsDateOrTime(line))
        return S::NO_WEIGHT;
    const bool labelled =
        std::any_of(label.begin(), label.end(), [](QChar c) { return c.isLetter(); });
    const QStringView after = line.mid(lastDigit(line) + 1);
    const bool unit = std::any_of(after.begin(), after.end(), [](QChar c) { return c.isLetter(); });
    return labelled && !unit ? S::NO_WEIGHT : S::UNKNOWN;
}

// A "?" after the unit marks an unsettled reading: "     12.73 g    ?".
S ohausStatus(QStringView record) {
    if (record.contains(u'?')) return S::UNSTABLE;
    return lastDigit(record) >= 0 ? S::STABLE : S::UNKNOWN;
}

// Fixed-width layouts whose unit field stays blank (or is left out) until
// the reading settles: "+   123.45 g  " stable, "+   123.45     " not yet.
S unitFieldStatus(QStringView content) {
    const qsizetype digit = lastDigit(content);
    if (digit < 0) return S::UNKNOWN;
    for (QChar c : content.mid(digit + 1)) {
        if (!isBlank(c) && c != u'.' && c != u',') return S::STABLE;
    }
    return S::UNSTABLE;
}

// Special codes in place of the number: "H" overload, "L" underload, and
// "Err ###" with the error's number.
S sartoriusStatus(QStringView record) {
    const QStringView content = withoutLineEnd(record);
    if (content.contains(u"Err")) return S::INSTRUMENT_ERROR;
    if (lastDigit(content) < 0) {
        const QStringView code = trimmed(content);
        if (code.endsWith(u" H") || code == u"H") return S::OVERLOAD;
        if (code.endsWith(u" L") || code == u"L") return S::UNDERLOAD;
        return S::UNKNOWN;
    }
    return unitFieldStatus(content);
}

// "Error" in place of the number when the balance is in fault.
S kernStatus(QStringView record) {
    const QStringView content = withoutLineEnd(record);
    if (content.contains(u"Err")) return S::INSTRUMENT_ERROR;
    return unitFieldStatus(content);
}

}  // namespace

ReadingStatus getReadingStatus(Instrument i, QStringView record) {
    switch (i) {
        case Instrument::AND:
        case Instrument::AND_SIMPLE:
        case Instrument::AND_EM:
            return andStatus(readingPart(i, record));
        case Instrument::ADAM_HCB:
            return ticketLineStatus(record);
        case Instrument::KERN_KFB:
            return kernKfbStatus(record);
        case Instrument::METTLER_DIALOG:
            return mettlerStatus(record);
        case Instrument::OHAUS:
        case Instrument::OHAUSSPU:
            return ohausStatus(record);
        case Instrument::SARTORIUS:
            return sartoriusStatus(record);
        case Instrument::KERND_440E:
        case Instrument::KERN_572:
        case Instrument::KERND_DE:
        case Instrument::KERN_DS:
        case Instrument::KERN_FKB:
        case Instrument::KERN_KB_N:
            return kernStatus(record);
        default:
            return S::UNKNOWN;
    }
}

QStringView readingPart(Instrument i, QStringView record) {
    switch (i) {
        case Instrument::AND:
        case Instrument::AND_SIMPLE:
        case Instrument::AND_EM:
            return record.mid(andHeaderStart(record));
        default:
            return record;
    }
}

QString readingStatusName(ReadingStatus status) {
    switch (status) {
        case S::UNKNOWN:
            return QStringLiteral("unknown");
        case S::STABLE:
            return QStringLiteral("stable");
        case S::UNSTABLE:
            return QStringLiteral("unstable");
        case S::OVERLOAD:
            return QStringLiteral("overload");
        case S::UNDERLOAD:
            return QStringLiteral("underload");
        case S::INSTRUMENT_ERROR:
            return QStringLiteral("error");
        case S::NO_WEIGHT:
            return QStringLiteral("none");
    }
    return {};
}

}  // namespace ConfigHelper
