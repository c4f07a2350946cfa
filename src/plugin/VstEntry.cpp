// The entry point a VST 2 host looks up after loading the plug-in library:
// it hands in its callback and gets the instrument's record back. Everything
// else in the library stays hidden from the host.
#include <new>

#include "params/ErrorReport.h"
#include "plugin/SynthPlugin.h"

#if defined(_WIN32)
#define TINE_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define TINE_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TINE_PLUGIN_EXPORT tine::AEffect* VSTCALLBACK VSTPluginMain(tine::audioMasterCallback audioMaster);

tine::AEffect* VSTCALLBACK VSTPluginMain(tine::audioMasterCallback audioMaster) {
    // Without a callback the instance would stay unconfigured (no synth flag,
    // no unique ID): no host can use that.
    if (!audioMaster)
        return nullptr;
    // Before the instance exists: a bitmap its editor cannot load must be seen.
    tine::installLibraryErrorSink();
    auto* plugin = new (std::nothrow) tine::SynthPlugin(audioMaster);
    if (!plugin) {
        tine::reportError(tine::ErrorCode::OutOfMemory);
        return nullptr;
    }
    if (!plugin->isConstructed()) {
        // It has shown its own message; a half-built instance must not reach the host.
        delete plugin;
        return nullptr;
    }
    return plugin->getAeffect();
}
