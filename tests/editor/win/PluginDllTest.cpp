// Tinemaster.dll as a Windows host loads it: through its entry point only,
// with the editor opened into a host window and closed again, without
// leaking GDI objects.

#include "EditorTestSupport.h"

#ifndef TINE_PLUGIN_DLL
#define TINE_PLUGIN_DLL "Tinemaster.dll"
#endif

namespace tine {
namespace {

using namespace editortest;
using PluginMain = AEffect*(VSTCALLBACK*)(audioMasterCallback);

// The process's GDI objects. Where the system does not count them (Wine
// answers 0), the handle table is probed instead: its handles are table
// indices, and an index without its generation still finds a live entry.
DWORD gdiObjects() {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted)
        return counted;
    DWORD live = 0;
    for (uintptr_t index = 1; index < 0x10000; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

TEST(PluginDll, LoadsThroughItsEntryPointAndOpensAndClosesItsEditorWithoutLeaks) {
    releaseEverything();
    HMODULE library = LoadLibraryA(TINE_PLUGIN_DLL);
    ASSERT_NE(library, nullptr) << TINE_PLUGIN_DLL;
    auto entry = reinterpret_cast<PluginMain>(reinterpret_cast<void*>(GetProcAddress(library, "VSTPluginMain")));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(GetProcAddress(library, "main"), nullptr) << "only the one entry point";

    hostRecord().clear();
    EXPECT_EQ(entry(nullptr), nullptr) << "no instance without a host";
    AEffect* effect = entry(&recordingHost);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->flags, 305);
    EXPECT_EQ(effect->uniqueID, ('T' << 24) | ('N' << 16) | ('M' << 8) | 'R');
    EXPECT_EQ(effect->numParams, 62);
    EXPECT_EQ(effect->numPrograms, 32);
    char name[64] = {};
    effect->dispatcher(effect, effGetEffectName, 0, 0, name, 0.0f);
    EXPECT_STREQ(name, "Tinemaster");
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);

    ERect* rect = nullptr;
    EXPECT_EQ(effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 432);
    EXPECT_EQ(rect->bottom - rect->top, 247);

    HostWindow host(80, 80, 432, 247);
    auto cycle = [&] {
        ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, host.get(), 0.0f), 1);
        HWND editorWindow = GetWindow(host.get(), GW_CHILD);
        ASSERT_NE(editorWindow, nullptr) << "the editor's window sits in the host's";
        RECT client;
        GetClientRect(editorWindow, &client);
        EXPECT_EQ(client.right, 432);
        EXPECT_EQ(client.bottom, 247);
        for (int i = 0; i < 5; ++i) {
            effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
            pump(10);
        }
        // The editor draws its bitmaps from the library's own resources: the
        // panel is not the host's grey.
        const Image shown = capture(editorWindow);
        EXPECT_NE(shown.at(5, 5), fromColorRef(GetSysColor(COLOR_BTNFACE)));
        EXPECT_NE(shown.at(5, 5), Color(128, 128, 128));
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
        pump(20);
        EXPECT_EQ(GetWindow(host.get(), GW_CHILD), nullptr) << "the editor's window is gone";
    };
    // The first opening may leave caches behind (fonts, brushes of the
    // system); every later one must give back what it took.
    cycle();
    const DWORD before = gdiObjects();
    ASSERT_GT(before, 0u) << "GDI objects can be counted here";
    ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, host.get(), 0.0f), 1);
    pump(20);
    EXPECT_GT(gdiObjects(), before) << "the count sees what an open editor holds";
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    pump(20);
    for (int i = 0; i < 4; ++i)
        cycle();
    EXPECT_EQ(gdiObjects(), before);
    std::printf("GDI objects after the editor was opened and closed: %lu\n", static_cast<unsigned long>(before));

    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
}  // namespace tine
