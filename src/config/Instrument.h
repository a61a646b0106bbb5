#pragma once
// The catalogue of instruments the program knows: how each one's records are
// read, what it may type, and the factory line settings it is delivered with.

#include "config/LineOptions.h"
#include "config/OutputOptions.h"

#include <QStringView>

#include <optional>
#include <utility>
#include <vector>

class Config;

namespace ConfigHelper {

enum class InstrumentType { NUMBER, TEXT };

enum class Instrument {
    GENERIC,
    BARCODE,
    BARCODE_ALPHA,
    BARCODE_ALPHA_COMPLETE,
    AND,
    AND_SIMPLE,
    AND_EM,
    ADAM_AZEXTRA_WEIGHT,
    ADAM_CBK,
    ADAM_CPWPLUS,
    ADAM_GC_WEIGHT,
    ADAM_GC_PCS,
    ADAM_HCB,
    ADAM_LABEL,
    KERND_440E,
    KERN_572,
    KERND_DE,
    KERN_DS,
    KERN_FKB,
    KERN_KB_N,
    KERN_KFB,
    KERN_MPS,
    KERN_RPB,
    KEYENCE_IL,
    METTLER_DIALOG,
    METTLER_PRINT,
    MITUTOYO,
    MITUTOYO_LSM_6200,
    MYWEIGH_HD,
    OHAUS,
    OHAUSSPU,
    PRECISA,
    SARTORIUS,
    SCHLAGE_HANDPUNCH,
    TANITA_TL280,
    WEDDERBURN
};

struct LineDefaults {
    BitRates bitRate;
    DataBits dataBits;
    Parity parity;
    StopBits stopBits;
    int inputTerminator;
};

namespace patterns {
inline constexpr const char* number = R"(([-+]?\s*[0-9]*[\.,]?[0-9]+))";
inline constexpr const char* signedNumber = R"(([-+]+[0-9]*[\.,]?[0-9]+))";
}  // namespace patterns

struct InstrumentRow {
    Instrument value;
    const char* name;
    DisplayText display;
    InstrumentType type;
    KeyMapType keyMapType;
    const char* pattern;
    Instrument linesFrom;  // an entry whose line settings read as another's names it here
    LineDefaults lines;    // meaningful only when linesFrom is the entry itself
    const char* helpKey;   // nullptr: no help text
    const char* dataCommand;
};

namespace catalogue {
// One stop bit everywhere in the catalogue.
constexpr LineDefaults lines(BitRates rate, DataBits bits, Parity parity, int terminator) {
    return {rate, bits, parity, StopBits::ST_1BITS, terminator};
}
constexpr LineDefaults plain9600(int terminator) {
    return lines(BitRates::BR_9600, DataBits::LN_8BITS, Parity::NONE, terminator);
}
}  // namespace catalogue

}  // namespace ConfigHelper

template <>
struct OptionTraits<ConfigHelper::InstrumentType> {
    using E = ConfigHelper::InstrumentType;
    static constexpr const char* typeName = "InstrumentType";
    static constexpr E defaultValue = E::NUMBER;
    static constexpr std::array<OptionRow<E>, 2> rows{{
        {E::NUMBER, "NUMBER", fixedText("NUMBER")},
        {E::TEXT, "TEXT", fixedText("TEXT")},
    }};
};

template <>
struct OptionTraits<ConfigHelper::Instrument> {
    using E = ConfigHelper::Instrument;
    using T = ConfigHelper::InstrumentType;
    using K = ConfigHelper::KeyMapType;
    using B = ConfigHelper::BitRates;
    using D = ConfigHelper::DataBits;
    using P = ConfigHelper::Parity;
    static constexpr const char* typeName = "Instrument";
    static constexpr E defaultValue = E::GENERIC;

    static constexpr auto lines = ConfigHelper::catalogue::lines;
    static constexpr auto plain9600 = ConfigHelper::catalogue::plain9600;
    static constexpr ConfigHelper::LineDefaults asOther{};
    static constexpr const char* number = ConfigHelper::patterns::number;
    static constexpr const char* andPattern = ConfigHelper::patterns::signedNumber;

    // clang-format off
    static constexpr std::array<ConfigHelper::InstrumentRow, 36> rows{{
        {E::GENERIC, "GENERIC", bundleText("generic"), T::NUMBER, K::NUMERIC, number,
         E::GENERIC, plain9600(13), "generic.defaultMessage", ""},
        {E::BARCODE, "BARCODE", bundleText("barcode_numeric"), T::TEXT, K::NUMERIC, number,
         E::BARCODE, plain9600(13), "barcode_numeric.defaultMessage", ""},
        {E::BARCODE_ALPHA, "BARCODE_ALPHA", bundleText("barcode_alphanumeric"), T::TEXT,
         K::ALPHANUMERIC_BASIC, R"(([\dA-Z]+))",
         E::BARCODE_ALPHA, plain9600(13), "barcode_alphanumeric.defaultMessage", ""},
        {E::BARCODE_ALPHA_COMPLETE, "BARCODE_ALPHA_COMPLETE",
         bundleText("barcode_alphanumeric_complete"), T::TEXT, K::ALPHANUMERIC_COMPLETE,
         R"(([] !"#$%&'()*+,-./\d:;<=>?@A-Z\[\\^_`a-z{|}~]+))",
         E::BARCODE_ALPHA_COMPLETE, plain9600(13), "barcode_alphanumeric_complete.defaultMessage", ""},
        {E::AND, "AND", fixedText("A&D"), T::NUMBER, K::NUMERIC, andPattern,
         E::AND, lines(B::BR_2400, D::LN_7BITS, P::EVEN, 10), nullptr, ""},
        {E::AND_SIMPLE, "AND_SIMPLE", fixedText("A&D (no handshaking)"), T::NUMBER, K::NUMERIC,
         andPattern, E::AND, asOther, nullptr, ""},
        {E::AND_EM, "AND_EM", fixedText("A&D EM"), T::NUMBER, K::NUMERIC, andPattern,
         E::AND_EM, plain9600(10), "aandd.em.defaultmessage", ""},
        {E::ADAM_AZEXTRA_WEIGHT, "ADAM_AZEXTRA_WEIGHT", bundleText("adam_azextra_weight"),
         T::NUMBER, K::NUMERIC, R"(([-+]?\s*[0-9]*[\.,]?[0-9]+)kg)",
         E::ADAM_AZEXTRA_WEIGHT, lines(B::BR_4800, D::LN_8BITS, P::NONE, 10),
         "adam_azextra.defaultMessage", ""},
        {E::ADAM_CBK, "ADAM_CBK", fixedText("Adam CBK/GBK/GFK"), T::NUMBER, K::NUMERIC, number,
         E::ADAM_CBK, lines(B::BR_4800, D::LN_8BITS, P::NONE, 10), "adam_cbk.defaultMessage", ""},
        {E::ADAM_CPWPLUS, "ADAM_CPWPLUS", fixedText("Adam CPWplus"), T::NUMBER, K::NUMERIC, number,
         E::ADAM_CPWPLUS, plain9600(13), "adam_cpwplus.defaultMessage", ""},
        {E::ADAM_GC_WEIGHT, "ADAM_GC_WEIGHT", bundleText("adam_gbc_gfc_weight"), T::NUMBER,
         K::NUMERIC, R"(Wt\s?([-+]?\s*[0-9]*[\.,]?[0-9]+))",
         E::ADAM_GC_WEIGHT, lines(B::BR_4800, D::LN_8BITS, P::NONE, 10), nullptr, ""},
        {E::ADAM_GC_PCS, "ADAM_GC_PCS", bundleText("adam_gbc_gfc_pcs"), T::NUMBER, K::NUMERIC,
         R"(([-+]?\s*[0-9]*[\.,]?[0-9]+)\s?(pcs))",
         E::ADAM_GC_PCS, lines(B::BR_4800, D::LN_8BITS, P::NONE, 10), nullptr, ""},
        {E::ADAM_HCB, "ADAM_HCB", fixedText("Adam Highland (HCB)"), T::NUMBER, K::NUMERIC, number,
         E::ADAM_HCB, plain9600(10), "adam_hcb.defaultMessage", ""},
        {E::ADAM_LABEL, "ADAM_LABEL", fixedText("Adam label format"), T::NUMBER, K::NUMERIC,
         R"(([-+]?\s*[0-9]*[\.,]?[0-9]+)\s?(kg|g|lb|oz|pcs|ct|d|GN|ozt|dwt|MM|TlH|TlC|Tlt|t|N|g2|TlJ))",
         E::ADAM_LABEL, plain9600(10), nullptr, ""},
        {E::KERND_440E, "KERND_440E", fixedText("Kern 440"), T::NUMBER, K::NUMERIC, number,
         E::KERN_572, asOther, nullptr, ""},
        {E::KERN_572, "KERN_572", fixedText("Kern 572"), T::NUMBER, K::NUMERIC, number,
         E::KERN_572, plain9600(10), nullptr, ""},
        {E::KERND_DE, "KERND_DE", fixedText("Kern DE"), T::NUMBER, K::NUMERIC, number,
         E::KERN_572, asOther, nullptr, ""},
        {E::KERN_DS, "KERN_DS", fixedText("Kern DS"), T::NUMBER, K::NUMERIC, number,
         E::KERN_572, asOther, nullptr, ""},
        {E::KERN_FKB, "KERN_FKB", fixedText("Kern FKB"), T::NUMBER, K::NUMERIC, number,
         E::KERN_572, asOther, nullptr, ""},
        {E::KERN_KB_N, "KERN_KB_N", fixedText("Kern KB-N"), T::NUMBER, K::NUMERIC, number,
         E::KERN_572, asOther, nullptr, ""},
        {E::KERN_KFB, "KERN_KFB", fixedText("Kern KFB/KFN-TM/IFB"), T::NUMBER, K::NUMERIC, number,
         E::KERN_KFB, plain9600(10), nullptr, ""},
        {E::KERN_MPS, "KERN_MPS", fixedText("Kern MPS / MPT / MXS / MWS / MTS / MCB"), T::NUMBER,
         K::NUMERIC, R"(^N.*?(-?\s*[0-9]*[\.,]?[0-9]+)\s*kg)",
         E::KERN_MPS, plain9600(10), nullptr, ""},
        {E::KERN_RPB, "KERN_RPB", bundleText("kern_rpb_weight"), T::NUMBER, K::NUMERIC,
         R"(^N:\s*([0-9]*\.?[0-9]+))",
         E::KERN_RPB, plain9600(10), "kern_rpb.defaultMessage", ""},
        {E::KEYENCE_IL, "KEYENCE_IL", fixedText("Keyence IL"), T::NUMBER, K::NUMERIC,
         R"(([+-]+\d*\.?\d+))", E::KEYENCE_IL, plain9600(10), nullptr, ""},
        {E::METTLER_DIALOG, "METTLER_DIALOG", fixedText("Mettler Toledo Dialog"), T::NUMBER,
         K::NUMERIC, number, E::METTLER_DIALOG, plain9600(10), nullptr, ""},
        {E::METTLER_PRINT, "METTLER_PRINT", fixedText("Mettler Toledo Print"), T::NUMBER,
         K::NUMERIC, number,
         E::METTLER_PRINT, lines(B::BR_2400, D::LN_7BITS, P::EVEN, 10), nullptr, ""},
        {E::MITUTOYO, "MITUTOYO", fixedText("Mitutoyo 264-007"), T::NUMBER, K::NUMERIC,
         R"(01A([-+]?\s*[0-9]*[\.,]?[0-9]+))",
         E::MITUTOYO, lines(B::BR_2400, D::LN_8BITS, P::NONE, 13), nullptr, "1\r"},
        {E::MITUTOYO_LSM_6200, "MITUTOYO_LSM_6200", fixedText("Mitutoyo LSM-6200"), T::NUMBER,
         K::NUMERIC, R"(([-+]?\s*[0-9]*\.+[0-9]+))",
         E::MITUTOYO_LSM_6200, plain9600(10), nullptr, ""},
        {E::MYWEIGH_HD, "MYWEIGH_HD", fixedText("MyWeigh HD"), T::NUMBER, K::NUMERIC, number,
         E::MYWEIGH_HD, lines(B::BR_9600, D::LN_8BITS, P::SPACE, 13), "myweigh_hd.defaultMessage", ""},
        {E::OHAUS, "OHAUS", fixedText("Ohaus"), T::NUMBER, K::NUMERIC, number,
         E::OHAUS, plain9600(10), nullptr, ""},
        {E::OHAUSSPU, "OHAUSSPU", fixedText("Ohaus SPU,TA,NV"), T::NUMBER, K::NUMERIC, number,
         E::OHAUSSPU, lines(B::BR_2400, D::LN_7BITS, P::NONE, 10), nullptr, ""},
        {E::PRECISA, "PRECISA", fixedText("Precisa"), T::NUMBER, K::NUMERIC, number,
         E::PRECISA, lines(B::BR_9600, D::LN_7BITS, P::EVEN, 10), nullptr, ""},
        {E::SARTORIUS, "SARTORIUS", fixedText("Sartorius"), T::NUMBER, K::NUMERIC, number,
         E::SARTORIUS, lines(B::BR_1200, D::LN_7BITS, P::ODD, 10), "sartorius.defaultMessage", ""},
        {E::SCHLAGE_HANDPUNCH, "SCHLAGE_HANDPUNCH", fixedText("Schlage HandPunch (employee ID)"),
         T::NUMBER, K::NUMERIC, R"(\(\s*([0-9]*)\))",
         E::SCHLAGE_HANDPUNCH, plain9600(10), nullptr, ""},
        {E::TANITA_TL280, "TANITA_TL280", fixedText("Tanita TL-280/TL-290"), T::NUMBER, K::NUMERIC,
         R"(Wg,([-+]?\s*[0-9]*[\.,]?[0-9]+))", E::TANITA_TL280, plain9600(10), nullptr, ""},
        {E::WEDDERBURN, "WEDDERBURN", fixedText("Wedderburn"), T::NUMBER, K::NUMERIC,
         R"(^0(-?\s+[0-9]*\.?[0-9]+))", E::WEDDERBURN, plain9600(10), nullptr, ""},
    }};
    // clang-format on
};

namespace ConfigHelper {

using SamplePair = std::pair<QString, QString>;  // record as sent, value it must yield

constexpr InstrumentType getInstrumentType(Instrument i) {
    return Options<Instrument>::row(i).type;
}
constexpr KeyMapType getKeyMapType(Instrument i) {
    return Options<Instrument>::row(i).keyMapType;
}
constexpr int getCaptureGroup(Instrument) {
    return 1;
}
constexpr bool isTextInstrument(Instrument i) {
    return getInstrumentType(i) == InstrumentType::TEXT;
}

QString getPattern(Instrument i);
QString getDataCommand(Instrument i);
// A fresh record with the instrument's factory line settings and terminator.
Config getDefaultConfig(Instrument i);
// The help text, looked up on every call; none for instruments without one.
std::optional<QString> getDefaultMessage(Instrument i);
// The list text: the display text, in italics (HTML) for text instruments.
QString toString(Instrument i);
QString toPlainString(Instrument i);
std::vector<SamplePair> getTestStrings(Instrument i);

}  // namespace ConfigHelper

namespace ConfigHelper {

// What a record says of its reading, where the instrument's format tells.
enum class ReadingStatus {
    UNKNOWN,  // the format carries no status: the reading counts as stable
    STABLE,
    UNSTABLE,
    OVERLOAD,
    UNDERLOAD,
    INSTRUMENT_ERROR,  // the instrument reports a fault instead of a reading
    NO_WEIGHT,         // the record answers a command and holds no reading
};

// The status of one record as received, terminator included. UNKNOWN for
// every instrument whose format publishes none.
ReadingStatus getReadingStatus(Instrument i, QStringView record);

// The part of a record the reading is in, where a format puts other fields
// before it (A&D's ID number, data number, date and time): the record from
// the reading's header on. The whole record everywhere else.
QStringView readingPart(Instrument i, QStringView record);

// "unknown", "stable", "unstable", "overload", "underload", "error", "none".
QString readingStatusName(ReadingStatus status);

// Readings the instrument itself declares wrong: never typed.
constexpr bool isFaultStatus(ReadingStatus status) {
    return status == ReadingStatus::OVERLOAD || status == ReadingStatus::UNDERLOAD ||
           status == ReadingStatus::INSTRUMENT_ERROR;
}

}  // namespace ConfigHelper
