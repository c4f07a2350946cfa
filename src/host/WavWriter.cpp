#include "host/WavWriter.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "params/ByteOrder.h"

namespace tine {

namespace {

void putTag(uint8_t* p, const char* tag) {
    std::memcpy(p, tag, 4);
}

// The bytes the system holds for the file, whatever the stream buffered and
// lost; -1 when it cannot tell.
long long bytesInFile(std::FILE* file) {
#if defined(_WIN32)
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0)
        return -1;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0)
        return -1;
#endif
    return static_cast<long long>(status.st_size);
}

}  // namespace

std::array<uint8_t, kWavHeaderSize> makeWavHeader(uint32_t sampleRate, uint16_t channels, uint32_t dataBytes) {
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2u;
    std::array<uint8_t, kWavHeaderSize> h{};
    putTag(&h[0], "RIFF");
    // Saturate rather than wrap: a wrapped size would describe a tiny file.
    putLittleEndian32(&h[4], dataBytes > 0xFFFFFFFFu - 36u ? 0xFFFFFFFFu : dataBytes + 36u);
    putTag(&h[8], "WAVE");
    putTag(&h[12], "fmt ");
    putLittleEndian32(&h[16], 16);
    putLittleEndian16(&h[20], 1);
    putLittleEndian16(&h[22], channels);
    putLittleEndian32(&h[24], sampleRate);
    putLittleEndian32(&h[28], sampleRate * blockAlign);
    putLittleEndian16(&h[32], blockAlign);
    putLittleEndian16(&h[34], 16);
    putTag(&h[36], "data");
    putLittleEndian32(&h[40], dataBytes);
    return h;
}

WavWriter::~WavWriter() {
    closeQuietly();
}

bool WavWriter::fail(const std::string& what, int err) {
    if (!failed_) {
        failed_ = true;
        error_ = what;
        if (err != 0) {
            error_ += ": ";
            error_ += std::strerror(err);
        }
    }
    return false;
}

void WavWriter::closeQuietly() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool WavWriter::open(const std::string& path, uint32_t sampleRate, uint16_t channels) {
    closeQuietly();
    path_ = path;
    error_.clear();
    failed_ = false;
    frames_ = 0;
    sampleRate_ = sampleRate;
    channels_ = channels;

    if (channels == 0 || sampleRate == 0)
        return fail("cannot write " + path + ": invalid format", 0);
    if (static_cast<uint64_t>(sampleRate) * channels * 2u > 0xFFFFFFFFull)
        return fail("cannot write " + path + ": sample rate too high for a WAV file", 0);

    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr)
        return fail("cannot create " + path, errno);

    const auto header = makeWavHeader(sampleRate, channels, 0);
    errno = 0;
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size())
        return fail("cannot write " + path, errno);
    return true;
}

bool WavWriter::append(const int16_t* interleaved, std::size_t frames) {
    if (failed_)
        return false;
    if (file_ == nullptr)
        return fail("cannot write " + path_ + ": file is not open", 0);
    if (frames == 0)
        return true;

    const uint64_t bytesPerFrame = static_cast<uint64_t>(channels_) * 2u;
    if (frames > (kWavMaxDataBytes - frames_ * bytesPerFrame) / bytesPerFrame)
        return fail("cannot write " + path_ + ": audio too long for a WAV file (4 GiB limit)", 0);

    // Converted in fixed chunks so that appending never allocates.
    uint8_t bytes[4096];
    const std::size_t samplesPerChunk = sizeof(bytes) / 2;
    std::size_t remaining = frames * channels_;
    const int16_t* src = interleaved;
    while (remaining > 0) {
        const std::size_t n = remaining < samplesPerChunk ? remaining : samplesPerChunk;
        for (std::size_t i = 0; i < n; ++i) putLittleEndian16(&bytes[2 * i], static_cast<uint16_t>(src[i]));
        errno = 0;
        const std::size_t written = std::fwrite(bytes, 1, 2 * n, file_);
        if (written != 2 * n) {
            // The whole frames handed over before the failure: finish() counts
            // no more than these, and no more than the file holds.
            frames_ += (static_cast<std::size_t>(src - interleaved) + written / 2) / channels_;
            return fail("cannot write " + path_, errno);
        }
        src += n;
        remaining -= n;
    }
    frames_ += frames;
    return true;
}

bool WavWriter::finish() {
    if (file_ == nullptr)
        return failed_ ? false : fail("cannot write " + path_ + ": file is not open", 0);

    // Flush first so that a full disk shows up here and not as a short file
    // that only the close would have noticed.
    errno = 0;
    if (std::fflush(file_) != 0)
        fail("cannot write " + path_, errno);
    // After a failed write the header still gets the sizes of the frames that
    // reached the file, so that what was recorded can be played.
    const uint64_t frameBytes = static_cast<uint64_t>(channels_) * 2u;
    uint64_t frames = frames_;
    if (failed_) {
        const long long held = bytesInFile(file_);
        const uint64_t onDisk = held > static_cast<long long>(kWavHeaderSize)
                                    ? (static_cast<uint64_t>(held) - kWavHeaderSize) / frameBytes
                                    : 0u;
        if (onDisk < frames)
            frames = onDisk;
    }
    const auto header = makeWavHeader(sampleRate_, channels_, static_cast<uint32_t>(frames * frameBytes));
    errno = 0;
    if (std::fseek(file_, 0, SEEK_SET) != 0) {
        fail("cannot seek in " + path_, errno);
    } else if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        fail("cannot write " + path_, errno);
    } else if (std::fflush(file_) != 0) {
        fail("cannot write " + path_, errno);
    }

    errno = 0;
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0)
        fail("cannot close " + path_, errno);
    return !failed_;
}

}  // namespace tine
