#include "config/KeyMaps.h"

#include <stdexcept>
#include <string>

namespace ConfigHelper {

namespace {

using namespace KeyCode;

// A table cell: up to four key codes, zero-padded. The marker stands for the
// Alt code of the row's character, so that rule is written once.
using Cell = std::array<int, 4>;
constexpr int AltCodeOfCharacter = -1;
constexpr Cell AltCodeCell{AltCodeOfCharacter};

struct NumericRow {
    char16_t character;
    Cell common;  // QUERTY, US_INTERNATIONAL, GERMAN
    Cell azerty;
};

// clang-format off
constexpr std::array<NumericRow, 14> numericRows{{
    {u'0', {digit(0)}, {Shift, digit(0)}},
    {u'1', {digit(1)}, {Shift, digit(1)}},
    {u'2', {digit(2)}, {Shift, digit(2)}},
    {u'3', {digit(3)}, {Shift, digit(3)}},
    {u'4', {digit(4)}, {Shift, digit(4)}},
    {u'5', {digit(5)}, {Shift, digit(5)}},
    {u'6', {digit(6)}, {Shift, digit(6)}},
    {u'7', {digit(7)}, {Shift, digit(7)}},
    {u'8', {digit(8)}, {Shift, digit(8)}},
    {u'9', {digit(9)}, {Shift, digit(9)}},
    {u'-', {Minus}, {digit(6)}},
    {u'+', {KeypadAdd}, {KeypadAdd}},
    {u',', {Comma}, {Comma}},
    {u'.', {Period}, {Shift, Semicolon}},
}};

struct PunctuationRow {
    char16_t character;
    Cell querty;
    Cell usInternational;
    Cell german;
    Cell azerty;
};

// Ctrl + Alt is the AltGr key of the European layouts; a Space after a dead
// key makes the dead key type its own character.
constexpr std::array<PunctuationRow, 26> punctuationRows{{
    {u'!',  {Shift, digit(1)},     {Shift, digit(1)},                {Shift, digit(1)},                {ExclamationMark}},
    {u'"',  {Shift, Quote},        {Shift, DeadAcute, Space},        {Shift, digit(2)},                {digit(3)}},
    {u':',  {Shift, Semicolon},    {Shift, Semicolon},               {Shift, Period},                  {Colon}},
    {u'#',  {Shift, digit(3)},     {Shift, digit(3)},                {NumberSign},                     {Ctrl, Alt, digit(3)}},
    {u'$',  {Shift, digit(4)},     {Shift, digit(4)},                {Shift, digit(4)},                {Dollar}},
    {u'%',  {Shift, digit(5)},     {Shift, digit(5)},                {Shift, digit(5)},                AltCodeCell},
    {u'&',  {Shift, digit(7)},     {Shift, digit(7)},                {Shift, digit(6)},                {digit(1)}},
    {u'\'', {Quote},               {DeadAcute, Space},               {Shift, NumberSign},              {digit(4)}},
    {u'(',  {Shift, digit(9)},     {Shift, digit(9)},                {Shift, digit(8)},                {digit(5)}},
    {u')',  {Shift, digit(0)},     {Shift, digit(0)},                {Shift, digit(9)},                {RightParenthesis}},
    {u';',  {Semicolon},           {Semicolon},                      {Shift, Comma},                   {Semicolon}},
    {u'<',  {Shift, Comma},        {Shift, Comma},                   {Less},                           {Less}},
    {u'=',  {Equals},              {Equals},                         {Shift, digit(0)},                {Equals}},
    {u'>',  {Shift, Period},       {Shift, Period},                  {Shift, Less},                    {Shift, Less}},
    {u'?',  {Shift, Slash},        {Shift, Slash},                   AltCodeCell,                      {Shift, Comma}},
    {u'@',  {Shift, digit(2)},     {Shift, digit(2)},                {Ctrl, Alt, letter('Q')},         {Ctrl, Alt, digit(0)}},
    {u'[',  {OpenBracket},         {OpenBracket},                    {Ctrl, Alt, digit(8)},            {Ctrl, Alt, digit(5)}},
    {u'\\', {BackSlash},           {BackSlash},                      AltCodeCell,                      {Ctrl, Alt, digit(8)}},
    {u']',  {CloseBracket},        {CloseBracket},                   {Ctrl, Alt, digit(9)},            {Ctrl, Alt, RightParenthesis}},
    {u'^',  {Shift, digit(6)},     {Shift, digit(6), Space},         {DeadCircumflex, Space},          {DeadCircumflex, Space}},
    {u'_',  {Shift, Minus},        {Shift, Minus},                   {Shift, Minus},                   {digit(8)}},
    {u'`',  {BackQuote},           {DeadGrave, Space},               {Shift, DeadAcute, Space},        {Ctrl, Alt, digit(7), Space}},
    {u'{',  {Shift, OpenBracket},  {Shift, OpenBracket},             {Ctrl, Alt, digit(7)},            {Ctrl, Alt, digit(4)}},
    {u'|',  {Shift, BackSlash},    {Shift, BackSlash},               {Ctrl, Alt, Less},                {Ctrl, Alt, digit(6)}},
    {u'}',  {Shift, CloseBracket}, {Shift, CloseBracket},            {Ctrl, Alt, digit(0)},            {Ctrl, Alt, Equals}},
    {u'~',  {Shift, BackQuote},    {Shift, DeadGrave, Space},        {Ctrl, Alt, Plus},                {Ctrl, Alt, digit(2), Space}},
}};
// clang-format on

KeyCodes codesOf(char16_t character, const Cell& cell) {
    if (cell.front() == AltCodeOfCharacter) return altCode(character);
    KeyCodes codes;
    for (int code : cell) {
        if (code != None) codes.push_back(code);
    }
    return codes;
}

const Cell& numericCell(const NumericRow& row, KeyboardType type) {
    return type == KeyboardType::AZERTY ? row.azerty : row.common;
}

const Cell& punctuationCell(const PunctuationRow& row, KeyboardType type) {
    switch (type) {
        case KeyboardType::QUERTY:
            return row.querty;
        case KeyboardType::US_INTERNATIONAL:
            return row.usInternational;
        case KeyboardType::GERMAN:
            return row.german;
        case KeyboardType::AZERTY:
            return row.azerty;
        case KeyboardType::ALL:
            break;  // every character of ALL is an Alt code
    }
    throw std::logic_error("no punctuation column for this keyboard type");
}

void addNumeric(KeyMap& map, KeyboardType type) {
    for (const auto& row : numericRows) {
        map.put(row.character, type == KeyboardType::ALL
                                   ? altCode(row.character)
                                   : codesOf(row.character, numericCell(row, type)));
    }
}

void addCapitals(KeyMap& map, KeyboardType type) {
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        map.put(c, type == KeyboardType::ALL ? altCode(c)
                                             : KeyCodes{Shift, letter(static_cast<char>(c))});
    }
}

void addRest(KeyMap& map, KeyboardType type) {
    if (type == KeyboardType::ALL) {
        for (char16_t c = u'a'; c <= u'z'; ++c) map.put(c, altCode(c));
        for (char16_t c : {u' ', u'*', u'/'}) map.put(c, altCode(c));
        for (const auto& row : punctuationRows) map.put(row.character, altCode(row.character));
        return;
    }
    for (char16_t c = u'a'; c <= u'z'; ++c) {
        map.put(c, {letter(static_cast<char>(c - u'a' + u'A'))});
    }
    map.put(u'*', {KeypadMultiply});
    map.put(u'/', {KeypadDivide});
    map.put(u' ', {Space});
    for (const auto& row : punctuationRows) {
        map.put(row.character, codesOf(row.character, punctuationCell(row, type)));
    }
}

}  // namespace

std::u16string KeyMap::characters() const {
    std::u16string held;
    for (std::size_t c = 0; c < keys_.size(); ++c) {
        if (!keys_[c].empty()) held += static_cast<char16_t>(c);
    }
    return held;
}

void KeyMap::put(char16_t character, KeyCodes codes) {
    if (character >= keys_.size() || codes.empty()) {
        throw std::invalid_argument("a key map holds ASCII characters with at least one key each");
    }
    if (keys_[character].empty()) ++size_;
    keys_[character] = std::move(codes);
}

KeyCodes altCode(char16_t character) {
    KeyCodes codes{Alt};
    for (char d : std::to_string(static_cast<unsigned>(character))) {
        codes.push_back(keypad(d - '0'));
    }
    return codes;
}

KeyMap getKeymap(KeyboardType keyboardType, KeyMapType keyMapType) {
    KeyMap map;
    addNumeric(map, keyboardType);
    if (keyMapType != KeyMapType::NUMERIC) addCapitals(map, keyboardType);
    if (keyMapType == KeyMapType::ALPHANUMERIC_COMPLETE) addRest(map, keyboardType);
    return map;
}

LayoutName layoutName(KeyboardType keyboardType) {
    switch (keyboardType) {
        case KeyboardType::QUERTY:
            return {"us", ""};
        case KeyboardType::US_INTERNATIONAL:
            return {"us", "intl"};
        case KeyboardType::AZERTY:
            return {"fr", ""};
        case KeyboardType::GERMAN:
            return {"de", ""};
        case KeyboardType::ALL:
            break;
    }
    return {"", ""};
}

}  // namespace ConfigHelper
