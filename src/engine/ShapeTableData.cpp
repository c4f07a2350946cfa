// The designed shape records. Derived fields (gain and the two key-scaling
// reciprocals) are left at 0 here; prepareShapes fills them in at start-up.
//
// Row layout: name, key, feedback, gain, then carrier and modulator as
//   {levels: attack, first decay, last decay, start}, {rates: attack, first decay,
//   last decay, release}, rate scaling, breakpoint, key-scale depth,
//   ratio (or frequency when fixed), offset, fixed, derived, derived.
//
// A carrier is silenced at the end of its last decay, so its last-decay rate sets
// how long a held note rings; rate scaling shortens that toward the top.
//
// Two rules hold for the designed pairs, except those that programs 0, 1 and 6
// play, which keep those programs' sound, and Onyx, the one waveshaper, which
// no program plays. No sideband lands on or near 0 Hz: the carrier is never a
// whole multiple of a keyboard-following modulator and no ratio sits just
// beside another, since the engine passes DC and sub-audio beats straight to
// the output (a 1:1 pair at a tine's index can put half of a note's energy into
// DC, depending on where the modulator's phase starts). And the top octaves do
// not fold back: modulators are scaled down from note 52 at the latest and lose
// their bright attack sooner up the keyboard, because at 44.1 kHz the harmonics
// of C8 lie above the Nyquist frequency from the 6th on.

#include "engine/ShapeTable.h"

namespace tine {

// clang-format off
const ShapeRecord kShapeDesigns[kShapeSlots] = {
    // Sub-octave modulator at full index: a buzzy, organ-like synth tone that barely fades.
    {"Bright Synth 1", 0.05f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {95, 20, 20, 60}, 3, 36, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{99, 95, 0, 0}, {95, 19, 20, 50}, 3, 36, 0.0f, 0.5f, 0.0f, false, 0.0f, 0.0f}},
    // Low index and a slow modulator decay keep this one dark and round.
    {"Muffled Synth", 0.09f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {90, 22, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{70, 62, 40, 0}, {80, 30, 25, 50}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Bass tine: sub-octave growl that key scaling removes above the bass register.
    {"Bass Rhodes", 0.02f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {91, 20, 20, 50}, 3, 75, 1.0f, 1.0f, 0.75f, false, 0.0f, 0.0f},
     {{85, 81, 52, 0}, {91, 29, 20, 37}, 3, 76, 1.0f, 0.5f, 0.0f, false, 0.0f, 0.0f}},
    // Muted tines: short carrier decays, as if a hand rested on the tines.
    {"Muted Rhodes 1", 0.98f, 0.0f, 0.0f,
     {{99, 92, 0, 0}, {97, 38, 48, 65}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{74, 50, 0, 0}, {97, 55, 45, 55}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Muted Rhodes 2", 0.97f, 0.041778173f, 0.0f,
     {{99, 90, 0, 0}, {97, 40, 50, 65}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{76, 52, 0, 0}, {97, 58, 48, 55}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Slow modulator attacks: the tone swells into brightness after the strike.
    {"Bright&Slow 1", 0.82f, 0.055704232f, 0.0f,
     {{99, 95, 0, 0}, {70, 25, 22, 58}, 2, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 76, 62, 0}, {50, 30, 25, 50}, 5, 48, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Tine body: 1:1 pair whose index falls fast after the strike, then slowly with the note.
    {"RealTine 1", 0.12f, 0.0f, 0.0f,
     {{99, 97, 0, 0}, {98, 28, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 66, 0, 0}, {99, 55, 30, 50}, 3, 62, 0.50505051f, 1.0f, 0.0f, false, 0.0f, 0.0f}},
    // Glassy shimmer: a low index at an inharmonic ratio over a long, clean carrier.
    {"Glassine 1", 0.86f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {98, 26, 22, 60}, 3, 60, 0.6969697f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{76, 62, 0, 0}, {99, 40, 30, 50}, 5, 52, 1.0f, 4.2f, 0.0f, false, 0.0f, 0.0f}},
    // Carriers a fraction of a hertz off the note against an octave modulator: every odd
    // partial beats with its mirror image, so the timbre sweeps slowly and no DC appears.
    {"Bright Lfo", 0.04f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {95, 25, 24, 60}, 3, 135, 0.0f, 1.0f, 1.0f, false, 0.0f, 0.0f},
     {{88, 84, 78, 0}, {95, 30, 28, 55}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Distorted 1", 0.75f, 0.097482406f, 0.0f,
     {{99, 95, 0, 0}, {95, 26, 24, 60}, 3, 135, 0.0f, 1.0f, 1.5f, false, 0.0f, 0.0f},
     {{90, 86, 80, 0}, {95, 30, 28, 55}, 6, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Synthetic 1", 0.18f, 0.055704232f, 0.0f,
     {{99, 95, 0, 0}, {92, 28, 25, 60}, 3, 135, 0.0f, 1.0f, 0.75f, false, 0.0f, 0.0f},
     {{85, 80, 72, 0}, {92, 35, 28, 55}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Bright synths: octave modulator with feedback for a saw-like edge.
    {"Bright Synth 4", 0.72f, 0.06963029f, 0.0f,
     {{99, 95, 0, 0}, {95, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 78, 68, 0}, {95, 35, 28, 50}, 6, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Second swell: the octave modulator fades in more slowly still.
    {"Bright&Slow 2", 0.81f, 0.041778173f, 0.0f,
     {{99, 95, 0, 0}, {68, 26, 22, 58}, 2, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 80, 68, 0}, {45, 30, 25, 50}, 6, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Classic electric pianos: 1:1 and 1:3 pairs with feedback; small offsets make the tine beat.
    {"Classic 1", 0.15f, 0.08355635f, 0.0f,
     {{99, 99, 0, 0}, {99, 32, 20, 60}, 0, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{79, 75, 0, 0}, {95, 29, 20, 50}, 0, 135, 0.0f, 1.0f, 0.25f, false, 0.0f, 0.0f}},
    {"Classic 1 Det", 0.3f, 0.08355635f, 0.0f,
     {{99, 99, 0, 0}, {99, 32, 22, 60}, 0, 135, 0.0f, 1.0f, 0.75f, false, 0.0f, 0.0f},
     {{79, 75, 0, 0}, {95, 29, 22, 50}, 5, 52, 1.0f, 3.0f, -0.5f, false, 0.0f, 0.0f}},
    {"Classic 2", 0.29f, 0.06963029f, 0.0f,
     {{99, 97, 0, 0}, {99, 35, 24, 60}, 2, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 72, 0, 0}, {95, 35, 24, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Classic 3", 0.24f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {99, 34, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{78, 55, 0, 0}, {99, 60, 32, 50}, 3, 60, 0.50505051f, 14.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Classic 4", 0.03f, 0.097482406f, 0.0f,
     {{99, 97, 0, 0}, {97, 30, 22, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 74, 0, 0}, {95, 30, 22, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Classic 5", 0.22f, 0.08355635f, 0.0f,
     {{99, 97, 0, 0}, {98, 30, 25, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 72, 40, 0}, {95, 38, 25, 50}, 3, 62, 0.4040404f, 1.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Classic 6", 0.17f, 0.055704232f, 0.0f,
     {{99, 96, 0, 0}, {98, 30, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{78, 70, 0, 0}, {95, 33, 24, 50}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Classic 7", 0.25f, 0.06963029f, 0.0f,
     {{99, 96, 0, 0}, {98, 30, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 76, 0, 0}, {95, 32, 24, 50}, 3, 66, 0.3030303f, 1.0f, -0.25f, false, 0.0f, 0.0f}},
    {"Classic 8", 0.56f, 0.041778173f, 0.0f,
     {{99, 96, 0, 0}, {98, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{74, 62, 0, 0}, {95, 40, 28, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Synthy: high feedback on a 1:3 pair gives a reedy, sustained brightness.
    {"Synthy 1", 0.14f, 0.08355635f, 0.0f,
     {{99, 95, 0, 0}, {95, 28, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 76, 66, 0}, {95, 34, 26, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Clicky: a bright modulator burst that is gone within a few tens of milliseconds.
    {"Clicky 1", 0.19f, 0.0f, 0.0f,
     {{99, 90, 0, 0}, {99, 40, 30, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{92, 0, 0, 0}, {99, 78, 60, 60}, 3, 72, 0.50505051f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Clicky 2", 0.2f, 0.0f, 0.0f,
     {{99, 90, 0, 0}, {99, 40, 30, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{88, 0, 0, 0}, {99, 80, 62, 60}, 3, 72, 0.50505051f, 22.0f, 0.0f, false, 0.0f, 0.0f}},
    // Synth-tine hybrids: tine-like index fall with a sustained synthetic tail.
    {"Synrhodes 1", 0.08f, 0.06963029f, 0.0f,
     {{99, 96, 0, 0}, {96, 30, 25, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{88, 70, 40, 0}, {95, 45, 30, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Electric: plain, even electric-piano bodies for layering.
    {"Electric 1", 0.36f, 0.055704232f, 0.0f,
     {{99, 96, 0, 0}, {97, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 68, 0, 0}, {97, 40, 28, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Electric 2", 0.34f, 0.041778173f, 0.0f,
     {{99, 96, 0, 0}, {97, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 66, 0, 0}, {97, 42, 30, 50}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Electric 3", 0.68f, 0.06963029f, 0.0f,
     {{99, 96, 0, 0}, {97, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 76, 40, 0}, {97, 38, 28, 50}, 6, 52, 1.0f, 2.0f, 0.5f, false, 0.0f, 0.0f}},
    // Reeds: strong feedback and odd ratios for a nasal bark; medium decays.
    {"Supertramper 1", 0.38f, 0.097482406f, 0.0f,
     {{99, 96, 0, 0}, {98, 34, 30, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{86, 78, 62, 0}, {97, 40, 32, 55}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Woody: a 1:3 pair with a fast index fall, like a struck wooden bar.
    {"Woody", 0.41f, 0.0f, 0.0f,
     {{99, 85, 0, 0}, {97, 40, 34, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{76, 50, 0, 0}, {97, 55, 35, 50}, 3, 64, 0.4040404f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Hard and bright: high, slowly falling index for cutting through a mix.
    {"Hard & Bright", 0.47f, 0.08355635f, 0.0f,
     {{99, 97, 0, 0}, {99, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{86, 74, 54, 0}, {98, 35, 28, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Pop Kybd", 0.74f, 0.06963029f, 0.0f,
     {{99, 94, 0, 0}, {99, 32, 28, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{86, 72, 56, 0}, {98, 38, 28, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Reed with an octave modulator.
    {"Supertramper 4", 0.71f, 0.08355635f, 0.0f,
     {{99, 96, 0, 0}, {98, 34, 30, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 72, 56, 0}, {97, 40, 32, 55}, 5, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Reed pianos: maximum feedback, odd ratios, decays shorter than a tine's.
    {"Wurlitzer 1", 0.62f, 0.097482406f, 0.0f,
     {{99, 94, 0, 0}, {98, 36, 32, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{88, 76, 58, 0}, {98, 42, 34, 55}, 6, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Wurlitzer 2", 0.63f, 0.08355635f, 0.0f,
     {{99, 94, 0, 0}, {98, 36, 32, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 72, 55, 0}, {98, 42, 34, 55}, 6, 48, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Dynamix: wide index ranges meant for high modulator velocity sensitivity.
    {"Dynamix 1", 0.66f, 0.06963029f, 0.0f,
     {{99, 96, 0, 0}, {99, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{92, 72, 46, 0}, {99, 45, 30, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Dynamix 2", 0.65f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {99, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{86, 72, 0, 0}, {99, 45, 30, 50}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Dynamix 3", 0.8f, 0.097482406f, 0.0f,
     {{99, 96, 0, 0}, {99, 34, 28, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{94, 70, 0, 0}, {99, 55, 32, 50}, 6, 52, 1.0f, 3.0f, 0.25f, false, 0.0f, 0.0f}},
    {"Dynamix 4", 0.84f, 0.041778173f, 0.0f,
     {{99, 96, 0, 0}, {99, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{88, 74, 0, 0}, {99, 45, 30, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Dynamix 5", 0.83f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {99, 32, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{76, 50, 0, 0}, {99, 55, 35, 50}, 5, 36, 1.0f, 14.28f, 0.0f, false, 0.0f, 0.0f}},
    // Pads: slow attacks, long decays and a flat carrier whose partials drift against their mirrors.
    {"Heaven 2", 0.89f, 0.041778173f, 0.0f,
     {{99, 97, 0, 0}, {50, 26, 22, 52}, 1, 135, 0.0f, 1.0f, -0.5f, false, 0.0f, 0.0f},
     {{78, 74, 70, 0}, {42, 30, 26, 45}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // More reeds: a 1:3 pair, then a beating octave pair.
    {"Supertramper 2", 0.37f, 0.06963029f, 0.0f,
     {{99, 96, 0, 0}, {98, 34, 30, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 76, 60, 0}, {97, 40, 32, 55}, 6, 48, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Supertramper 3", 0.39f, 0.08355635f, 0.0f,
     {{99, 96, 0, 0}, {98, 34, 30, 58}, 3, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{86, 78, 62, 0}, {97, 40, 32, 55}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Reed attack layer: short and nasal, for stacking under a reed body.
    {"Wurly Attack", 0.61f, 0.06963029f, 0.0f,
     {{99, 70, 0, 0}, {99, 55, 40, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{90, 40, 0, 0}, {99, 65, 45, 55}, 6, 48, 1.0f, 5.0f, 0.0f, false, 0.0f, 0.0f}},
    // Shifting reeds: carriers just off the note against fed-back modulators, a slowly moving buzz.
    {"Wurly Synth 1", 0.42f, 0.06963029f, 0.0f,
     {{99, 95, 0, 0}, {95, 32, 28, 58}, 3, 135, 0.0f, 1.0f, 0.75f, false, 0.0f, 0.0f},
     {{84, 72, 60, 0}, {95, 36, 30, 55}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Wurly Synth 2", 0.99f, 0.08355635f, 0.0f,
     {{99, 95, 0, 0}, {95, 32, 28, 58}, 3, 135, 0.0f, 1.0f, 1.0f, false, 0.0f, 0.0f},
     {{82, 70, 58, 0}, {95, 36, 30, 55}, 5, 52, 1.0f, 4.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Wurly Synth 3", 1.0f, 0.097482406f, 0.0f,
     {{99, 95, 0, 0}, {95, 32, 28, 58}, 3, 135, 0.0f, 1.0f, 1.5f, false, 0.0f, 0.0f},
     {{82, 76, 70, 0}, {95, 36, 30, 55}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // TouchSynth: sustained index that depends mostly on how hard the key is struck.
    {"TouchSynth", 0.06f, 0.041778173f, 0.0f,
     {{99, 92, 0, 0}, {90, 28, 26, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 70, 56, 0}, {92, 40, 30, 50}, 6, 48, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // MagicPiano: piano bodies at 1:3, 1:2 and 1:4, made to be stacked.
    {"MagicPiano3", 0.33f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {99, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{76, 50, 0, 0}, {99, 55, 35, 50}, 3, 64, 0.50505051f, 4.0f, 0.0f, false, 0.0f, 0.0f}},
    // Onyx: a 5 Hz carrier shimmers the waveshaped tone of a 1:1 modulator.
    {"Onyx", 0.78f, 0.041778173f, 0.0f,
     {{99, 95, 0, 0}, {94, 28, 25, 60}, 3, 135, 0.0f, 10.0f, 0.0f, true, 0.0f, 0.0f},
     {{84, 80, 72, 0}, {94, 32, 28, 55}, 2, 66, 0.4040404f, 1.0f, 0.0f, false, 0.0f, 0.0f}},
    // Softy: almost a sine, with a trace of index for warmth.
    {"Softy 1", 0.46f, 0.0f, 0.0f,
     {{99, 97, 0, 0}, {90, 28, 24, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{68, 60, 0, 0}, {92, 35, 28, 50}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Synth bells: inharmonic modulators held at a steady index.
    {"Synthy Bell 1", 0.58f, 0.041778173f, 0.0f,
     {{99, 95, 0, 0}, {98, 30, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 70, 50, 0}, {98, 40, 30, 50}, 5, 52, 1.0f, 2.565f, 0.0f, false, 0.0f, 0.0f}},
    {"Synthy Bell 2", 0.59f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {98, 30, 24, 60}, 3, 48, 0.7979798f, 2.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 68, 50, 0}, {98, 40, 30, 50}, 5, 48, 1.0f, 3.25f, 0.0f, false, 0.0f, 0.0f}},
    // Tine with bark: a 14x modulator whose burst dies within the first half second.
    {"RealTine 3", 0.1f, 0.0f, 0.0f,
     {{99, 97, 0, 0}, {98, 28, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 42, 0, 0}, {99, 60, 38, 50}, 3, 62, 0.50505051f, 14.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Synthy Bell 3", 0.73f, 0.055704232f, 0.0f,
     {{99, 95, 0, 0}, {98, 30, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 70, 52, 0}, {98, 40, 30, 50}, 5, 52, 1.0f, 2.76f, 0.0f, false, 0.0f, 0.0f}},
    // Synth-tine with an octave modulator and a beating carrier.
    {"Synrhodes 2", 0.07f, 0.055704232f, 0.0f,
     {{99, 96, 0, 0}, {96, 30, 25, 60}, 3, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{82, 66, 36, 0}, {95, 45, 30, 50}, 5, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Bells: inharmonic ratios, a bright strike and long, clean decays.
    {"Bell Hit 1", 0.16f, 0.0f, 0.0f,
     {{99, 90, 0, 0}, {99, 30, 24, 62}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{90, 60, 0, 0}, {99, 55, 30, 50}, 6, 52, 1.0f, 2.565f, 0.0f, false, 0.0f, 0.0f}},
    // Tine-and-string hybrids: detuned carriers like paired strings over a tine index.
    {"Rhods-Acou 1", 0.43f, 0.055704232f, 0.0f,
     {{99, 95, 0, 0}, {99, 34, 28, 60}, 3, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{84, 70, 30, 0}, {99, 45, 30, 50}, 6, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhods-Acou 2", 0.44f, 0.06963029f, 0.0f,
     {{99, 95, 0, 0}, {99, 34, 28, 60}, 3, 135, 0.0f, 1.0f, -0.5f, false, 0.0f, 0.0f},
     {{82, 68, 30, 0}, {99, 45, 30, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhods-Acou 3", 0.45f, 0.08355635f, 0.0f,
     {{99, 95, 0, 0}, {99, 34, 28, 60}, 3, 135, 0.0f, 1.0f, 0.25f, false, 0.0f, 0.0f},
     {{88, 74, 40, 0}, {99, 45, 30, 50}, 6, 52, 1.0f, 3.0f, 0.25f, false, 0.0f, 0.0f}},
    // Soft bells: low indices at bell ratios, gentle strikes.
    {"Soft Bell 1", 0.4f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {95, 26, 22, 62}, 3, 60, 0.6969697f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{68, 60, 0, 0}, {95, 35, 26, 50}, 5, 52, 1.0f, 2.565f, 0.0f, false, 0.0f, 0.0f}},
    {"Soft Bell 2", 0.01f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {95, 26, 22, 62}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{66, 58, 0, 0}, {95, 35, 26, 50}, 5, 52, 1.0f, 3.76f, 0.0f, false, 0.0f, 0.0f}},
    {"Soft Bell 3", 0.67f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {95, 26, 22, 62}, 3, 60, 0.7979798f, 2.0f, 0.0f, false, 0.0f, 0.0f},
     {{68, 60, 0, 0}, {95, 35, 26, 50}, 5, 48, 1.0f, 3.53f, 0.0f, false, 0.0f, 0.0f}},
    {"Soft Bell 4", 0.35f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {95, 26, 22, 62}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{58, 54, 0, 0}, {95, 35, 26, 50}, 5, 36, 1.0f, 5.4f, 0.0f, false, 0.0f, 0.0f}},
    // Tine pianos: bodies with feedback growl or a high bark partial, in varied brightness.
    {"Rhodes 1", 0.49f, 0.055704232f, 0.0f,
     {{99, 97, 0, 0}, {96, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{82, 68, 0, 0}, {96, 50, 30, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 2", 0.5f, 0.06963029f, 0.0f,
     {{99, 97, 0, 0}, {96, 28, 25, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 70, 0, 0}, {96, 48, 28, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 3", 0.51f, 0.0f, 0.0f,
     {{99, 97, 0, 0}, {97, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{78, 30, 0, 0}, {99, 65, 40, 50}, 3, 60, 0.50505051f, 14.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 4", 0.54f, 0.08355635f, 0.0f,
     {{99, 97, 0, 0}, {97, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{88, 72, 50, 0}, {97, 45, 30, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 5", 0.53f, 0.0f, 0.0f,
     {{99, 97, 0, 0}, {97, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 0.25f, false, 0.0f, 0.0f},
     {{76, 34, 0, 0}, {99, 60, 35, 50}, 5, 40, 1.0f, 13.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 6", 0.52f, 0.041778173f, 0.0f,
     {{99, 97, 0, 0}, {96, 28, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 72, 0, 0}, {96, 40, 28, 50}, 5, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 7", 0.23f, 0.06963029f, 0.0f,
     {{99, 98, 0, 0}, {97, 30, 24, 58}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 76, 30, 0}, {95, 40, 26, 50}, 3, 60, 0.3030303f, 1.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Rhodes 8", 0.26f, 0.041778173f, 0.0f,
     {{99, 97, 0, 0}, {97, 30, 25, 60}, 3, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{76, 66, 0, 0}, {95, 40, 28, 50}, 3, 64, 0.4040404f, 1.0f, 0.0f, false, 0.0f, 0.0f}},
    // Octave modulator over a tine body.
    {"Fender 2-1", 0.28f, 0.055704232f, 0.0f,
     {{99, 96, 0, 0}, {97, 30, 25, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 68, 0, 0}, {97, 45, 30, 50}, 3, 64, 0.4040404f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Small bells: high carriers, inharmonic sidebands, faster decays up the keyboard.
    {"Tiny Bell", 0.55f, 0.0f, 0.0f,
     {{99, 90, 0, 0}, {99, 35, 30, 62}, 4, 60, 0.7979798f, 4.0f, 0.0f, false, 0.0f, 0.0f},
     {{74, 50, 0, 0}, {99, 45, 35, 50}, 5, 40, 1.0f, 2.83f, 0.0f, false, 0.0f, 0.0f}},
    // Buzzy: fed-back octave and double-octave modulators at a high index, carriers off the note.
    {"Buzzy 1", 0.13f, 0.097482406f, 0.0f,
     {{99, 95, 0, 0}, {95, 28, 25, 60}, 3, 135, 0.0f, 1.0f, 1.25f, false, 0.0f, 0.0f},
     {{88, 84, 78, 0}, {95, 30, 28, 55}, 6, 48, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Buzzy 2", 0.64f, 0.08355635f, 0.0f,
     {{99, 95, 0, 0}, {95, 28, 25, 60}, 3, 135, 0.0f, 1.0f, -1.25f, false, 0.0f, 0.0f},
     {{80, 76, 70, 0}, {95, 30, 28, 55}, 5, 48, 1.0f, 4.0f, 0.0f, false, 0.0f, 0.0f}},
    // Clicky: a very high modulator gives the key-contact click.
    {"Clicky3", 0.21f, 0.041778173f, 0.0f,
     {{99, 90, 0, 0}, {99, 40, 30, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{90, 0, 0, 0}, {99, 80, 62, 60}, 3, 72, 0.50505051f, 26.0f, 0.0f, false, 0.0f, 0.0f}},
    // MagicPiano bodies at 1:3 and 1:2.
    {"MagicPiano1", 0.31f, 0.06963029f, 0.0f,
     {{99, 96, 0, 0}, {99, 30, 25, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{84, 72, 20, 0}, {99, 45, 30, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    {"MagicPiano2", 0.32f, 0.0f, 0.0f,
     {{99, 96, 0, 0}, {99, 30, 25, 60}, 3, 135, 0.0f, 1.0f, -0.25f, false, 0.0f, 0.0f},
     {{80, 68, 0, 0}, {99, 45, 30, 50}, 3, 64, 0.4040404f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Attack layers: short carriers that only add the strike.
    {"Tine Attack", 0.11f, 0.0f, 0.0f,
     {{99, 60, 0, 0}, {99, 50, 40, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{90, 0, 0, 0}, {99, 70, 50, 60}, 3, 60, 0.50505051f, 14.28f, 0.0f, false, 0.0f, 0.0f}},
    {"Spit Attack", 0.6f, 0.0f, 0.0f,
     {{99, 0, 0, 0}, {99, 72, 60, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{88, 0, 0, 0}, {99, 70, 60, 60}, 6, 24, 1.0f, 26.18f, 0.0f, false, 0.0f, 0.0f}},
    // Pads: slow attacks, long decays and a steady low index.
    {"Soft Pad", 0.69f, 0.0f, 0.0f,
     {{99, 97, 0, 0}, {55, 30, 24, 50}, 1, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{70, 68, 66, 0}, {50, 30, 26, 45}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Metal: a fixed high modulator gives the same clangorous spectrum on every key.
    {"Metallic Hit", 0.7f, 0.0f, 0.0f,
     {{99, 80, 0, 0}, {99, 40, 30, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{95, 0, 0, 0}, {99, 65, 50, 50}, 3, 60, 0.4040404f, 3388.0f, 0.0f, true, 0.0f, 0.0f}},
    {"Clicky Attack", 0.76f, 0.0f, 0.0f,
     {{99, 0, 0, 0}, {99, 70, 60, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{90, 40, 0, 0}, {99, 70, 55, 60}, 6, 36, 1.0f, 31.0f, 0.0f, false, 0.0f, 0.0f}},
    // Tuned metal: high carrier and modulator partials with a re-rising index.
    {"Tuned Metal", 0.77f, 0.0f, 0.0f,
     {{91, 91, 0, 0}, {95, 60, 53, 55}, 2, 82, 0.32323232f, 8.0f, 0.5f, false, 0.0f, 0.0f},
     {{98, 33, 78, 0}, {95, 60, 27, 45}, 2, 41, 1.0f, 6.0f, 0.0f, false, 0.0f, 0.0f}},
    // Music box: a plucked comb tooth, pure after a metallic strike, shorter up the keyboard.
    {"Music Box", 0.79f, 0.0f, 0.0f,
     {{99, 90, 0, 0}, {99, 35, 30, 62}, 4, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{76, 46, 0, 0}, {99, 50, 35, 50}, 5, 40, 1.0f, 6.75f, 0.0f, false, 0.0f, 0.0f}},
    // Breathy metal: a slowly rising index at an inharmonic ratio around a drifting carrier.
    {"Metal Breath", 0.9f, 0.055704232f, 0.0f,
     {{99, 95, 0, 0}, {55, 30, 28, 58}, 2, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{80, 74, 68, 0}, {45, 35, 30, 50}, 5, 52, 1.0f, 3.5f, 0.0f, false, 0.0f, 0.0f}},
    // Sustained inharmonics from a modulator at an inharmonic ratio.
    {"Inharmonics", 0.85f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {95, 28, 24, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{80, 70, 60, 0}, {99, 35, 30, 50}, 5, 52, 1.0f, 2.41f, 0.0f, false, 0.0f, 0.0f}},
    // Heavenly pads: slow swells with beating carriers.
    {"Heaven 1", 0.88f, 0.041778173f, 0.0f,
     {{99, 97, 0, 0}, {45, 28, 22, 50}, 1, 135, 0.0f, 1.0f, 0.5f, false, 0.0f, 0.0f},
     {{72, 70, 66, 0}, {40, 30, 26, 45}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Whisper: soft swell, a flat carrier against a fed-back octave modulator drifts like breath.
    {"Whisper", 0.91f, 0.097482406f, 0.0f,
     {{99, 97, 0, 0}, {40, 30, 24, 50}, 1, 135, 0.0f, 1.0f, -0.75f, false, 0.0f, 0.0f},
     {{72, 70, 68, 0}, {42, 30, 26, 45}, 5, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    // Hard attack: full feedback and a steep index fall for a hammered strike.
    {"Hard Attack", 0.92f, 0.097482406f, 0.0f,
     {{99, 94, 0, 0}, {99, 34, 28, 60}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{96, 70, 0, 0}, {99, 62, 40, 50}, 6, 52, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Clav: nasal 1:3 pair, short decay and a quick damper.
    {"JazzClav 1", 0.93f, 0.06963029f, 0.0f,
     {{99, 80, 0, 0}, {99, 45, 38, 65}, 3, 135, 0.0f, 1.0f, 0.0f, false, 0.0f, 0.0f},
     {{90, 70, 50, 0}, {99, 50, 35, 60}, 6, 48, 1.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Harmonics: carriers off the note walk through the odd overtones as they beat.
    {"Harmonics 1", 0.94f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {95, 30, 26, 60}, 3, 135, 0.0f, 1.0f, 1.75f, false, 0.0f, 0.0f},
     {{90, 85, 80, 0}, {95, 32, 28, 55}, 6, 52, 1.0f, 2.0f, 0.0f, false, 0.0f, 0.0f}},
    {"Harmonics 2", 0.95f, 0.0f, 0.0f,
     {{99, 95, 0, 0}, {95, 30, 26, 60}, 3, 135, 0.0f, 1.0f, -1.0f, false, 0.0f, 0.0f},
     {{80, 75, 70, 0}, {95, 32, 28, 55}, 5, 52, 1.0f, 4.0f, 0.0f, false, 0.0f, 0.0f}},
    // Quacky: a sub-octave carrier with a modulator that snaps shut, an envelope-filter quack.
    {"Quacky 1", 0.96f, 0.0f, 0.0f,
     {{99, 60, 0, 0}, {85, 30, 35, 55}, 3, 75, 0.0f, 0.5f, 0.0f, false, 0.0f, 0.0f},
     {{90, 0, 0, 0}, {85, 75, 99, 85}, 2, 70, 0.0f, 75.86f, 0.0f, true, 0.0f, 0.0f}},
    {"Quacky 2", 0.0f, 0.06963029f, 0.0f,
     {{99, 60, 0, 0}, {85, 30, 35, 55}, 3, 75, 0.0f, 0.5f, 0.0f, false, 0.0f, 0.0f},
     {{92, 0, 0, 0}, {85, 72, 99, 80}, 2, 70, 0.0f, 3.0f, 0.0f, false, 0.0f, 0.0f}},
    // Spare slots: no shape, never selected.
    {nullptr, 0.0f, 0.0f, 0.0f,
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f}},
    {nullptr, 0.0f, 0.0f, 0.0f,
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f}},
    {nullptr, 0.0f, 0.0f, 0.0f,
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f}},
    {nullptr, 0.0f, 0.0f, 0.0f,
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f}},
    {nullptr, 0.0f, 0.0f, 0.0f,
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f},
     {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f}}
};
// clang-format on

}  // namespace tine
