// The local common file dialog, driven as a user would from another thread:
// the filter, the load and save flags seen as the dialog's behaviour, the
// full path it hands back, and its clean-up.
#include <windows.h>

#include <commdlg.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "plugin/FileCommands.h"

namespace tine {

// Shared with the toolbar's tests, which answer the same dialogs.
namespace dialogtest {

std::string windowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

namespace {

struct Search {
    const char* title;
    HWND owner;  // null: any
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0) return TRUE;
    if (search->owner && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    if (search->title) {
        char title[256] = {};
        GetWindowTextA(window, title, sizeof title);
        if (std::strcmp(title, search->title) != 0) return TRUE;
    }
    search->found = window;
    return FALSE;
}

BOOL CALLBACK matchEdit(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND findEdit(HWND dialog) {
    // Explorer style keeps the name in an edit control inside the combo
    // boxes of cmb13; the older style has a plain edit (edt1).
    HWND box = GetDlgItem(dialog, 0x47C);
    if (!box) return GetDlgItem(dialog, 0x480);
    HWND edit = nullptr;
    EnumChildWindows(box, &matchEdit, reinterpret_cast<LPARAM>(&edit));
    return edit ? edit : box;
}

}  // namespace

HWND waitForDialog(const char* title, HWND owner, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Search search{title, owner, nullptr};
        EnumWindows(&matchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            // Shown before it has settled: let its start-up finish first.
            Sleep(300);
            return search.found;
        }
        if (std::chrono::steady_clock::now() > end) return nullptr;
        Sleep(20);
    }
}

bool waitForGone(HWND window, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (IsWindow(window)) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(20);
    }
    return true;
}

bool typeFileName(HWND dialog, const char* text) {
    HWND edit = findEdit(dialog);
    if (!edit) return false;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return true;
}

void press(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

// Types the path and presses OK; cancels a dialog that has no name box.
bool choose(HWND dialog, const char* path) {
    if (!typeFileName(dialog, path)) {
        press(dialog, IDCANCEL);
        return false;
    }
    press(dialog, IDOK);
    return true;
}

}  // namespace dialogtest

namespace {

using namespace dialogtest;

std::string outputFolder(const char* leaf) {
    const std::string folder = windowsPath(TINE_TEST_OUTPUT_DIR) + "\\" + leaf;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}


// A visible window to own the dialogs.
struct Owner {
    HWND window = CreateWindowExA(0, "STATIC", "File dialog owner", WS_OVERLAPPED | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ~Owner() { DestroyWindow(window); }
};

std::string controlText(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

TEST(LocalFileDialog, LoadShowsTheTypeFilterAndHandsBackTheFullPathInItsOwnBuffer) {
    const std::string folder = outputFolder("dialog-load");
    const std::string existing = folder + "\\piano.fxp";
    std::ofstream(existing, std::ios::binary) << "x";

    Owner owner;
    FileSelectRequest request;
    fillFileSelectRequest(request, FileCommand::LoadPatch, nullptr);

    HWND seenOwner = nullptr;
    bool readOnlyShown = true;
    std::string typeShown;
    bool missingRefused = false;
    std::thread user([&] {
        HWND dialog = waitForDialog("Load FX Patch", nullptr, 20000);
        if (!dialog) return;
        seenOwner = GetWindow(dialog, GW_OWNER);
        HWND readOnly = GetDlgItem(dialog, 0x410);  // chx1
        readOnlyShown = readOnly && IsWindowVisible(readOnly);
        typeShown = controlText(dialog, 0x470);  // cmb1, the file types
        // A name that does not exist is refused with a message, and the
        // dialog stays.
        choose(dialog, (folder + "\\missing.fxp").c_str());
        if (HWND warning = waitForDialog(nullptr, dialog, 5000)) {
            missingRefused = IsWindow(dialog);
            PostMessageA(warning, WM_COMMAND, IDOK, 0);
            waitForGone(warning, 5000);
        }
        // A folder typed into the name box opens it; then the name alone.
        choose(dialog, folder.c_str());
        Sleep(500);
        choose(dialog, "piano.fxp");
        if (!waitForGone(dialog, 5000)) press(dialog, IDCANCEL);
    });
    const bool chosen = showLocalFileDialog(request, owner.window);
    const DWORD error = CommDlgExtendedError();
    user.join();

    ASSERT_TRUE(chosen) << "dialog error " << error;
    ASSERT_NE(request.select.returnPath, nullptr);
    EXPECT_EQ(request.select.sizeReturnPath, kReturnPathBytes);
    EXPECT_EQ(lstrcmpiA(request.select.returnPath, existing.c_str()), 0) << request.select.returnPath;
    EXPECT_EQ(seenOwner, owner.window);
    EXPECT_FALSE(readOnlyShown);
    EXPECT_EQ(typeShown, "FX Patches (*.fxp)");
    EXPECT_TRUE(missingRefused) << "a missing file was accepted for loading";
    // The filter text in the request's spare area ends with two zeros.
    const char filter[] = "FX Patches (*.fxp)\0*.fxp\0";
    EXPECT_EQ(std::memcmp(request.select.future, filter, sizeof filter), 0);

    releaseLocalFileDialog(request);
    EXPECT_EQ(request.select.returnPath, nullptr);
}

TEST(LocalFileDialog, SaveAddsTheExtensionAndAsksBeforeReplacingAFile) {
    const std::string folder = outputFolder("dialog-save");
    const std::string existing = folder + "\\old.fxb";
    std::ofstream(existing, std::ios::binary) << "x";
    Owner owner;

    char buffer[kReturnPathBytes] = "left over";
    FileSelectRequest request;
    fillFileSelectRequest(request, FileCommand::SaveBank, buffer);

    // A new name without extension gets the type's.
    std::thread first([&] {
        if (HWND dialog = waitForDialog("Save FX Bank", nullptr, 20000)) {
            choose(dialog, (folder + "\\fresh").c_str());
            if (!waitForGone(dialog, 5000)) press(dialog, IDCANCEL);
        }
    });
    const bool fresh = showLocalFileDialog(request, owner.window);
    const DWORD freshError = CommDlgExtendedError();
    first.join();
    ASSERT_TRUE(fresh) << "dialog error " << freshError;
    EXPECT_EQ(request.select.returnPath, buffer) << "a caller's buffer is used as it is";
    EXPECT_EQ(lstrcmpiA(buffer, (folder + "\\fresh.fxb").c_str()), 0) << buffer;
    EXPECT_EQ(std::memcmp(request.select.future, "FX Banks (*.fxb)\0*.fxb\0", 24), 0);

    // An existing file is only chosen once the user agrees to replace it.
    bool asked = false;
    std::thread second([&] {
        if (HWND dialog = waitForDialog("Save FX Bank", nullptr, 20000)) {
            choose(dialog, existing.c_str());
            if (HWND question = waitForDialog(nullptr, dialog, 5000)) {
                asked = true;
                PostMessageA(question, WM_COMMAND, IDYES, 0);
            }
            if (!waitForGone(dialog, 5000)) press(dialog, IDCANCEL);
        }
    });
    const bool replaced = showLocalFileDialog(request, owner.window);
    second.join();
    ASSERT_TRUE(replaced);
    EXPECT_TRUE(asked) << "no question before replacing a file";
    EXPECT_EQ(lstrcmpiA(buffer, existing.c_str()), 0) << buffer;
}

TEST(LocalFileDialog, CancelChoosesNothingAndLongTypeNamesAreCutToTheSpareArea) {
    Owner owner;
    FileSelectRequest request;
    fillFileSelectRequest(request, FileCommand::LoadBank, nullptr);
    std::memset(request.fileType.name, 'A', sizeof request.fileType.name - 1);
    request.fileType.name[sizeof request.fileType.name - 1] = '\0';

    std::thread user([&] {
        if (HWND dialog = waitForDialog("Load FX Bank", nullptr, 20000)) press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(showLocalFileDialog(request, owner.window));
    user.join();
    ASSERT_NE(request.select.returnPath, nullptr);
    EXPECT_EQ(request.select.returnPath[0], '\0');

    // The pattern and both zeros still fit at the end of the spare area; the
    // file type behind the record is untouched.
    const char* future = request.select.future;
    const std::size_t size = sizeof request.select.future;
    const char tail[] = " (*.fxb)\0*.fxb\0";
    EXPECT_EQ(std::memcmp(future + size - sizeof tail, tail, sizeof tail), 0);
    EXPECT_EQ(future[0], 'A');
    EXPECT_EQ(request.fileType.name[sizeof request.fileType.name - 2], 'A');
    releaseLocalFileDialog(request);
    EXPECT_EQ(request.select.returnPath, nullptr);

    // Neither load nor save: nothing is shown.
    FileSelectRequest other;
    fillFileSelectRequest(other, FileCommand::SavePatch, nullptr);
    other.select.command = 2;
    EXPECT_FALSE(showLocalFileDialog(other, owner.window));
    releaseLocalFileDialog(other);
}

}  // namespace
}  // namespace tine
