#pragma once
// What the plug-in binary and the bundle's generated description must agree
// on: the URIs, the port order and the bundle's file names. Hosts keep the
// URIs and the port symbols in their sessions, so none of these may change.

#include <cstdint>

namespace tine {
namespace lv2 {

constexpr const char* kPluginUri = "urn:corvane:tinemaster";
// The state property holding the bank chunk.
constexpr const char* kBankStateUri = "urn:corvane:tinemaster#bank";
// Factory program N is the preset <kPresetUriPrefix N>.
constexpr const char* kPresetUriPrefix = "urn:corvane:tinemaster:program:";

constexpr const char* kBinaryName = "tinemaster_lv2.so";
constexpr const char* kDescriptionFile = "tinemaster.ttl";
constexpr const char* kPresetsFile = "presets.ttl";

// MIDI in, two audio outputs, then one control input per parameter in table order.
constexpr uint32_t kMidiInPort = 0;
constexpr uint32_t kLeftPort = 1;
constexpr uint32_t kRightPort = 2;
constexpr uint32_t kFirstControlPort = 3;

// Events handed to the instrument per cycle; later ones in a fuller sequence
// are dropped. A MIDI cable carries about a thousand messages a second.
constexpr int32_t kEventCapacity = 1024;

}  // namespace lv2
}  // namespace tine
