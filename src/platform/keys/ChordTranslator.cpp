#include "platform/keys/ChordTranslator.h"

#include "config/KeyCodes.h"
#include "platform/keys/KeySymbols.h"

#include <limits>

namespace keys {

void ChordTranslator::press(int keyCode) {
    if (keyCode == KeyCode::Ctrl) return pressCtrl();
    if (keyCode == KeyCode::Alt) return pressAlt();
    if (alt_ == Alt::HeldBack && isKeypadDigit(keyCode)) {
        digits_ += static_cast<char>('0' + keypadDigitValue(keyCode));
        return;
    }
    pressHeldBack();
    actions_.pressKey(keyCode);
}

void ChordTranslator::release(int keyCode) {
    if (keyCode == KeyCode::Ctrl) return releaseCtrl();
    if (keyCode == KeyCode::Alt) return releaseAlt();
    if (alt_ == Alt::HeldBack && isKeypadDigit(keyCode)) return;  // part of the Alt code
    actions_.releaseKey(keyCode);
}

void ChordTranslator::pressCtrl() {
    if (ctrl_ == Ctrl::Up) ctrl_ = Ctrl::HeldBack;
}

void ChordTranslator::pressAlt() {
    if (alt_ != Alt::Up) return;
    if (ctrl_ == Ctrl::HeldBack) {
        actions_.pressLevel3();
        ctrl_ = Ctrl::PartOfAltGr;
        alt_ = Alt::PartOfAltGr;
        return;
    }
    alt_ = Alt::HeldBack;
    digits_.clear();
}

void ChordTranslator::releaseCtrl() {
    const Ctrl was = ctrl_;
    ctrl_ = Ctrl::Up;
    switch (was) {
        case Ctrl::HeldBack:  // Ctrl alone: a tap
            actions_.pressKey(KeyCode::Ctrl);
            actions_.releaseKey(KeyCode::Ctrl);
            return;
        case Ctrl::PartOfAltGr:
            return;  // the level-3 shift goes with Alt
        case Ctrl::Up:
        case Ctrl::Pressed:
            actions_.releaseKey(KeyCode::Ctrl);
            return;
    }
}

void ChordTranslator::releaseAlt() {
    const Alt was = alt_;
    alt_ = Alt::Up;
    switch (was) {
        case Alt::PartOfAltGr:
            actions_.releaseLevel3();
            return;
        case Alt::HeldBack:
            if (digits_.empty()) {
                actions_.pressKey(KeyCode::Alt);
                actions_.releaseKey(KeyCode::Alt);
            } else {
                const unsigned number = altCodeNumber();
                digits_.clear();
                actions_.typeCharacter(number);
            }
            return;
        case Alt::Up:
        case Alt::Pressed:
            actions_.releaseKey(KeyCode::Alt);
            return;
    }
}

// A key other than the chord's own shows that held-back Ctrl and Alt are
// meant as themselves; digits collected so far are dropped.
void ChordTranslator::pressHeldBack() {
    if (alt_ == Alt::HeldBack) {
        digits_.clear();
        actions_.pressKey(KeyCode::Alt);
        alt_ = Alt::Pressed;
    }
    if (ctrl_ == Ctrl::HeldBack) {
        actions_.pressKey(KeyCode::Ctrl);
        ctrl_ = Ctrl::Pressed;
    }
}

unsigned ChordTranslator::altCodeNumber() const {
    constexpr std::size_t longestNumber = 9;
    if (digits_.size() > longestNumber) return std::numeric_limits<unsigned>::max();
    return static_cast<unsigned>(std::stoul(digits_));
}

}  // namespace keys
