// The Windows programs as an operator runs them, from the folder they are installed into:
// valtyp-cli.exe checking its samples and typing what COM7 receives, valtyp.exe in both
// editions with their settings stores, its tabs as drawn, and the installer. COM7 is a Linux
// pseudo-terminal; the keys go to edit-target.exe, a window of another process.

#include "win32/Program.h"
#include "win32/keys/EditTarget.h"
#include "win32/serial/PtyLine.h"

// clang-format off: GDI+ needs the COM headers first, which WIN32_LEAN_AND_MEAN leaves out.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <sstream>
#include <vector>

using namespace std::chrono_literals;
using win32test::HelperConnection;
using win32test::Program;
using win32test::PtyLine;

namespace {

const std::wstring programs = win32test::pathFromEnvironment("VALTYP_PROGRAMS");

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// Three weighings as the scale sends them, and what is typed for them.
const std::string kernRecords = "N      12.34 kg\r\nN     -0,5 kg\r\nN      7 kg\r\n";
const std::vector<std::wstring> kernValues = {L"12.34", L"-0.5", L"7"};

std::wstring typedLines(const std::vector<std::wstring>& values, const std::wstring& suffix) {
    std::wstring text;
    for (const std::wstring& value : values) text += value + suffix + L"\r\n";
    return text;
}

// Waits until the program opened the line with the settings given ("57600 8N1").
bool lineOpenedAs(PtyLine& line, const std::string& settings) {
    for (int i = 0; i < 600; ++i) {
        if (line.settings() == settings) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

// Ends the program as the desktop does; how long it took to end.
std::chrono::milliseconds closeWindow(Program& program, HWND window) {
    const auto closed = std::chrono::steady_clock::now();
    PostMessageW(window, WM_CLOSE, 0, 0);
    const std::optional<DWORD> status = program.wait(60s);
    EXPECT_EQ(status, std::optional<DWORD>(0))
        << program.output() << (status ? "" : program.threadStacks());
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 closed);
}

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, &path))) return {};
    std::wstring folder(path);
    CoTaskMemFree(path);
    return folder;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool writeFile(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return CloseHandle(file) && ok && written == text.size();
}

// The HUB edition's shared file, in Java properties form, holding the settings given.
std::wstring hubSettingsFolder() { return knownFolder(FOLDERID_ProgramData) + L"\\Belmaro\\ValtypHUB"; }

bool writeHubSettings(const std::map<std::string, std::string>& settings) {
    const std::wstring belmaro = knownFolder(FOLDERID_ProgramData) + L"\\Belmaro";
    CreateDirectoryW(belmaro.c_str(), nullptr);
    CreateDirectoryW(hubSettingsFolder().c_str(), nullptr);
    std::string text;
    for (const auto& [key, value] : settings) text += "com.belmaro.Valtyp." + key + "=" + value + "\n";
    return writeFile(hubSettingsFolder() + L"\\prefs.txt", text);
}

// The regular edition's settings node in the current user's registry.
const wchar_t* const regularRoot = L"Software\\Belmaro\\Valtyp";
const wchar_t* const regularNode = L"Software\\Belmaro\\Valtyp\\com\\belmaro\\Valtyp";

void seedRegistry(const std::map<std::wstring, std::wstring>& settings) {
    RegDeleteTreeW(HKEY_CURRENT_USER, regularRoot);
    for (const auto& [key, value] : settings) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, regularNode, key.c_str(), REG_SZ, value.c_str(),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
}

std::map<std::wstring, std::wstring> registrySettings() {
    std::map<std::wstring, std::wstring> settings;
    HKEY node = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, regularNode, 0, KEY_READ, &node) != ERROR_SUCCESS) return settings;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t value[2048];
        DWORD size = sizeof value;
        DWORD type = 0;
        if (RegEnumValueW(node, i, name, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
            break;
        if (type == REG_SZ) settings[name] = std::wstring(value, size / sizeof(wchar_t)).c_str();
    }
    RegCloseKey(node);
    return settings;
}

// The window's pixels as the screen shows them, saved as a PNG file.
class Screenshots {
  public:
    Screenshots() { Gdiplus::GdiplusStartup(&token_, &input_, nullptr); }
    ~Screenshots() { Gdiplus::GdiplusShutdown(token_); }

    std::vector<std::uint32_t> take(HWND window, const std::wstring& file) const {
        // The client area: without a window manager nobody draws the frame.
        RECT r{};
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        SelectObject(memory, previous);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
        GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
        Gdiplus::Bitmap image(bitmap, nullptr);
        const bool saved = image.Save(file.c_str(), &pngEncoder, nullptr) == Gdiplus::Ok;
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        EXPECT_TRUE(saved);
        return pixels;
    }

  private:
    static constexpr CLSID pngEncoder = {
        0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    Gdiplus::GdiplusStartupInput input_;
    ULONG_PTR token_ = 0;
};

// Runs a command line as Explorer runs it, elevated where the program's manifest asks for it
// (CreateProcess refuses those); its exit status, or nothing when it did not end in time.
std::optional<DWORD> runAsTheShellDoes(const std::wstring& commandLine, std::chrono::milliseconds limit) {
    const bool quoted = commandLine.starts_with(L'"');
    const std::size_t end = quoted ? commandLine.find(L'"', 1) : commandLine.find(L' ');
    const std::wstring file = commandLine.substr(quoted ? 1 : 0, end - (quoted ? 1 : 0));
    const std::wstring parameters = end == std::wstring::npos ? L"" : commandLine.substr(end + 1);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return std::nullopt;
    const std::optional<DWORD> status = win32test::exitStatus(info.hProcess, limit);
    CloseHandle(info.hProcess);
    return status;
}

void pressCtrlTab() {
    INPUT keys[4] = {};
    const WORD order[4][2] = {{VK_CONTROL, 0}, {VK_TAB, 0}, {VK_TAB, KEYEVENTF_KEYUP},
                              {VK_CONTROL, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i][0];
        keys[i].ki.dwFlags = order[i][1];
    }
    SendInput(4, keys, sizeof(INPUT));
}

// `valtyp-cli run --type` on COM7 for a keyboard type: the values typed in the focused window.
void cliTypesWhatCom7Receives(const std::wstring& keyboardType) {
    PtyLine line("com7");
    EditTarget target;
    Program cli(quoted(programs + L"\\valtyp-cli.exe") +
                L" run --port COM7 --instrument KERN_MPS --type --count 3"
                L" --set bitRate=10 --set dataBits=3 --set parity=0 --set delay=2"
                L" --set \"outputTemplate={value} yz/{ENTER}\" --set keyboardType=" +
                keyboardType);
    ASSERT_TRUE(lineOpenedAs(line, "57600 8N1")) << cli.output();
    line.write(kernRecords);
    ASSERT_EQ(cli.wait(60s), std::optional<DWORD>(0)) << cli.output();
    EXPECT_EQ(target.text(30), typedLines(kernValues, L" yz/"));
}

// The version document's server on the Linux side, with a self-signed certificate that no
// Windows trusts; a silent one accepts connections and then says nothing.
class UpdateServer {
  public:
    struct Seen {
        int connections = 0;
        int requests = 0;  // read after a completed handshake
        int refused = 0;   // connections the client left without a request
        bool operator==(const Seen&) const = default;
    };

    explicit UpdateServer(bool silent = false)
        : port_(std::stoi(helper_.ask(silent ? "https silent" : "https"))) {}
    std::wstring url() const { return L"https://localhost:" + std::to_wstring(port_) + L"/version"; }
    Seen seen() {
        Seen counts;
        std::istringstream(helper_.ask("https-log")) >> counts.connections >> counts.requests >>
            counts.refused;
        return counts;
    }

  private:
    HelperConnection helper_;
    int port_;
};

struct UpdateCheck {
    UpdateServer::Seen seen;
    std::chrono::milliseconds closing{};  // from WM_CLOSE to the program's end
};

// Starts the window until one start checks for updates (about one in four does), gives the
// check a few seconds, and closes the window.
UpdateCheck firstUpdateCheck(UpdateServer& server) {
    for (int start = 0; start < 40; ++start) {
        Program valtyp(quoted(programs + L"\\valtyp.exe"));
        HWND window = valtyp.window(L"Valtyp");
        if (window == nullptr) break;
        for (int i = 0; i < 30 && server.seen().connections == 0; ++i) std::this_thread::sleep_for(100ms);
        const bool checked = server.seen().connections > 0;
        if (checked) std::this_thread::sleep_for(3s);
        const std::chrono::milliseconds closing = closeWindow(valtyp, window);
        if (checked) return {server.seen(), closing};
    }
    return {};
}

}  // namespace

TEST(WindowsCli, PassesEverySample) {
    Program cli(quoted(programs + L"\\valtyp-cli.exe") + L" samples");
    ASSERT_EQ(cli.wait(120s), std::optional<DWORD>(0)) << cli.output();
    const std::string output = cli.output();
    EXPECT_NE(output.find("\n0 failed"), std::string::npos) << output;
    EXPECT_NE(output.find("PASS"), std::string::npos) << output;
}

TEST(WindowsCli_us, TypesWhatCom7ReceivesIntoTheFocusedWindow) { cliTypesWhatCom7Receives(L"QUERTY"); }

TEST(WindowsCli_de, TypesWhatCom7ReceivesIntoTheFocusedWindow) { cliTypesWhatCom7Receives(L"GERMAN"); }

TEST(WindowsHub, ConnectsAutomaticallyTypesIntoTheChosenWindowAndSavesOnClose) {
    PtyLine line("com7");
    ASSERT_TRUE(writeHubSettings({{"instrument", "KERN_MPS"},
                                  {"inputTerminator", "10"},
                                  {"outputTerminator", "ENTER"},
                                  {"delay", "2"},
                                  {"connect", "AUTO"},
                                  {"port", "COM7"},
                                  {"bitRate", "10"},
                                  {"dataBits", "3"},
                                  {"parity", "0"},
                                  {"checkForUpdates", "false"},
                                  {"typeOnlyInto", "Valtyp edit target"}}));
    Program valtyp(quoted(programs + L"\\valtyp.exe") + L" --edition=HUB");
    HWND window = valtyp.window(L"Valtyp HUB");
    ASSERT_NE(window, nullptr) << valtyp.output();
    ASSERT_TRUE(lineOpenedAs(line, "57600 8N1")) << valtyp.output();
    {
        EditTarget target;
        line.write(kernRecords);
        EXPECT_EQ(target.text(12), typedLines(kernValues, L""));
    }
    closeWindow(valtyp, window);
    const std::string saved = win32test::readWholeFile(hubSettingsFolder() + L"\\prefs.txt");
    EXPECT_NE(saved.find("com.belmaro.Valtyp.prevPort=COM7"), std::string::npos) << saved;
    // A setting the file did not hold: the whole record was written on close.
    EXPECT_NE(saved.find("com.belmaro.Valtyp.reconnect=true"), std::string::npos) << saved;
}

TEST(WindowsRegular, SettingsSurviveARestartInTheUsersRegistry) {
    seedRegistry({{L"connect", L"AUTO"},
                  {L"port", L"COM7"},
                  {L"instrument", L"KERN_MPS"},
                  {L"bitRate", L"10"},
                  {L"dataBits", L"3"},
                  {L"stopBits", L"1"},
                  {L"parity", L"0"},
                  {L"checkForUpdates", L"false"}});
    std::vector<std::map<std::wstring, std::wstring>> afterRuns;
    for (int run = 0; run < 2; ++run) {
        PtyLine line("com7");
        Program valtyp(quoted(programs + L"\\valtyp.exe"));
        HWND window = valtyp.window(L"Valtyp");
        ASSERT_NE(window, nullptr) << valtyp.output();
        // Connected as the stored settings say: 57600 bit/s, 2 stop bits.
        ASSERT_TRUE(lineOpenedAs(line, "57600 8N2")) << "run " << run << ": " << line.settings();
        closeWindow(valtyp, window);
        afterRuns.push_back(registrySettings());
    }
    const auto& saved = afterRuns[0];
    EXPECT_EQ(saved.at(L"prevPort"), L"COM7");
    EXPECT_EQ(saved.at(L"stopBits"), L"1");
    EXPECT_TRUE(saved.count(L"reconnect")) << "the whole record is written on close";
    EXPECT_EQ(afterRuns[1], afterRuns[0]) << "the second start read back what the first wrote";
}

TEST(WindowsWindow, EveryTabIsDrawnAsTheArtefactsShow) {
    const std::wstring artifacts = win32test::pathFromEnvironment("VALTYP_ARTIFACTS");
    CreateDirectoryW(artifacts.c_str(), nullptr);
    seedRegistry({{L"checkForUpdates", L"false"}});
    Program valtyp(quoted(programs + L"\\valtyp.exe"));
    HWND window = valtyp.window(L"Valtyp");
    ASSERT_NE(window, nullptr) << valtyp.output();
    SetForegroundWindow(window);
    std::this_thread::sleep_for(1s);
    const Screenshots screenshots;
    std::vector<std::vector<std::uint32_t>> shown;
    const wchar_t* const tabs[] = {L"start-stop", L"input",     L"processing", L"output",
                                   L"settings",   L"event-log", L"about"};
    for (const wchar_t* tab : tabs) {
        shown.push_back(screenshots.take(window, artifacts + L"\\windows-tab-" + tab + L".png"));
        EXPECT_FALSE(std::all_of(shown.back().begin(), shown.back().end(),
                                 [&](std::uint32_t p) { return p == shown.back().front(); }))
            << "nothing drawn on the tab " << tab;
        if (shown.size() > 1) {
            EXPECT_NE(shown.back(), shown[shown.size() - 2]) << "Ctrl+Tab to the tab " << tab;
        }
        pressCtrlTab();
        std::this_thread::sleep_for(700ms);
    }
    closeWindow(valtyp, window);
}

TEST(WindowsInstaller, InstallsSilentlyStartsFromItsShortcutAndUninstalls) {
    const std::wstring installer = win32test::pathFromEnvironment("VALTYP_INSTALLER");
    const std::wstring installed = knownFolder(FOLDERID_ProgramFiles) + L"\\Belmaro\\Valtyp";
    const std::wstring menu = knownFolder(FOLDERID_CommonPrograms) + L"\\Valtyp";
    // The installer, not an earlier test, makes the HUB folder.
    DeleteFileW((hubSettingsFolder() + L"\\prefs.txt").c_str());
    RemoveDirectoryW(hubSettingsFolder().c_str());
    ASSERT_EQ(runAsTheShellDoes(quoted(installer) + L" /S", 180s), std::optional<DWORD>(0));
    for (const wchar_t* file : {L"valtyp.exe", L"valtyp-cli.exe", L"jspWin.dll", L"Qt6Core.dll",
                                L"platforms\\qwindows.dll", L"tls\\qschannelbackend.dll", L"uninstall.exe"})
        EXPECT_TRUE(exists(installed + L"\\" + file)) << "installed " << std::string(file, file + wcslen(file));
    ASSERT_TRUE(exists(hubSettingsFolder()));
    ASSERT_TRUE(writeHubSettings({{"checkForUpdates", "false"}})) << "the HUB folder is writable";

    // The HUB shortcut, resolved as the Start menu resolves it.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    ASSERT_TRUE(SUCCEEDED(file->Load((menu + L"\\Valtyp HUB.lnk").c_str(), STGM_READ)));
    wchar_t target[MAX_PATH] = {};
    wchar_t arguments[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, 0);
    link->GetArguments(arguments, MAX_PATH);
    file->Release();
    link->Release();
    CoUninitialize();
    EXPECT_EQ(CompareStringOrdinal(target, -1, (installed + L"\\valtyp.exe").c_str(), -1, TRUE), CSTR_EQUAL);
    EXPECT_STREQ(arguments, L"--edition=HUB");
    {
        Program hub(quoted(target) + L" " + arguments);
        HWND window = hub.window(L"Valtyp HUB");
        ASSERT_NE(window, nullptr) << hub.output();
        closeWindow(hub, window);
    }

    // The quiet uninstall Windows' settings run, then the folder gone; the HUB settings stay.
    wchar_t uninstall[1024] = {};
    DWORD size = sizeof uninstall;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Valtyp",
                           L"QuietUninstallString", RRF_RT_REG_SZ, nullptr, uninstall, &size),
              ERROR_SUCCESS);
    ASSERT_EQ(runAsTheShellDoes(uninstall, 60s), std::optional<DWORD>(0));
    // The uninstaller runs on as a copy of itself, which removes the folder.
    for (int i = 0; i < 600 && exists(installed); ++i) std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(exists(installed));
    EXPECT_FALSE(exists(menu));
    EXPECT_TRUE(exists(hubSettingsFolder() + L"\\prefs.txt"));
}

TEST(WindowsUpdateCheck, RefusesAServerWhoseCertificateWindowsDoesNotTrust) {
    seedRegistry({{L"checkForUpdates", L"true"}});
    UpdateServer stranger;
    SetEnvironmentVariableW(L"VALTYP_UPDATE_URL", stranger.url().c_str());
    EXPECT_EQ(firstUpdateCheck(stranger).seen, (UpdateServer::Seen{1, 0, 1}))
        << "no request after the handshake";
    SetEnvironmentVariableW(L"VALTYP_UPDATE_URL", nullptr);
}

TEST(WindowsUpdateCheck, ClosingTheWindowDuringAStalledCheckEndsItAtOnce) {
    seedRegistry({{L"checkForUpdates", L"true"}});
    UpdateServer silent(true);
    SetEnvironmentVariableW(L"VALTYP_UPDATE_URL", silent.url().c_str());
    const UpdateCheck check = firstUpdateCheck(silent);
    EXPECT_EQ(check.seen.connections, 1);
    EXPECT_LT(check.closing, 5s);
    SetEnvironmentVariableW(L"VALTYP_UPDATE_URL", nullptr);
}
