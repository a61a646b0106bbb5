#include "config/Instrument.h"

#include "config/Config.h"
#include "config/ResourceBundle.h"

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
