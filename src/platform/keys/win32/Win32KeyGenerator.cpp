#include "platform/keys/win32/Win32KeyGenerator.h"

#include "config/KeyCodes.h"
#include "platform/keys/ChordTranslator.h"
#include "platform/keys/KeySymbols.h"
#include "platform/win32/Text.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace keys {

std::string windowsLayoutId(const std::string& layout, const std::string& variant) {
    if (layout == "us") return variant == "intl" ? "00020409" : "00000409";
    if (variant.empty() && layout == "de") return "00000407";
    if (variant.empty() && layout == "fr") return "0000040C";
    return {};
}

namespace {

// Modifier states as VkKeyScanExW's high byte has them.
constexpr unsigned shiftBit = 1;
constexpr unsigned ctrlBit = 2;
constexpr unsigned altBit = 4;
constexpr unsigned altGr = ctrlBit | altBit;

struct Position {
    unsigned vk;
    unsigned modifiers;
};

struct Produced {
    wchar_t character;
    bool dead;
};

// Keys with the same meaning on every layout.
std::optional<unsigned> fixedVirtualKey(int keyCode) {
    using namespace KeyCode;
    if (keyCode >= Keypad0 && keyCode <= keypad(9)) return VK_NUMPAD0 + (keyCode - Keypad0);
    if (keyCode >= F1 && keyCode <= F12) return VK_F1 + (keyCode - F1);
    switch (keyCode) {
        case Tab:
            return VK_TAB;
        case Enter:
            return VK_RETURN;
        case Shift:
            return VK_SHIFT;
        case Ctrl:
            return VK_CONTROL;
        case Alt:
            return VK_MENU;
        case Space:
            return VK_SPACE;
        case Right:
            return VK_RIGHT;
        case Down:
            return VK_DOWN;
        case KeypadMultiply:
            return VK_MULTIPLY;
        case KeypadAdd:
            return VK_ADD;
        case KeypadDivide:
            return VK_DIVIDE;
        case Delete:
            return VK_DELETE;
        default:
            return std::nullopt;
    }
}

unsigned modifierBit(unsigned vk) {
    switch (vk) {
        case VK_SHIFT:
            return shiftBit;
        case VK_CONTROL:
            return ctrlBit;
        case VK_MENU:
            return altBit;
        default:
            return 0;
    }
}

// Keys whose scan code alone is ambiguous with the keypad's.
bool isExtended(unsigned vk) {
    switch (vk) {
        case VK_RIGHT:
        case VK_LEFT:
        case VK_UP:
        case VK_DOWN:
        case VK_DELETE:
        case VK_INSERT:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_DIVIDE:
        case VK_RMENU:
        case VK_RCONTROL:
            return true;
        default:
            return false;
    }
}

// The characters a dead key shows when it stands alone.
std::vector<wchar_t> accentsOf(int deadKeyCode) {
    switch (deadKeyCode) {
        case KeyCode::DeadGrave:
            return {L'`'};
        case KeyCode::DeadAcute:
            return {L'\u00b4', L'\''};
        case KeyCode::DeadCircumflex:
            return {L'^'};
        default:
            return {};
    }
}

// What each key of a layout types at each modifier state, read once.
class LayoutChart {
  public:
    explicit LayoutChart(HKL layout) : layout_(layout) {
        BYTE state[256] = {};
        constexpr unsigned states[] = {0, shiftBit, altGr, shiftBit | altGr};
        for (unsigned modifiers : states) {
            for (unsigned vk = 1; vk < 0xFF; ++vk) {
                // The keypad types digits only with Num Lock; its keys are fixed ones.
                if ((vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) || modifierBit(vk) != 0) continue;
                setState(state, modifiers);
                wchar_t text[8] = {};
                const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_);
                // Flag 4 leaves the dead-key state of this thread alone.
                const int count = ToUnicodeEx(vk, scan, state, text, 8, 4, layout_);
                if (count < 0) {
                    add(text[0], {vk, modifiers}, true);
                    clearDeadKey();
                } else if (count == 1 && text[0] >= L' ') {
                    // Wine's ToUnicodeEx gives dead keys as plain ones; its
                    // reverse search knows no key for their accents.
                    add(text[0], {vk, modifiers}, VkKeyScanExW(text[0], layout_) == -1);
                }
            }
        }
        // ToUnicodeEx of some systems ignores AltGr in a made-up state; the
        // reverse search knows it.
        for (wchar_t character = L' '; character < 0x250; ++character) {
            if (character == 0x7F) continue;
            const SHORT found = VkKeyScanExW(character, layout_);
            if (found == -1) continue;
            const unsigned modifiers = static_cast<unsigned>(HIBYTE(found)) & 7;
            const unsigned vk = LOBYTE(found);
            if (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) continue;
            add(character, {vk, modifiers}, false);
        }
    }

    // The key that carries the character, at the fewest modifiers.
    std::optional<unsigned> keyFor(wchar_t character) const {
        if (auto key = keys_.find(character); key != keys_.end()) return key->second.vk;
        return std::nullopt;
    }

    // The dead key of the accent. Where ToUnicodeEx does not tell dead keys
    // (Wine), the key with the accent on its own is taken for it.
    std::optional<unsigned> deadKeyFor(wchar_t accent) const {
        if (auto dead = deadKeys_.find(accent); dead != deadKeys_.end()) return dead->second.vk;
        if (auto key = keys_.find(accent); key != keys_.end() && key->second.modifiers == 0) {
            return key->second.vk;
        }
        return std::nullopt;
    }

    std::optional<Produced> produces(unsigned vk, unsigned modifiers) const {
        if (auto found = produced_.find({vk, modifiers & 7}); found != produced_.end()) {
            return found->second;
        }
        return std::nullopt;
    }

  private:
    static void setState(BYTE (&state)[256], unsigned modifiers) {
        state[VK_SHIFT] = (modifiers & shiftBit) ? 0x80 : 0;
        state[VK_CONTROL] = (modifiers & ctrlBit) ? 0x80 : 0;
        state[VK_MENU] = (modifiers & altBit) ? 0x80 : 0;
        state[VK_LCONTROL] = state[VK_CONTROL];
        state[VK_RMENU] = state[VK_MENU];
    }

    // Systems that ignore flag 4 keep the dead key waiting; a space ends it.
    void clearDeadKey() const {
        BYTE state[256] = {};
        wchar_t text[8];
        const UINT scan = MapVirtualKeyExW(VK_SPACE, MAPVK_VK_TO_VSC, layout_);
        for (int i = 0; i < 3 && ToUnicodeEx(VK_SPACE, scan, state, text, 8, 4, layout_) < 0; ++i) {
        }
    }

    void add(wchar_t character, Position position, bool dead) {
        auto& table = dead ? deadKeys_ : keys_;
        table.try_emplace(character, position);
        produced_.try_emplace({position.vk, position.modifiers}, Produced{character, dead});
    }

    HKL layout_;
    std::map<wchar_t, Position> keys_;
    std::map<wchar_t, Position> deadKeys_;
    std::map<std::pair<unsigned, unsigned>, Produced> produced_;
};

HKL activeLayout() {
    const DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    return GetKeyboardLayout(thread);
}

std::vector<HKL> loadedLayouts() {
    std::vector<HKL> layouts(static_cast<std::size_t>(GetKeyboardLayoutList(0, nullptr)));
    const int count = GetKeyboardLayoutList(static_cast<int>(layouts.size()), layouts.data());
    layouts.resize(static_cast<std::size_t>(count > 0 ? count : 0));
    return layouts;
}

// The integrity level of a process's token; none when Windows does not tell.
std::optional<DWORD> integrityLevel(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
    std::optional<DWORD> level;
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size > 0 && GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
        const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
        const DWORD count = *GetSidSubAuthorityCount(label->Label.Sid);
        if (count > 0) level = *GetSidSubAuthority(label->Label.Sid, count - 1);
    }
    CloseHandle(token);
    return level;
}

}  // namespace

class Win32KeyGenerator::Impl : private KeyActions {
  public:
    Impl(const std::string& layoutId, SendInputCall sendInput)
        : layoutId_(layoutId), sendInput_(std::move(sendInput)) {
        if (!sendInput_) {
            sendInput_ = [](unsigned count, void* inputs, int size) {
                return SendInput(count, static_cast<INPUT*>(inputs), size);
            };
        }
        if (layoutId.empty()) {
            layout_ = activeLayout();
        } else {
            const std::vector<HKL> before = loadedLayouts();
            layout_ =
                LoadKeyboardLayoutW(platform::win32::toWide(layoutId).c_str(), KLF_NOTELLSHELL);
            if (layout_ == nullptr) {
                throw std::runtime_error("LoadKeyboardLayoutW " + layoutId + ": " +
                                         platform::win32::errorText(GetLastError()));
            }
            // Loading adds the layout to the user's list; it leaves with us.
            loadedHere_ = std::find(before.begin(), before.end(), layout_) == before.end();
        }
        chart_.emplace(layout_);
        ownIntegrity_ = integrityLevel(GetCurrentProcess());
    }

    ~Impl() override {
        releaseHeldKeys();
        if (loadedHere_) UnloadKeyboardLayout(layout_);
    }

    void press(int keyCode) { translator_.press(keyCode); }
    void release(int keyCode) { translator_.release(keyCode); }
    bool lastKeyTypedCharacter() const { return lastKeyTypedCharacter_; }

    std::string describe() const {
        return "SendInput, keyboard layout " +
               (layoutId_.empty() ? std::string("of the window in front") : layoutId_);
    }

    void pause(std::chrono::milliseconds duration, std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        wake.wait_for(lock, stop, duration, [] { return false; });
    }

  private:
    void pressKey(int keyCode) override {
        lastKeyTypedCharacter_ = false;
        const unsigned vk = virtualKey(keyCode);
        if (!fixedVirtualKey(keyCode)) {
            const unsigned modifiers = level3_ ? (modifiers_ | altGr) : modifiers_;
            const auto produced = chart_->produces(vk, modifiers);
            if (level3_ && !produced) {
                throw KeyRefused("Invalid key code: the key of " + std::to_string(keyCode) +
                                 " types nothing with AltGr on this keyboard");
            }
            // The maps use AltGr and dead keys only for the character they
            // make (a dead key always before Space), so that character goes
            // as itself: Wine makes neither from SendInput's keys, and no
            // dead key is left waiting to swallow the next character.
            if (produced && (level3_ || produced->dead)) {
                sendCharacter(produced->character, true);
                typedAsCharacter_[keyCode] = produced->character;
                lastKeyTypedCharacter_ = true;
                return;
            }
        }
        sendKey(vk, true);
        held_[keyCode] = vk;
        if (modifierBit(vk) != 0) return;
        const auto produced = chart_->produces(vk, modifiers_);
        lastKeyTypedCharacter_ = produced && !produced->dead;
    }

    void releaseKey(int keyCode) override {
        if (auto typed = typedAsCharacter_.find(keyCode); typed != typedAsCharacter_.end()) {
            const wchar_t character = typed->second;
            typedAsCharacter_.erase(typed);
            return sendCharacter(character, false);
        }
        // The key pressed for the code, even if the layout changed since.
        auto held = held_.find(keyCode);
        const unsigned vk = held != held_.end() ? held->second : virtualKey(keyCode);
        if (held != held_.end()) held_.erase(held);
        sendKey(vk, false);
    }

    void pressLevel3() override { level3_ = true; }
    void releaseLevel3() override { level3_ = false; }

    // An Alt code: the character with that number, as itself.
    void typeCharacter(unsigned number) override {
        lastKeyTypedCharacter_ = false;
        const auto keysym = keysymForCharacter(number);
        if (!keysym) {
            throw KeyRefused("Invalid key code: no character has the Alt code " +
                             std::to_string(number));
        }
        std::vector<wchar_t> units;
        if (number < 0x10000) {
            units.push_back(static_cast<wchar_t>(number));
        } else {
            units.push_back(static_cast<wchar_t>(0xD800 + ((number - 0x10000) >> 10)));
            units.push_back(static_cast<wchar_t>(0xDC00 + ((number - 0x10000) & 0x3FF)));
        }
        std::vector<INPUT> events;
        for (bool down : {true, false}) {
            for (wchar_t unit : units) events.push_back(characterEvent(unit, down));
        }
        send(events);
        lastKeyTypedCharacter_ = true;
    }

    unsigned virtualKey(int keyCode) const {
        if (auto vk = fixedVirtualKey(keyCode)) return *vk;
        const auto keysym = keysymForKeyCode(keyCode);
        if (!keysym) throw KeyRefused("Invalid key code");
        if (isDeadKeysym(*keysym)) {
            for (wchar_t accent : accentsOf(keyCode)) {
                if (auto vk = chart_->deadKeyFor(accent)) return *vk;
            }
            throw KeyRefused("Invalid key code: no key of this keyboard is the dead key " +
                             std::to_string(keyCode));
        }
        // Character keysyms below 256 are the character's own number.
        if (*keysym < 0x100) {
            if (auto vk = chart_->keyFor(static_cast<wchar_t>(*keysym))) return *vk;
        }
        throw KeyRefused("Invalid key code: no key of this keyboard produces " +
                         std::string(1, static_cast<char>(*keysym)));
    }

    void sendKey(unsigned vk, bool down) {
        INPUT event{};
        event.type = INPUT_KEYBOARD;
        event.ki.wVk = static_cast<WORD>(vk);
        event.ki.wScan = static_cast<WORD>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_));
        event.ki.dwFlags =
            (down ? 0 : KEYEVENTF_KEYUP) | (isExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
        std::vector<INPUT> events{event};
        send(events);
        if (const unsigned bit = modifierBit(vk); bit != 0) {
            modifiers_ = down ? (modifiers_ | bit) : (modifiers_ & ~bit);
        }
    }

    static INPUT characterEvent(wchar_t unit, bool down) {
        INPUT event{};
        event.type = INPUT_KEYBOARD;
        event.ki.wScan = unit;
        event.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
        return event;
    }

    void sendCharacter(wchar_t character, bool down) {
        std::vector<INPUT> events{characterEvent(character, down)};
        send(events);
    }

    void send(std::vector<INPUT>& events) {
        refuseElevatedWindow();
        const auto count = static_cast<unsigned>(events.size());
        const unsigned sent = sendInput_(count, events.data(), sizeof(INPUT));
        if (sent != count) {
            throw KeyRefused("SendInput sent " + std::to_string(sent) + " of " +
                             std::to_string(count) +
                             " key events: " + platform::win32::errorText(GetLastError()));
        }
    }

    // Windows drops input to a program of higher integrity without saying
    // so (UIPI); look before typing, once per window in front.
    void refuseElevatedWindow() {
        HWND front = GetForegroundWindow();
        if (front != checkedWindow_) {
            checkedWindow_ = front;
            frontIsElevated_ = false;
            DWORD processId = 0;
            GetWindowThreadProcessId(front, &processId);
            HANDLE process = processId == 0
                                 ? nullptr
                                 : OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
            if (process != nullptr) {
                const auto theirs = integrityLevel(process);
                frontIsElevated_ = theirs && ownIntegrity_ && *theirs > *ownIntegrity_;
                CloseHandle(process);
            }
        }
        if (frontIsElevated_) {
            throw KeyRefused(
                "SendInput: the window in front belongs to a program running with higher rights "
                "(as administrator); Windows does not let keystrokes reach it");
        }
    }

    // Lets go of everything still down; at closing a refusal changes nothing.
    void releaseHeldKeys() {
        auto letGo = [](auto&& send) {
            try {
                send();
            } catch (const KeyRefused&) {
            }
        };
        for (const auto& [code, vk] : held_) letGo([&] { sendKey(vk, false); });
        for (const auto& [code, character] : typedAsCharacter_) {
            letGo([&] { sendCharacter(character, false); });
        }
        held_.clear();
        typedAsCharacter_.clear();
    }

    std::string layoutId_;
    SendInputCall sendInput_;
    HKL layout_ = nullptr;
    bool loadedHere_ = false;
    std::optional<LayoutChart> chart_;
    std::optional<DWORD> ownIntegrity_;
    HWND checkedWindow_ = nullptr;
    bool frontIsElevated_ = false;
    ChordTranslator translator_{*this};
    std::map<int, unsigned> held_;             // key code -> virtual key down for it
    std::map<int, wchar_t> typedAsCharacter_;  // key code -> character sent for it
    unsigned modifiers_ = 0;
    bool level3_ = false;
    bool lastKeyTypedCharacter_ = false;
};

Win32KeyGenerator::Win32KeyGenerator(const std::string& layoutId, SendInputCall sendInput)
    : impl_(std::make_unique<Impl>(layoutId, std::move(sendInput))) {}

Win32KeyGenerator::~Win32KeyGenerator() = default;

void Win32KeyGenerator::press(int keyCode) {
    impl_->press(keyCode);
}

void Win32KeyGenerator::release(int keyCode) {
    impl_->release(keyCode);
}

void Win32KeyGenerator::pause(std::chrono::milliseconds duration, std::stop_token stop) {
    impl_->pause(duration, std::move(stop));
}

bool Win32KeyGenerator::capsLockOn() {
    return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

bool Win32KeyGenerator::lastKeyTypedCharacter() {
    return impl_->lastKeyTypedCharacter();
}

std::string Win32KeyGenerator::describe() const {
    return impl_->describe();
}

}  // namespace keys
