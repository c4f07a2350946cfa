// What the voice list holds as a musician plays: stealing, repeated notes, the
// sustain pedal, all-notes-off, the limits of the pool.
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>

#include "engine/EngineTestSupport.h"

namespace tine {
namespace {

using test::EngineRig;

// The sounding notes in order, each marked "s" while the pedal holds it after
// its key went up and "r" once it fades (released, damped, or in its last decay).
std::string voiceList(const EngineRig& rig) {
    std::vector<std::pair<int, std::string>> voices;
    for (const Voice* v : rig.voices()) voices.push_back({v->note, v->fading ? "r" : v->sustained ? "s" : ""});
    std::sort(voices.begin(), voices.end());
    std::string list;
    for (const auto& [note, mark] : voices) list += (list.empty() ? "" : ",") + std::to_string(note) + mark;
    return list;
}

// Plays a script: "+60" note-on at velocity 100, "+60/9" at velocity 9, "-60"
// note-off, "*" every key, "P"/"p" pedal down/up, "#B57B00" any message, "w64"
// 64 samples; "=40,60r" expects that voice list, "n9" nine voices. Notes go out
// on channels of their own: the engine listens to every channel.
void play(EngineRig& rig, const std::string& script) {
    std::istringstream in(script);
    for (std::string t; in >> t;) {
        const int n = std::atoi(t.c_str() + 1);
        const std::size_t slash = t.find('/');
        const int velocity = slash == std::string::npos ? 100 : std::atoi(t.c_str() + slash + 1);
        if (t[0] == '+')
            rig.engine.handleMidi(uint8_t(0x90 | n % 16), uint8_t(n), uint8_t(velocity));
        if (t[0] == '-')
            rig.engine.handleMidi(uint8_t(0x80 | (n + 5) % 16), uint8_t(n), 64);
        if (t[0] == 'P' || t[0] == 'p')
            rig.pedal(t[0] == 'P');
        if (t[0] == '#') {
            const unsigned long m = std::stoul(t.substr(1), nullptr, 16);
            rig.engine.handleMidi(uint8_t(m >> 16), uint8_t(m >> 8), uint8_t(m));
        }
        for (int key = 0; key < 128 && t[0] == '*'; ++key) rig.noteOn(key);
        if (t[0] == 'w')
            rig.render(n);
        if (t[0] == '=' || t[0] == 'n') {
            const std::string now = t[0] == 'n' ? std::to_string(rig.voices().size()) : voiceList(rig);
            EXPECT_EQ(now, t.substr(1)) << "at " << script.substr(0, std::size_t(in.tellg()));
        }
    }
}

TEST(VoiceAllocation, WhatTheVoiceListHolds) {
    // What happens, the polyphony limit, the script.
    const std::tuple<const char*, int, const char*> rows[] = {
        // A stolen voice is damped: it fades for exactly 100 samples.
        {"lowest note spared although softest", 2, "+40/10 +50/90 +90 w99 =40,50r,90 w1 =40,90"},
        {"softest held voice", 3, "+40 +50/80 +52/60 +54/70 w100 =40,50,54 +90 w100 =40,50,90"},
        {"equally soft: the older", 3, "+40 +50/60 +52/60 +54/90 w100 =40,52,54"},
        {"fading voice before a softer held one", 3, "+40 +50/120 w64 -50 +52/5 +90 w100 =40,52,90"},
        {"oldest fading voice", 4, "+40 +50 w200 +52 w100 -52 -50 +54/1 +90 w100 =40,52r,54,90"},
        {"fading voice younger than 64 samples is no candidate", 3, "+40 +50 +52/127 w63 -52 +90 w100 =40,52r,90"},
        {"fading voices of equal age: the newer", 3, "+40 +50 +52 w200 -50 -52 +90 w100 =40,50r,90"},
        {"no more than the limit: nothing stolen", 4, "+40 +50 +90 w100 =40,50,90"},
        // The new note is not in the list while a victim is chosen: with one
        // voice sounding, that voice is the lowest.
        {"one voice: a higher note joins the lowest", 1, "+60 w10 +40 w110 =40,60"},
        {"two voices: the one not lowest goes", 2, "+60 w10 +50 w10 +40 w110 =40,50"},
        {"the same lowest note overlaps beyond the limit", 1, "+40 +40 +40 =40,40,40 w100 =40"},
        {"a full pool has no voice for a new note", 128, "* n128 +60 n128 w100 n127"},
        {"a note played again damps its old voice, held, released or sustained", 16,
         "+60 w300 +60 w99 =60,60r w1 =60 w300 -60 +60 w99 =60,60r w1 =60 P -60 +60 w99 =60,60r w1 =60"},
        {"velocity 0 is a note-off", 16, "+60 +64 w10 +60/0 =60r,64"},
        {"the pedal keeps released keys until lifted", 16, "P +60 +64 w64 -60 =60s,64 p =60r,64 P -64 =60r,64s"},
        {"pitch bend, aftertouch and other controllers change nothing", 16,
         "P +60 +64 w10 -60 #E07F7F #D06400 #A03C64 #B0017F #B00700 #B07800 #B07900 #F07E7F =60s,64"},
        {"all notes off releases every voice and lifts the pedal", 16,
         "P +60 +64 w64 -60 #B57B00 =60r,64r +70 -70 =60r,64r,70r"},
    };
    for (auto [what, maxVoices, script] : rows) {
        SCOPED_TRACE(what);
        EngineRig rig(maxVoices);
        play(rig, script);
    }
}

}  // namespace
}  // namespace tine
