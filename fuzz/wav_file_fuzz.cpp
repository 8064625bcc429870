// A WAV file of any bytes: the reader holds every size the file claims against its real size, so what
// it reads stays in proportion to the file; what it reads, written out by the program's own writer,
// reads back the same.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/wav_file.h"

namespace {

// A folder of this process's own for the files.
const std::string& Folder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/muv_wav_fuzz.XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        std::atexit([] { ::rmdir(Folder().c_str()); });
        return pattern;
    }();
    return folder;
}

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = true;
    for (size_t done = 0; ok && done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/input.wav", copy = Folder() + "/copy.wav";
    if (!WriteBytes(path, data, size)) std::abort();
    muv::WavData read;
    std::string error;
    const bool ok = muv::ReadWavFile(path, read, error);
    std::vector<int16_t> samples48k;
    std::string error48k;
    const bool ok48k = muv::ReadWav48k(path, samples48k, error48k);
    ::unlink(path.c_str());
    MUV_FUZZ_REQUIRE(ok48k == (ok && read.sampleRate == 48000));
    if (!ok) {
        MUV_FUZZ_REQUIRE(!error.empty() && error.starts_with(path));
        return 0;
    }
    if (ok48k) MUV_FUZZ_REQUIRE(samples48k == read.samples);
    MUV_FUZZ_REQUIRE(read.channels == 1 || read.channels == 2);
    // No sample comes from bytes the file does not have: 8-bit mono holds one a byte.
    MUV_FUZZ_REQUIRE(read.samples.size() <= size);

    MUV_FUZZ_REQUIRE(muv::WriteWavFile(copy, read.samples, read.sampleRate, &error));
    muv::WavData again;
    MUV_FUZZ_REQUIRE(muv::ReadWavFile(copy, again, error));
    ::unlink(copy.c_str());
    MUV_FUZZ_REQUIRE(again.channels == 1);
    MUV_FUZZ_REQUIRE(again.sampleRate == read.sampleRate);
    MUV_FUZZ_REQUIRE(again.samples == read.samples);
    return 0;
}
