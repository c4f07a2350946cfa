// The built plug-in library as a host meets it: loaded with dlopen, reached
// only through VSTPluginMain and the record it returns, playing the same
// samples as the instrument class in this process.
#include <algorithm>

#include "TestHost.h"

#if defined(TINE_PLUGIN_LIBRARY)
#include <dlfcn.h>
#endif

namespace tine {
namespace {

#if !defined(TINE_PLUGIN_LIBRARY)

TEST(PluginLibrary, NeedsTheLibraryPath) {
    GTEST_SKIP() << "TINE_PLUGIN_LIBRARY is not defined for this test build";
}

#else

using EntryPoint = AEffect*(VSTCALLBACK*)(audioMasterCallback);

TEST(PluginLibrary, ExportsOnlyItsEntryPointAndPlaysLikeTheInstrumentClass) {
    void* library = dlopen(TINE_PLUGIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto entry = reinterpret_cast<EntryPoint>(dlsym(library, "VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr) << "without a host callback there is no usable instance";
    // Internal symbols stay hidden, so they can never clash with a host's.
    EXPECT_EQ(dlsym(library, "_ZN4tine11reportErrorENS_9ErrorCodeE"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN4tine11SynthPluginC1EPFlPNS_7AEffectEiilPvfE"), nullptr);

    AEffect* e = entry(&test::recordingHost);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(e->uniqueID, fourCharCode('T', 'N', 'M', 'R'));

    // The library has its own modulator phase generator, still at its start:
    // this process's is brought there too. A chord from the host's event list
    // then plays the same samples in both.
    test::restartModulatorPhases();
    test::PluginRig local;
    for (AEffect* effect : {e, local->getAeffect()}) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect->dispatcher(effect, effSetProgram, 0, 5, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    std::vector<float> out[2];
    for (AEffect* effect : {e, local->getAeffect()}) {
        test::EventList list({{0, 0x90, 60, 100}, {7, 0x90, 64, 80}, {999, 0x80, 60, 0}, {2000, 0xB0, 64, 127}});
        effect->dispatcher(effect, effProcessEvents, 0, 0, list.get(), 0.0f);
        std::vector<float>& both = out[effect == e ? 0 : 1];
        both.assign(2 * 4096, 0.0f);
        float* outputs[2] = {both.data(), both.data() + 4096};
        effect->processReplacing(effect, nullptr, outputs, 4096);
    }
    EXPECT_TRUE(test::sameBits(out[0], out[1]));
    EXPECT_GT(*std::max_element(out[0].begin(), out[0].end()), 0.01f);
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    dlclose(library);
}

#endif

}  // namespace
}  // namespace tine
