// The built program as a user meets it: it starts, shows one window, plays
// the notes its MIDI port receives, allows one running copy and ends cleanly
// when its window is closed. Its sound goes to Wine's ALSA driver, whose
// default device (cmake/wine/asound.conf) writes every played byte to the
// file the Wine wrapper names in TINE_ALSA_CAPTURE for this test and the
// programs it starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "standalone/AppShell.h"
#include "host/HostSettings.h"
#include "standalone/SettingsStoreRegistry.h"

namespace tine {
namespace {

// Build paths are Unix paths; Wine shows the Unix root as drive Z:.
std::string windowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(windowsPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Predicate>
bool waitUntil(Predicate done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(20);
    }
    return true;
}

// One run of the program; killed if a test leaves it running.
class Program {
public:
    // Started with the test hooks that let a test feed its MIDI port.
    Program() {
        SetEnvironmentVariableA("TINEMASTER_TEST_HOOKS", "1");
        std::string commandLine = "\"" + windowsPath(TINE_PROGRAM) + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process_) != 0;
        SetEnvironmentVariableA("TINEMASTER_TEST_HOOKS", nullptr);
    }
    ~Program() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return started_; }
    DWORD id() const { return process_.dwProcessId; }

    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD waitForExit(DWORD timeoutMs) {
        if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

struct TopLevel {
    HWND window;
    DWORD process;
};

BOOL CALLBACK collectTitled(HWND window, LPARAM list) {
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    if (std::string(title) == kMainWindowTitle && IsWindowVisible(window)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        reinterpret_cast<std::vector<TopLevel>*>(list)->push_back({window, process});
    }
    return TRUE;
}

// Visible top-level windows titled "Tinemaster", of any process.
std::vector<TopLevel> programWindows() {
    std::vector<TopLevel> list;
    EnumWindows(&collectTitled, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND waitForWindowOf(const Program& program, int timeoutMs) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (const TopLevel& w : programWindows())
                if (w.process == program.id()) found = w.window;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// Plain settings (input on every channel), whatever earlier runs stored.
void storeTestSettings() {
    HostSettings settings;
    settings.inputChannel = -1;
    RegistrySettingsStore key;
    ASSERT_TRUE(key.isOpen());
    ASSERT_TRUE(settings.save(key));
}

std::size_t firstNonZero(const std::vector<uint8_t>& bytes, std::size_t from) {
    for (std::size_t at = from; at < bytes.size(); ++at)
        if (bytes[at] != 0) return at;
    return bytes.size();
}

void sendShortMessage(HWND window, uint32_t message) {
    const UINT injection = RegisterWindowMessageA("Tinemaster.InjectMidiShortMessage");
    ASSERT_TRUE(PostMessageA(window, injection, message, 0));
}

TEST(Program, StartsShowsOneWindowPlaysInjectedNotesAndClosesCleanly) {
    storeTestSettings();
    ASSERT_TRUE(programWindows().empty()) << "a copy of the program is already running";
    char captureName[1024] = {};
    ASSERT_GT(GetEnvironmentVariableA("TINE_ALSA_CAPTURE", captureName, sizeof captureName), 0u)
        << "run through cmake/wine-run.sh, which names the capture file";
    const std::string capture = captureName;
    ASSERT_TRUE(readAll(capture).empty()) << "something played before the program started";

    Program program;
    ASSERT_TRUE(program.started());
    HWND main = waitForWindowOf(program, 30000);
    ASSERT_NE(main, nullptr) << "no window titled " << kMainWindowTitle;

    // One window: the toolbar strip of 17 pixels above the editor's 432 x 247.
    EXPECT_EQ(programWindows().size(), 1u);
    char name[128] = {};
    GetClassNameA(main, name, sizeof name);
    EXPECT_STREQ(name, kMainWindowClass);
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right - client.left, 432);
    EXPECT_EQ(client.bottom - client.top, 264);
    // The main window shows before its editor window is made.
    HWND editor = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (editor = FindWindowExA(main, nullptr, kEditorWindowClass, nullptr)) != nullptr; },
                          10000));
    RECT editorRect;
    GetWindowRect(editor, &editorRect);
    POINT editorOrigin = {editorRect.left, editorRect.top};
    ScreenToClient(main, &editorOrigin);
    EXPECT_EQ(editorOrigin.x, 0);
    EXPECT_EQ(editorOrigin.y, 17);
    EXPECT_EQ(editorRect.right - editorRect.left, 432);
    EXPECT_EQ(editorRect.bottom - editorRect.top, 247);

    // It plays: the capture grows, and holds silence while no key is down.
    ASSERT_TRUE(waitUntil([&] { return readAll(capture).size() > 64 * 1024; }, 20000)) << "nothing played";
    std::vector<uint8_t> before = readAll(capture);
    EXPECT_EQ(firstNonZero(before, 0), before.size()) << "sound before any note";
    ASSERT_TRUE(waitUntil([&] { return readAll(capture).size() > before.size(); }, 10000)) << "playing stopped";

    // A note through the MIDI port is heard after the silence.
    before = readAll(capture);
    sendShortMessage(main, 0x00643C90);  // note on, middle C, velocity 100
    std::vector<uint8_t> after;
    const bool heard = waitUntil(
        [&] {
            after = readAll(capture);
            return firstNonZero(after, before.size()) < after.size();
        },
        10000);
    EXPECT_TRUE(heard) << "the note was not heard";
    sendShortMessage(main, 0x00003C80);

    // Closing the window ends the program with code 0 and takes its window.
    ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
    EXPECT_EQ(program.waitForExit(30000), 0u);
    EXPECT_TRUE(programWindows().empty());
    // Nothing more is played once it has ended.
    const std::size_t finalSize = readAll(capture).size();
    Sleep(300);
    EXPECT_EQ(readAll(capture).size(), finalSize);
}

TEST(Program, SecondStartOnlyActivatesTheFirstWindow) {
    storeTestSettings();
    ASSERT_TRUE(programWindows().empty()) << "a copy of the program is already running";
    Program first;
    ASSERT_TRUE(first.started());
    HWND main = waitForWindowOf(first, 30000);
    ASSERT_NE(main, nullptr);
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(main) != 0; }, 5000));

    Program second;
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitForExit(30000), 0u);
    EXPECT_TRUE(waitUntil([&] { return IsIconic(main) == 0; }, 5000)) << "the first window stayed minimised";
    const std::vector<TopLevel> windows = programWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].process, first.id());

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.waitForExit(30000), 0u);
}

// Reads the PE headers of the program file.
struct ImageFacts {
    WORD machine = 0;
    WORD subsystem = 0;
    DWORD exportBytes = 0;
    std::vector<std::string> importedDlls;
};

bool readImage(const std::vector<uint8_t>& file, ImageFacts& facts) {
    auto at = [&](std::size_t offset, std::size_t size) { return offset + size <= file.size(); };
    if (!at(0, sizeof(IMAGE_DOS_HEADER))) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS))) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(file.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
    facts.machine = nt->FileHeader.Machine;
    facts.subsystem = nt->OptionalHeader.Subsystem;
    facts.exportBytes = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].Size;

    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto fileOffset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return file.size();
    };
    const DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (std::size_t offset = fileOffset(importRva); at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR));
         offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(file.data() + offset);
        if (import->Name == 0) break;
        const std::size_t nameAt = fileOffset(import->Name);
        std::string dll;
        for (std::size_t i = nameAt; i < file.size() && file[i] != 0; ++i) dll += char(std::tolower(file[i]));
        facts.importedDlls.push_back(dll);
    }
    return true;
}

TEST(Program, IsAStandaloneGuiProgramWithoutPluginEntryPoint) {
    ImageFacts facts;
    ASSERT_TRUE(readImage(readAll(TINE_PROGRAM), facts));
    EXPECT_EQ(facts.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    // No export table at all, so no plug-in entry point a host could find.
    EXPECT_EQ(facts.exportBytes, 0u);
    // Statically linked: only system libraries are needed on a bare Windows.
    ASSERT_FALSE(facts.importedDlls.empty());
    for (const std::string& dll : facts.importedDlls) {
        EXPECT_EQ(dll.find("libstdc++"), std::string::npos) << dll;
        EXPECT_EQ(dll.find("libgcc"), std::string::npos) << dll;
        EXPECT_EQ(dll.find("winpthread"), std::string::npos) << dll;
    }
    bool importsDirectSound = false;
    for (const std::string& dll : facts.importedDlls) importsDirectSound |= dll == "dsound.dll";
    EXPECT_TRUE(importsDirectSound);
}

}  // namespace
}  // namespace tine
