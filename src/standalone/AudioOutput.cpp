#include "standalone/AudioOutput.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdlib>
#include <cstring>

namespace tine {
namespace {

constexpr DWORD kStopWaitMs = 5000;

struct DeviceEntry {
    std::string description;
    GUID guid{};
    bool hasGuid = false;
};

BOOL CALLBACK collectDevice(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
    auto* list = static_cast<std::vector<DeviceEntry>*>(context);
    DeviceEntry entry;
    entry.description = description ? description : "";
    if (guid != nullptr) {
        entry.guid = *guid;
        entry.hasGuid = true;
    }
    list->push_back(entry);
    return TRUE;
}

bool enumerateDevices(std::vector<DeviceEntry>& devices) {
    return SUCCEEDED(DirectSoundEnumerateA(&collectDevice, &devices));
}

WAVEFORMATEX sampleFormat(int32_t sampleRate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = static_cast<DWORD>(sampleRate) * 4u;
    format.cbSize = 0;
    return format;
}

// The DirectSound buffer as streamBlocks sees it.
struct DirectSoundStream {
    IDirectSoundBuffer* buffer;
    const std::atomic<bool>* stopRequested;

    PlayResult play() {
        const HRESULT hr = buffer->Play(0, 0, DSBPLAY_LOOPING);
        if (hr == DSERR_BUFFERLOST)
            return PlayResult::Lost;
        return SUCCEEDED(hr) ? PlayResult::Ok : PlayResult::Failed;
    }
    bool restore() { return SUCCEEDED(buffer->Restore()); }
    bool playCursor(uint32_t& position) {
        DWORD play = 0, write = 0;
        if (FAILED(buffer->GetCurrentPosition(&play, &write)))
            return false;
        position = play;
        return true;
    }
    bool status(bool& playing, bool& lost) {
        DWORD flags = 0;
        if (FAILED(buffer->GetStatus(&flags)))
            return false;
        // A stop that came before the thread's own Play would otherwise be
        // undone by it: the request counts as "no longer playing" too.
        playing = (flags & DSBSTATUS_PLAYING) != 0 && !stopRequested->load();
        lost = (flags & DSBSTATUS_BUFFERLOST) != 0;
        return true;
    }
    bool lock(uint32_t offset, uint32_t bytes, LockedRegions& regions) {
        void* first = nullptr;
        void* second = nullptr;
        DWORD firstBytes = 0, secondBytes = 0;
        if (FAILED(buffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0)))
            return false;
        regions.first = first;
        regions.firstBytes = firstBytes;
        regions.second = second;
        regions.secondBytes = secondBytes;
        return true;
    }
    bool unlock(const LockedRegions& regions) {
        return SUCCEEDED(buffer->Unlock(regions.first, regions.firstBytes, regions.second, regions.secondBytes));
    }
    void sleepOneMs() { Sleep(1); }
};

DWORD WINAPI audioThreadEntry(LPVOID output);

}  // namespace

uint32_t runAudioThread(AudioOutput& output) {
    if (output.stopRequested_.load())
        return kStreamStopped;  // stopped before it was started
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    auto* target =
        static_cast<IDirectSoundBuffer*>(output.primaryMode_ ? output.primaryBuffer_ : output.secondaryBuffer_);
    DirectSoundStream stream{target, &output.stopRequested_};
    return streamBlocks(stream, output.bufferBytes_, output.blockBytes_, output.scratch_, output.blockSource_,
                        output.blockContext_);
}

namespace {

DWORD WINAPI audioThreadEntry(LPVOID output) {
    return runAudioThread(*static_cast<AudioOutput*>(output));
}

}  // namespace

std::vector<std::string> AudioOutput::deviceDescriptions() {
    std::vector<DeviceEntry> devices;
    std::vector<std::string> names;
    if (!enumerateDevices(devices))
        return names;
    for (const DeviceEntry& d : devices) names.push_back(d.description);
    return names;
}

AudioOutput::AudioOutput(void* window, int32_t deviceIndex, int32_t latencyMs, bool primaryMode, int32_t sampleRate)
    : primaryMode_(primaryMode) {
    std::vector<DeviceEntry> devices;
    if (!enumerateDevices(devices) || devices.empty())
        return;
    // Counting down through the list; an index beyond it means the default.
    const DeviceEntry* chosen = &devices[0];
    if (deviceIndex > 0 && static_cast<std::size_t>(deviceIndex) < devices.size())
        chosen = &devices[deviceIndex];

    IDirectSound* device = nullptr;
    if (FAILED(DirectSoundCreate(chosen->hasGuid ? &chosen->guid : nullptr, &device, nullptr)))
        return;
    device_ = device;
    if (FAILED(
            device->SetCooperativeLevel(static_cast<HWND>(window), primaryMode ? DSSCL_WRITEPRIMARY : DSSCL_PRIORITY)))
        return;

    DSBUFFERDESC primaryDesc{};
    primaryDesc.dwSize = sizeof primaryDesc;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_STICKYFOCUS;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(device->CreateSoundBuffer(&primaryDesc, &primary, nullptr)))
        return;
    primaryBuffer_ = primary;
    WAVEFORMATEX format = sampleFormat(sampleRate > 0 ? sampleRate : 44100);
    primary->SetFormat(&format);  // the device may keep its own format: not fatal

    blockBytes_ = latencyBlockBytes(sampleRate, latencyMs);
    IDirectSoundBuffer* target = nullptr;
    if (primaryMode) {
        DSBCAPS caps{};
        caps.dwSize = sizeof caps;
        bufferBytes_ = SUCCEEDED(primary->GetCaps(&caps)) ? caps.dwBufferBytes : 0;
        // A block as large as the buffer would wait forever for the cursor.
        blockBytes_ = primaryBlockBytes(blockBytes_, bufferBytes_);
        target = primary;
    } else {
        bufferBytes_ = secondaryBufferBytes(blockBytes_);
        if (bufferBytes_ > 0) {
            DSBUFFERDESC desc{};
            desc.dwSize = sizeof desc;
            desc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
            desc.dwBufferBytes = bufferBytes_;
            desc.lpwfxFormat = &format;
            IDirectSoundBuffer* secondary = nullptr;
            if (SUCCEEDED(device->CreateSoundBuffer(&desc, &secondary, nullptr)))
                secondaryBuffer_ = secondary;
            target = secondary;
        }
    }

    if (bufferBytes_ != 0 && blockBytes_ != 0 && target != nullptr) {
        scratch_ = static_cast<uint8_t*>(std::calloc(blockBytes_, 1));
        if (scratch_ != nullptr)
            thread_ = CreateThread(nullptr, 0, &audioThreadEntry, this, CREATE_SUSPENDED, nullptr);
    }
    blockFrames_ = blockBytes_ / kBytesPerFrame;
}

AudioOutput::~AudioOutput() {
    stop();
}

void AudioOutput::start(BlockSource source, void* context) {
    if (thread_ == nullptr || started_ || source == nullptr)
        return;
    blockSource_ = source;
    blockContext_ = context;
    started_ = true;
    ResumeThread(static_cast<HANDLE>(thread_));
}

void AudioOutput::stop() {
    if (thread_ != nullptr) {
        HANDLE thread = static_cast<HANDLE>(thread_);
        stopRequested_.store(true);
        if (!started_) {
            // Never ran: let it end at once instead of waiting out the stop.
            ResumeThread(thread);
        } else if (primaryBuffer_ != nullptr) {
            auto* target = static_cast<IDirectSoundBuffer*>(secondaryBuffer_ ? secondaryBuffer_ : primaryBuffer_);
            target->Stop();  // the thread sees it at its next status poll
        }
        if (WaitForSingleObject(thread, kStopWaitMs) != WAIT_OBJECT_0) {
            TerminateThread(thread, kStreamTerminated);
            WaitForSingleObject(thread, kStopWaitMs);  // termination completes asynchronously
        }
        DWORD code = 0;
        if (GetExitCodeThread(thread, &code))
            exitCode_ = code;
        CloseHandle(thread);
        thread_ = nullptr;
    }
    if (secondaryBuffer_ != nullptr) {
        static_cast<IDirectSoundBuffer*>(secondaryBuffer_)->Release();
        secondaryBuffer_ = nullptr;
    }
    if (primaryBuffer_ != nullptr) {
        static_cast<IDirectSoundBuffer*>(primaryBuffer_)->Release();
        primaryBuffer_ = nullptr;
    }
    if (device_ != nullptr) {
        static_cast<IDirectSound*>(device_)->Release();
        device_ = nullptr;
    }
    std::free(scratch_);
    scratch_ = nullptr;
}

}  // namespace tine
