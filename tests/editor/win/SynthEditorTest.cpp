// The instrument's editor: properties of its layout, its binding to the
// plug-in, real input through its window (with screenshots in the test output
// folder), and the plug-in library as a Windows host loads it.

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "../../gui/win/GuiTestSupport.h"
#include "editor/ProgramNameEdit.h"
#include "editor/ShapeBox.h"
#include "editor/SynthEditor.h"
#include "editor/ValueBox.h"
#include "engine/ShapeTable.h"
#include "gui/ViewContainer.h"
#include "params/ParameterTable.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace {

using namespace guitest;

// What the host heard: the automated values in order, and the gestures.
struct HostRecord {
    std::vector<std::pair<int32_t, float>> automation;
    int begins = 0, ends = 0;
    std::vector<float> valuesOf(int32_t index) const {
        std::vector<float> values;
        for (const auto& a : automation)
            if (a.first == index)
                values.push_back(a.second);
        return values;
    }
};

HostRecord heard;

inline intptr_t VSTCALLBACK recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
    if (opcode == audioMasterAutomate)
        heard.automation.emplace_back(index, opt);
    heard.begins += opcode == audioMasterBeginEdit;
    heard.ends += opcode == audioMasterEndEdit;
    return opcode == audioMasterVersion ? 2400 : 0;
}

inline void rightClickAt(POINT p, WORD modifier = 0) {
    pressAt(p, modifier, MOUSEEVENTF_RIGHTDOWN);
    pump(60);
    sendMouse(MOUSEEVENTF_RIGHTUP);
    if (modifier)
        sendKey(modifier, false);
    pump(40);
}

// What a popup menu showed: none when it did not come or the entry was not there.
struct MenuSeen {
    int entries = 0, columns = 0;
};

// Opens a popup menu with open() and clicks one of its entries from another
// thread: the menu runs its own loop on this one.
inline MenuSeen chooseFromMenu(int entry, const std::function<void()>& open) {
    MenuSeen seen;
    std::atomic<bool> done{false};
    std::thread user([&] {
        HWND popup = nullptr;
        for (int i = 0; i < 400 && !(popup && IsWindowVisible(popup)); ++i, Sleep(10))
            popup = FindWindowA("#32768", nullptr);
        Sleep(150);
        HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
        RECT item;
        if (menu && GetMenuItemRect(nullptr, menu, static_cast<UINT>(entry), &item)) {
            seen.entries = GetMenuItemCount(menu);
            for (int i = 0; i < seen.entries; ++i)
                seen.columns += i == 0 || (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_MENUBARBREAK);
            const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
            moveMouseTo(x, y);
            for (int i = 0; i < 100 && !cursorAt(x, y); ++i) Sleep(5);
            Sleep(50);
            sendMouse(MOUSEEVENTF_LEFTDOWN);
            Sleep(30);
            sendMouse(MOUSEEVENTF_LEFTUP);
        }
        done = true;
    });
    open();
    pumpUntil([&] { return done.load(); }, 8000);
    user.join();
    pump(100);
    return seen;
}

class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        releaseEverything();
        heard = HostRecord();
        plugin = std::make_unique<SynthPlugin>(&recordingHost);
        editor = dynamic_cast<SynthEditor*>(plugin->getEditor());
        ASSERT_NE(editor, nullptr);
        editor->getRect(&size);
        host = std::make_unique<HostWindow>(60, 60, size->right, size->bottom);
        ASSERT_TRUE(editor->open(host->get()));
        idle();
    }
    void TearDown() override {
        plugin.reset();
        host.reset();
        releaseEverything();
    }

    HWND frameWindow() const { return editor->getFrame()->getSystemWindow(); }
    POINT at(int x, int y) const { return onScreen(frameWindow(), x, y); }
    // The middle of a control on the screen, wherever its page sits.
    POINT centre(int32_t tag) const {
        Control* c = editor->getControl(tag);
        const Rect page = c->getParentView()->getViewSize(), r = c->getViewSize();
        return at(page.left + (r.left + r.right) / 2, page.top + (r.top + r.bottom) / 2);
    }
    void idle() {
        editor->idle();
        pump(30);
        editor->idle();
    }
    template <typename T>
    T* control(int32_t tag) const {
        return dynamic_cast<T*>(editor->getControl(tag));
    }

    std::unique_ptr<SynthPlugin> plugin;
    SynthEditor* editor = nullptr;
    ERect* size = nullptr;
    std::unique_ptr<HostWindow> host;
};

using SynthEditorLayout = EditorFixture;
using SynthEditorBinding = EditorFixture;

constexpr int32_t kPages[] = {SynthEditor::kInfoPage, SynthEditor::kMainPage, SynthEditor::kStripPage};

std::vector<Control*> controlsOf(ViewContainer* page) {  // in drawing order
    std::vector<Control*> all;
    for (int k = 0; k < page->getNbViews(); ++k) all.push_back(dynamic_cast<Control*>(page->getView(k)));
    return all;
}

TEST_F(SynthEditorLayout, EveryParameterHasExactlyOneControlWithItsRangeDefaultAndValue) {
    std::map<int32_t, int> byTag, byMute;
    for (int32_t p : kPages)
        for (Control* c : controlsOf(editor->getPage(p))) {
            ++byTag[c->getTag()];
            if (auto* shape = dynamic_cast<ShapeBox*>(c))
                ++byMute[shape->getMuteParameter()];  // a mute is switched on its oscillator's shape box
        }
    for (int32_t p = 0; p < kNumParams; ++p) {
        const ParameterDescriptor& row = ParameterTable[p];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(byTag[p] + byMute[p], std::strcmp(row.name, "Unused") == 0 ? 0 : 1) << p;
        Control* c = editor->getControl(p);
        ASSERT_EQ(c != nullptr, byTag[p] == 1) << p;
        if (!c)
            continue;
        EXPECT_EQ(c->getMin(), row.minValue);
        EXPECT_EQ(c->getMax(), row.maxValue);
        EXPECT_EQ(c->getDefaultValue(), row.defaultValue);
        EXPECT_EQ(c->getValue(), plugin->getParameter(p));
        if (auto* box = dynamic_cast<ValueBox*>(c)) {
            EXPECT_STREQ(box->getLabel(), row.shortName);
            EXPECT_EQ(box->getStep(), row.step);
        }
    }
}

TEST_F(SynthEditorLayout, EveryControlLiesInItsPageDrawsClearOfTheOthersAndShowsWholeFrames) {
    for (int32_t p : kPages) {
        ViewContainer* page = editor->getPage(p);
        const int width = page->getWidth(), height = page->getHeight();
        EXPECT_TRUE(page->getBackground()->getWidth() == width && page->getBackground()->getHeight() == height &&
                    width == size->right);
        const std::vector<Control*> controls = controlsOf(page);
        int ink = 0;
        for (size_t a = 0; a < controls.size(); ++a) {
            Control* c = controls[a];
            const Rect r = c->getViewSize();
            SCOPED_TRACE(testing::Message() << "page " << p << ", control " << a << ", tag " << c->getTag());
            ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && r.width() > 0);
            // Only the two text rows of an oscillator share a band: the lower
            // one's top margin over the upper one's bottom margin.
            for (size_t b = a + 1; b < controls.size(); ++b) {
                const Rect o = controls[b]->getViewSize();
                EXPECT_TRUE(!r.overlaps(o) || (dynamic_cast<ValueBox*>(c) && dynamic_cast<ValueBox*>(controls[b]) &&
                                               o.top > r.top && r.bottom - o.top <= 4))
                    << "overlaps control " << b;
            }
            // What it draws over the page's background reaches no other
            // control's place (beyond such a band).
            OffscreenContext canvas(nullptr, width, height);
            page->getBackground()->draw(&canvas, Rect(0, 0, width, height));
            const auto before = grab(canvas.getSystemContext(), 0, 0, width, height);
            c->draw(&canvas);
            const auto after = grab(canvas.getSystemContext(), 0, 0, width, height);
            for (int i = 0; i < width * height; ++i) {
                if (after[i] == before[i])
                    continue;
                ++ink;
                const Point at(i % width, i / width);
                for (Control* other : controls)
                    ASSERT_TRUE(other == c || !other->getViewSize().isInside(at) || r.overlaps(other->getViewSize()))
                        << "drawn at " << at.h << "," << at.v << " on tag " << other->getTag();
            }
            // A bitmap holds whole frames of the control's size: the lowest
            // value shows the top one, the highest the one at the bottom.
            if (Bitmap* image = c->getBackground()) {
                EXPECT_EQ(image->getWidth(), r.width());
                for (bool highest : {false, true}) {
                    c->setValue(highest ? c->getMax() : c->getMin());
                    c->draw(&canvas);
                    EXPECT_EQ(
                        grab(canvas.getSystemContext(), r.left, r.top, r.width(), r.height()),
                        bitmapPixels(image, 0, highest ? image->getHeight() - r.height() : 0, r.width(), r.height()))
                        << (highest ? "highest" : "lowest");
                }
            }
        }
        EXPECT_GT(ink, 0);
    }
    const Rect main = editor->getPage(SynthEditor::kMainPage)->getViewSize();
    EXPECT_EQ(editor->getPage(SynthEditor::kStripPage)->getViewSize(), Rect(0, main.bottom, main.right, size->bottom))
        << "the strip below the upper pages makes up the editor";
}

TEST_F(SynthEditorBinding, PluginChangesReachTheControlsAndTheScreenAtTheNextIdle) {
    auto* level = editor->getControl(kParamOsc1Level);
    const Image before = capture(frameWindow());
    plugin->setParameter(kParamOsc1Level, 0.25f);
    EXPECT_EQ(level->getValue(), 0.25f);
    idle();
    EXPECT_FALSE(level->isDirty());
    EXPECT_NE(capture(frameWindow()).region(level->getViewSize()), before.region(level->getViewSize()));

    // A program switch moves every control, mute and the name to the program's.
    for (int32_t program : {7, 3}) {
        plugin->setProgram(program);
        idle();
        for (int32_t p = 0; p < kNumParams; ++p) {
            if (Control* c = editor->getControl(p)) {
                EXPECT_EQ(c->getValue(), plugin->getParameter(p)) << p;
            }
            if (auto* shape = control<ShapeBox>(p)) {
                EXPECT_EQ(shape->isMuted(), plugin->getParameter(shape->getMuteParameter()) >= 0.5f) << p;
            }
        }
        char name[64];
        plugin->getProgramName(name);
        EXPECT_STREQ(control<ProgramNameEdit>(SynthEditor::kProgramNameTag)->text(), name);
        plugin->setParameter(kParamOsc1Mute + 1, 0.5f);  // the least that mutes
        EXPECT_TRUE(control<ShapeBox>(kParamOsc1Shape + 1)->isMuted());
    }
}

TEST(SynthEditorInstances, TwoEditorsShareTheirBitmapsUntilTheLastGoes) {
    ASSERT_EQ(SynthEditor::liveEditorCount(), 0);
    auto first = std::make_unique<SynthPlugin>(&recordingHost);
    Bitmap* panel = SynthEditor::sharedBitmap(0);
    ASSERT_NE(panel, nullptr);
    auto second = std::make_unique<SynthPlugin>(&recordingHost);
    EXPECT_EQ(SynthEditor::liveEditorCount(), 2);
    EXPECT_EQ(SynthEditor::sharedBitmap(0), panel);
    first.reset();
    EXPECT_EQ(SynthEditor::sharedBitmap(0), panel) << "kept for the editor still alive";
    second.reset();
    EXPECT_EQ(SynthEditor::liveEditorCount(), 0);
    for (int32_t slot = 0; slot < 5; ++slot) EXPECT_EQ(SynthEditor::sharedBitmap(slot), nullptr) << slot;
}

// ---- real input ------------------------------------------------------------

using EditorInput = EditorFixture;

TEST_F(EditorInput, ClicksOnAValueBoxStepItThroughThePluginOneGestureEach) {
    const int32_t tag = kParamOsc1Level;
    const struct {
        float start;
        bool right;
        WORD modifier;
        float expected;
    } rows[] = {
        {0.99f, true, VK_SHIFT, 1.0f},  // one full step, stopped at the top
        {0.5f, false, VK_SHIFT, 0.5f - ParameterTable[tag].step},
        {0.3f, false, VK_CONTROL, ParameterTable[tag].defaultValue},  // control+left restores the default
        {0.3f, true, VK_CONTROL, 0.3f},                               // control+right is no command
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.start << (row.right ? " right" : " left") << " with " << row.modifier);
        plugin->setParameter(tag, row.start);
        idle();
        heard = HostRecord();
        row.right ? rightClickAt(centre(tag), row.modifier) : clickAt(centre(tag), row.modifier);
        EXPECT_NEAR(plugin->getParameter(tag), row.expected, 1e-6f);
        EXPECT_EQ(editor->getControl(tag)->getValue(), plugin->getParameter(tag));
        EXPECT_EQ(heard.valuesOf(tag).size(), row.right && row.modifier == VK_CONTROL ? 0u : 1u);
        EXPECT_EQ(heard.begins, row.modifier == VK_SHIFT ? 1 : 0);
        EXPECT_EQ(heard.ends, heard.begins);
    }
}

TEST_F(EditorInput, HoldingTheRightButtonStepsByAnEighthAndGrowsTheStepEvery17Steps) {
    plugin->setParameter(kParamOsc1Level, 0.1f);
    idle();
    heard = HostRecord();
    holdAt(centre(kParamOsc1Level), {}, true, 500);
    const std::vector<float> values = heard.valuesOf(kParamOsc1Level);
    ASSERT_GT(values.size(), 40u) << "the box repeats while the button is held";
    const float eighth = ParameterTable[kParamOsc1Level].step / 8;
    EXPECT_NEAR(values[0] - 0.1f, eighth, 2e-6f);
    for (size_t i = 1; i < 35; ++i)  // the step grows after every 17
        EXPECT_NEAR(values[i] - values[i - 1], eighth * std::pow(1.125, i / 17), 2e-6f) << i;
    EXPECT_EQ(heard.begins, 1) << "one gesture";
    EXPECT_EQ(heard.ends, 1);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), values.back());
}

TEST_F(EditorInput, DraggingAKnobSetsItsParameterAndLampAndControlClickRestoresTheDefault) {
    plugin->setParameter(kParamPhaserDepth, 0.0f);
    idle();
    ASSERT_EQ(editor->getControl(SynthEditor::kPhaserLampTag)->getValue(), 0.0f);
    heard = HostRecord();
    const POINT knob = centre(kParamPhaserDepth);
    holdAt(knob, {{knob.x, knob.y - 40}});
    EXPECT_NEAR(plugin->getParameter(kParamPhaserDepth), 0.2f, 1e-4f) << "200 pixels span the range";
    EXPECT_EQ(editor->getControl(SynthEditor::kPhaserLampTag)->getValue(), 1.0f);
    EXPECT_EQ(heard.begins, 1);
    EXPECT_EQ(heard.ends, 1);
    clickAt(knob, VK_CONTROL);
    EXPECT_EQ(plugin->getParameter(kParamPhaserDepth), ParameterTable[kParamPhaserDepth].defaultValue);
}

TEST_F(EditorInput, TheShapeMenuSetsTheShapeAndALeftClickMutes) {
    auto* shape = control<ShapeBox>(kParamOsc1Shape);
    const int chosen = 20;
    ASSERT_NE(shape->getShapeIndex(), chosen);
    const Image before = capture(frameWindow());
    const MenuSeen menu = chooseFromMenu(chosen, [&] { rightClickAt(centre(kParamOsc1Shape)); });
    EXPECT_EQ(menu.entries, kShapeSlots);
    EXPECT_EQ(menu.columns, (kShapeSlots + ShapeBox::kEntriesPerColumn - 1) / ShapeBox::kEntriesPerColumn);
    idle();
    EXPECT_EQ(shape->getShapeIndex(), chosen);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Shape), kShapeDesigns[chosen].key);
    EXPECT_NE(capture(frameWindow()).region(shape->getViewSize()), before.region(shape->getViewSize()));
    for (float muted : {1.0f, 0.0f}) {
        clickAt(centre(kParamOsc1Shape));
        EXPECT_EQ(plugin->getParameter(kParamOsc1Mute), muted);
    }
}

TEST_F(EditorInput, TheNameMenuSwitchesTheProgram) {
    const int32_t programs = plugin->getAeffect()->numPrograms;
    const MenuSeen menu = chooseFromMenu(5, [&] { rightClickAt(centre(SynthEditor::kProgramNameTag)); });
    EXPECT_EQ(menu.entries, programs);
    EXPECT_EQ(menu.columns, (programs + ProgramNameEdit::kEntriesPerColumn - 1) / ProgramNameEdit::kEntriesPerColumn);
    idle();
    EXPECT_EQ(plugin->getProgram(), 5);
    char name[64];
    plugin->getProgramName(name);
    EXPECT_STREQ(control<ProgramNameEdit>(SynthEditor::kProgramNameTag)->text(), name);
}

TEST_F(EditorInput, TypingInTheNameFieldRenamesTheProgramWhenReturnOrAClickElsewhereEndsIt) {
    auto* field = control<ProgramNameEdit>(SynthEditor::kProgramNameTag);
    for (bool byReturn : {true, false}) {
        const char* typed = byReturn ? "Upright Bark" : "Dyno";
        clickAt(centre(SynthEditor::kProgramNameTag));
        ASSERT_TRUE(field->isEditing());
        HWND edit = field->getEditControl();
        RECT place;
        GetWindowRect(edit, &place);
        const POINT corner = at(field->getViewSize().left, field->getViewSize().top);
        EXPECT_TRUE(place.left == corner.x && place.top == corner.y) << "the edit sits over the field";
        ASSERT_TRUE(pumpUntil([&] { return GetFocus() == edit; }, 1000));
        typeText(typed);  // over the selected name
        pump(50);
        if (byReturn) {
            sendKey(VK_RETURN, true);
            sendKey(VK_RETURN, false);
        } else {
            clickAt(at(2, 2));
        }
        ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }, 3000));
        char name[64];
        plugin->getProgramName(name);
        EXPECT_STREQ(name, typed);
    }
}

TEST_F(EditorInput, WriteStoresTheEditedSoundInTheCurrentProgram) {
    plugin->setParameter(kParamOsc1Level, 0.125f);
    ASSERT_NE(plugin->programSlot(plugin->getProgram()).values[kParamOsc1Level], 0.125f);
    holdAt(centre(SynthEditor::kWriteTag));
    EXPECT_EQ(plugin->programSlot(plugin->getProgram()).values[kParamOsc1Level], 0.125f);
}

TEST_F(EditorInput, TheQuestionMarkShowsTheInfoPageAndAClickOnALineReturnsShowingWhatChangedMeanwhile) {
    ASSERT_TRUE(savePng(capture(frameWindow()), "editor-main-page.png"));
    holdAt(centre(SynthEditor::kInfoTag));
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kInfoPage);
    idle();
    ASSERT_TRUE(savePng(capture(frameWindow()), "editor-info-page.png"));
    plugin->setParameter(kParamOsc1Level, 0.75f);
    holdAt(centre(SynthEditor::kInfoLineTag));
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kMainPage);
    EXPECT_EQ(editor->getControl(kParamOsc1Level)->getValue(), 0.75f);
}

TEST_F(EditorInput, FoldingLeavesTheStripAloneInASmallerWindowAndReopeningUnfolds) {
    const int fullHeight = size->bottom, stripHeight = editor->getPage(SynthEditor::kStripPage)->getHeight();
    for (bool fold : {true, false, true}) {
        clickAt(centre(SynthEditor::kFoldTag));  // wherever the button is now
        ASSERT_EQ(editor->isFolded(), fold);
        EXPECT_EQ(editor->getCurrentPage(), fold ? SynthEditor::kNoPage : SynthEditor::kMainPage);
        for (LONG height : {LONG{size->bottom}, windowSize(frameWindow()).cy, windowSize(host->get()).cy})
            EXPECT_EQ(height, fold ? stripHeight : fullHeight) << "the editor, its window and the wrapping one";
    }
    idle();
    const Image folded = capture(frameWindow());
    ASSERT_TRUE(savePng(folded, "editor-folded.png"));
    OffscreenContext drawn(nullptr, folded.width, stripHeight);
    editor->getPage(SynthEditor::kStripPage)->draw(&drawn);
    EXPECT_EQ(folded.pixels, grab(drawn.getSystemContext(), 0, 0, folded.width, stripHeight)) << "the strip alone";

    // Closed, it holds no controls; it opens again unfolded, with what changed meanwhile.
    editor->close();
    for (int32_t tag = 0; tag < SynthEditor::kControlCount; ++tag) EXPECT_EQ(editor->getControl(tag), nullptr);
    plugin->setParameter(kParamOsc1Level, 0.3f);
    ASSERT_TRUE(editor->open(host->get()));
    EXPECT_FALSE(editor->isFolded());
    EXPECT_EQ(size->bottom, fullHeight);
    EXPECT_EQ(editor->getPage(SynthEditor::kStripPage)->getViewSize().top, fullHeight - stripHeight);
    EXPECT_EQ(editor->getControl(kParamOsc1Level)->getValue(), 0.3f);
}

// ---- the plug-in library ------------------------------------------------------

using PluginMain = AEffect*(VSTCALLBACK*)(audioMasterCallback);

// The process's GDI objects. Where the system does not count them (Wine
// answers 0), the handle table is probed instead: its handles are table
// indices, and an index without its generation still finds a live entry.
DWORD gdiObjects() {
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return counted;
    DWORD live = 0;
    for (uintptr_t index = 1; index < 0x10000; ++index) live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

TEST(PluginDll, LoadsThroughItsEntryPointAndOpensAndClosesItsEditorWithoutLeaks) {
    releaseEverything();
    HMODULE library = LoadLibraryA(TINE_PLUGIN_DLL);
    ASSERT_NE(library, nullptr) << TINE_PLUGIN_DLL;
    auto entry = reinterpret_cast<PluginMain>(reinterpret_cast<void*>(GetProcAddress(library, "VSTPluginMain")));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(GetProcAddress(library, "main"), nullptr) << "only the one entry point";
    EXPECT_EQ(entry(nullptr), nullptr) << "no instance without a host";
    AEffect* effect = entry(&recordingHost);
    ASSERT_NE(effect, nullptr);
    {
        SynthPlugin linked(&recordingHost);  // the instrument linked here
        const AEffect* own = linked.getAeffect();
        EXPECT_EQ(std::tie(effect->magic, effect->flags, effect->uniqueID, effect->numParams, effect->numPrograms),
                  std::tie(own->magic, own->flags, own->uniqueID, own->numParams, own->numPrograms));
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    ERect* rect = nullptr;
    ASSERT_EQ(effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f), 1);
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;

    HostWindow host(80, 80, width, height);
    auto cycle = [&] {
        ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, host.get(), 0.0f), 1);
        HWND editorWindow = GetWindow(host.get(), GW_CHILD);
        ASSERT_NE(editorWindow, nullptr) << "the editor's window sits in the host's";
        for (int i = 0; i < 5; ++i) {
            effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
            pump(10);
        }
        // The editor draws its bitmaps from the library's own resources: the
        // panel is not the empty window's grey.
        const Image shown = capture(editorWindow);
        EXPECT_TRUE(shown.width == width && shown.height == height);
        EXPECT_NE(shown.at(5, 5), fromColorRef(GetSysColor(COLOR_BTNFACE)));
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
        pump(20);
        EXPECT_EQ(GetWindow(host.get(), GW_CHILD), nullptr) << "the editor's window is gone";
    };
    // The first opening may leave caches behind (fonts, brushes of the
    // system); every later one must give back what it took.
    cycle();
    const DWORD before = gdiObjects();
    ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, host.get(), 0.0f), 1);
    pump(20);
    EXPECT_GT(gdiObjects(), before) << "the count sees what an open editor holds";
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    pump(20);
    for (int i = 0; i < 4; ++i) cycle();
    EXPECT_EQ(gdiObjects(), before);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
}  // namespace tine
