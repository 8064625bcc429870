// The staging rows of a ring of sound buffers: row k holds the last samples copied to or from buffer k.
// The band classes use buffers of two sizes, and each size keeps rows of its own, so that after a
// change of size the rows of that size are found as they were left.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace muv {

// The samples of one sound buffer: HF and EME modes, and MF modes.
constexpr int kHfBufferSamples = 3072;
constexpr int kMfBufferSamples = 3584;

template <std::size_t RowCount>
class SoundStaging {
public:
    using Rows = std::array<std::vector<int16_t>, RowCount>;

    SoundStaging() {
        for (auto& row : hf_)
            row.assign(kHfBufferSamples, 0);
        for (auto& row : mf_)
            row.assign(kMfBufferSamples, 0);
    }

    // The rows for buffers of samplesPerBuffer samples: anything but the HF size takes the MF rows.
    Rows& For(int samplesPerBuffer) { return samplesPerBuffer == kHfBufferSamples ? hf_ : mf_; }

private:
    Rows hf_;
    Rows mf_;
};

}  // namespace muv
