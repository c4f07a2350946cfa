// tinemaster-render: plays a Standard MIDI File through the instrument offline
// and writes the result as a 16-bit stereo WAV file. The instrument is driven
// exactly as a plug-in host drives it, so a rendered file is what a host at
// the same rate and block size would have produced.

#include "EventSchedule.h"
#include "MidiFile.h"
#include "PcmSink.h"
#include "engine/FlushToZero.h"
#include "params/ErrorReport.h"
#include "plugin/FileCommands.h"
#include "plugin/SynthPlugin.h"
#include "plugin/VstTypes.h"
#include "host/WavWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#define TINE_ISATTY(fd) _isatty(fd)
#define TINE_FILENO(f) _fileno(f)
#define TINE_GETPID() _getpid()
#else
#include <unistd.h>
#define TINE_ISATTY(fd) isatty(fd)
#define TINE_FILENO(f) fileno(f)
#define TINE_GETPID() getpid()
#endif

namespace tine {
namespace {

constexpr const char* kTool = "tinemaster-render";

// Longest audio the tool will produce. Far beyond any piano piece, and at the
// highest rate still well inside the 4 GiB a WAV file can describe.
constexpr double kMaxAudioSeconds = 3600.0;

// Automatic tail: stop once this much audio after the last event stayed
// below the silence threshold, but never run longer than the cap.
constexpr double kSilenceWindowSeconds = 0.5;
constexpr double kSilenceThresholdDb = -90.0;
constexpr double kMaxAutoTailSeconds = 30.0;

struct Options {
    std::string input;
    std::string output;
    int program = 0;
    bool programGiven = false;
    std::string bank;      // fxb to load before playing
    std::string patch;     // fxp to load into the current slot
    std::string saveBank;  // fxb to write with the bank as played
    int rate = 44100;
    int block = 512;
    bool autoTail = true;
    double tailSeconds = 0.0;
};

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onSignal(int) {
    gInterrupted = 1;
}

bool gProgressShown = false;

void clearProgress() {
    if (gProgressShown) {
        std::fprintf(stderr, "\r%60s\r", "");
        gProgressShown = false;
    }
}

void printError(const std::string& message) {
    clearProgress();
    std::fprintf(stderr, "%s: %s\n", kTool, message.c_str());
}

void printUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: %s IN.mid OUT.wav [--program N] [--rate HZ] [--block FRAMES] "
                 "[--tail SECONDS] [--bank FILE.fxb] [--patch FILE.fxp] [--save-bank FILE.fxb]\n"
                 "  --program N       program 0..31 (default 0, or the bank's own current program)\n"
                 "  --rate HZ         sample rate 8000..192000 (default 44100)\n"
                 "  --block FRAMES    frames per processing block 1..8192 (default 512)\n"
                 "  --tail SECONDS    audio kept after the last event, 0..600\n"
                 "                    (default: until silent, at most %g s)\n"
                 "  --bank FILE       load a bank of 32 programs (.fxb) first\n"
                 "  --patch FILE      load a program (.fxp) into the current slot\n"
                 "  --save-bank FILE  write the bank it played with (.fxb)\n",
                 kTool, kMaxAutoTailSeconds);
}

// While a preset file is being read or written its message is kept, so that
// the one error line can name the file.
bool gHoldInstrumentError = false;
std::string gHeldInstrumentError;

void instrumentErrorSink(ErrorCode, const char* text) {
    const std::string message = text != nullptr ? text : "unknown error";
    if (gHoldInstrumentError) {
        if (gHeldInstrumentError.empty())
            gHeldInstrumentError = message;
        return;
    }
    printError("instrument: " + message);
}

// Runs one preset-file step; on failure `error` names the file and the reason.
bool presetStep(bool (*step)(SynthPlugin&, const char*), SynthPlugin& plugin, const char* what, const std::string& path,
                std::string& error) {
    gHoldInstrumentError = true;
    gHeldInstrumentError.clear();
    const bool ok = step(plugin, path.c_str());
    gHoldInstrumentError = false;
    if (!ok) {
        error = std::string(what) + " '" + path +
                "': " + (gHeldInstrumentError.empty() ? "not accepted" : gHeldInstrumentError);
        return false;
    }
    return true;
}

intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    constexpr int32_t kAudioMasterVersion = 1;
    return opcode == kAudioMasterVersion ? 2400 : 0;
}

bool parseInt(const std::string& name, const char* text, long lo, long hi, int& out, std::string& error) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0 || v < lo || v > hi) {
        error = name + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) + " (got '" +
                text + "')";
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool parseSeconds(const std::string& name, const char* text, double lo, double hi, double& out, std::string& error) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (*text == '\0' || *end != '\0' || errno != 0 || !(v >= lo && v <= hi)) {
        char range[64];
        std::snprintf(range, sizeof range, " must be a number of seconds from %g to %g", lo, hi);
        error = name + range + " (got '" + text + "')";
        return false;
    }
    out = v;
    return true;
}

// Returns 0 to go on, 1 when the usage was printed on request, -1 on error.
int parseArguments(int argc, char** argv, Options& opt, std::string& error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help")
            return 1;
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string value;
        bool haveValue = false;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            haveValue = true;
        }
        if (name != "--program" && name != "--rate" && name != "--block" && name != "--tail" && name != "--bank" &&
            name != "--patch" && name != "--save-bank") {
            error = "unknown option " + name;
            return -1;
        }
        if (!haveValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return -1;
            }
            value = argv[++i];
        }
        bool ok = true;
        if (name == "--program") {
            ok = parseInt(name, value.c_str(), 0, 31, opt.program, error);
            opt.programGiven = true;
        } else if (name == "--bank") {
            opt.bank = value;
        } else if (name == "--patch") {
            opt.patch = value;
        } else if (name == "--save-bank") {
            opt.saveBank = value;
        } else if (name == "--rate") {
            ok = parseInt(name, value.c_str(), 8000, 192000, opt.rate, error);
        } else if (name == "--block") {
            ok = parseInt(name, value.c_str(), 1, 8192, opt.block, error);
        } else {
            ok = parseSeconds(name, value.c_str(), 0.0, 600.0, opt.tailSeconds, error);
            opt.autoTail = false;
        }
        if (!ok)
            return -1;
    }
    if (positional.size() != 2) {
        error = positional.size() < 2 ? "expected an input MIDI file and an output WAV file"
                                      : "too many arguments: " + positional[2];
        return -1;
    }
    opt.input = positional[0];
    opt.output = positional[1];
    return 0;
}

class Progress {
public:
    Progress(int rate, int64_t expectedFrames)
        : enabled_(TINE_ISATTY(TINE_FILENO(stderr)) != 0),
          rate_(rate),
          expected_(std::max<int64_t>(expectedFrames, 1)),
          last_(std::chrono::steady_clock::now()) {}

    void update(int64_t frames, bool final = false) {
        if (!enabled_)
            return;
        // Look at the clock only every tenth of a second of audio.
        if (!final && frames - lastFrames_ < rate_ / 10)
            return;
        lastFrames_ = frames;
        const auto now = std::chrono::steady_clock::now();
        if (!final && now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        const double fraction = std::min(1.0, static_cast<double>(frames) / expected_);
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(fraction * kWidth);
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\r[%s] %3d%%  %.1f s%s", bar, static_cast<int>(fraction * 100.0),
                     static_cast<double>(frames) / rate_, frames > expected_ ? " (tail)" : "      ");
        std::fflush(stderr);
        gProgressShown = true;
    }

private:
    bool enabled_;
    int rate_;
    int64_t expected_;
    int64_t lastFrames_ = 0;
    std::chrono::steady_clock::time_point last_;
};

struct RenderResult {
    int64_t frames = 0;
    int peak = 0;  // largest magnitude among the 16-bit samples
};

// The instrument as a host would prepare it, with the bank, program and
// patch the options name; null with `error` set when a preset step failed.
std::unique_ptr<SynthPlugin> setUpInstrument(const Options& opt, std::string& error) {
    auto plugin = std::make_unique<SynthPlugin>(&hostCallback);
    plugin->setSampleRate(static_cast<float>(opt.rate));
    plugin->setBlockSize(opt.block);
    plugin->resume();
    if (!opt.bank.empty()) {
        if (!presetStep(loadBank, *plugin, "bank", opt.bank, error))
            return nullptr;
        if (opt.programGiven)
            plugin->setProgram(opt.program);
    } else {
        plugin->setProgram(opt.program);
    }
    if (!opt.patch.empty() && !presetStep(loadPatch, *plugin, "patch", opt.patch, error))
        return nullptr;
    if (!opt.saveBank.empty() && !presetStep(saveBank, *plugin, "cannot save bank", opt.saveBank, error))
        return nullptr;
    return plugin;
}

bool render(const Options& opt, const MidiSong& song, WavWriter& wav, RenderResult& result, std::string& error) {
    std::unique_ptr<SynthPlugin> plugin = setUpInstrument(opt, error);
    if (!plugin)
        return false;

    const int rate = opt.rate;
    const int64_t songEnd = toFrame(song.endSeconds, rate);
    const int64_t window = toFrame(kSilenceWindowSeconds, rate);
    const int64_t stopAt = songEnd + toFrame(opt.autoTail ? kMaxAutoTailSeconds : opt.tailSeconds, rate);
    EventSchedule schedule(song, rate, opt.block);
    PcmSink sink(wav, opt.block, kSilenceThresholdDb);
    std::vector<float> left(static_cast<std::size_t>(opt.block));
    std::vector<float> right(static_cast<std::size_t>(opt.block));
    float* outputs[2] = {left.data(), right.data()};

    Progress progress(rate, opt.autoTail ? songEnd + window : stopAt);
    // The instrument sets the mode for its own calls; the sink's conversions of
    // the blocks run under the same mode as well.
    ScopedFlushToZero flushDenormals;
    int64_t pos = 0;
    while (pos < stopAt) {
        if (opt.autoTail && pos >= songEnd + window && sink.lastLoudFrame() < pos - window)
            break;
        if (gInterrupted) {
            error = "interrupted";
            return false;
        }
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(opt.block, stopAt - pos));
        VstEvents* events = schedule.eventsFor(pos, n);
        if (events->numEvents > 0)
            plugin->processEvents(events);
        plugin->processReplacing(nullptr, outputs, n);
        if (!sink.write(left.data(), right.data(), n, pos)) {
            error = sink.error();
            return false;
        }
        pos += n;
        progress.update(pos);
    }
    progress.update(pos, true);
    clearProgress();
    result.frames = pos;
    result.peak = sink.peak();
    return true;
}

std::string temporaryPathFor(const std::string& output) {
    return output + ".part-" + std::to_string(static_cast<long>(TINE_GETPID()));
}

// The temporary file is an implementation detail: messages name the file the
// user asked for.
std::string namingTarget(std::string message, const std::string& temp, const std::string& output) {
    const std::size_t at = message.find(temp);
    if (at != std::string::npos)
        message.replace(at, temp.size(), output);
    return message;
}

bool commit(const std::string& from, const std::string& to, std::string& error) {
#if defined(_WIN32)
    std::remove(to.c_str());  // rename does not replace an existing file there
#endif
    errno = 0;
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        error = "cannot create " + to + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

int run(int argc, char** argv) {
    Options opt;
    std::string error;
    const int parsed = parseArguments(argc, argv, opt, error);
    if (parsed == 1) {
        printUsage(stdout);
        return 0;
    }
    if (parsed < 0) {
        printError(error + " (see --help)");
        return 2;
    }

    std::error_code ec;
    if (std::filesystem::equivalent(opt.input, opt.output, ec)) {
        printError(opt.output + ": would overwrite the input file");
        return 2;
    }

    MidiSong song;
    if (!readMidiFile(opt.input, song, error)) {
        printError(opt.input + ": " + error);
        return 1;
    }
    const double tail = opt.autoTail ? kMaxAutoTailSeconds : opt.tailSeconds;
    if (song.endSeconds + tail > kMaxAudioSeconds) {
        char msg[160];
        std::snprintf(msg, sizeof msg, "%s: song lasts %.0f s; at most %.0f s of audio can be rendered",
                      opt.input.c_str(), song.endSeconds, kMaxAudioSeconds - tail);
        printError(msg);
        return 1;
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    setErrorSink(instrumentErrorSink);

    const std::string temp = temporaryPathFor(opt.output);
    WavWriter wav;
    if (!wav.open(temp, static_cast<uint32_t>(opt.rate), 2)) {
        printError(namingTarget(wav.error(), temp, opt.output));
        std::remove(temp.c_str());
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    RenderResult result;
    bool ok = render(opt, song, wav, result, error);
    if (ok && !wav.finish()) {
        error = wav.error();
        ok = false;
    }
    if (ok)
        ok = commit(temp, opt.output, error);
    if (!ok) {
        wav.finish();  // closes the file if the render stopped half-way
        std::remove(temp.c_str());
        printError(namingTarget(error, temp, opt.output));
        return 1;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const double seconds = static_cast<double>(result.frames) / opt.rate;
    char peak[32];
    if (result.peak > 0)
        std::snprintf(peak, sizeof peak, "%.1f dBFS", 20.0 * std::log10(result.peak / 32767.0));
    else
        std::snprintf(peak, sizeof peak, "-inf dBFS (silent)");
    char speed[32];
    if (wall > 0.0)
        std::snprintf(speed, sizeof speed, "%.1fx real time", seconds / wall);
    else
        std::snprintf(speed, sizeof speed, "instant");
    std::printf("%s: %.2f s of audio in %.2f s (%s), peak %s -> %s\n", kTool, seconds, wall, speed, peak,
                opt.output.c_str());
    return 0;
}

}  // namespace
}  // namespace tine

int main(int argc, char** argv) {
    return tine::run(argc, argv);
}
