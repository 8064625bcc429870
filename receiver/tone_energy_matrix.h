// Tone magnitudes of the receive spectrum, indexed by mode number, FFT bin and symbol column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/vb.h"

namespace muv {

class ToneEnergyMatrix {
public:
    // Re-creates the matrix for modes firstMode..lastMode, bins 0..highestBin and columns 1..columns,
    // every entry 0.
    void Resize(int firstMode, int lastMode, int highestBin, int columns) {
        firstMode_ = firstMode;
        lastMode_ = lastMode;
        bins_ = highestBin + 1;
        columns_ = columns;
        data_.assign(static_cast<size_t>(lastMode - firstMode + 1) * columns_ * bins_, 0.0f);
        toneTables_.clear();
        stale_.assign(static_cast<size_t>(lastMode - firstMode + 1) * columns_, 1);
    }

    bool Contains(int mode, int bin, int column) const {
        return mode >= firstMode_ && mode <= lastMode_ && bin >= 0 && bin < bins_ && column >= 1 &&
               column <= columns_;
    }

    // Checked access: an index outside the matrix raises error 9 (subscript out of range). The writable
    // forms mark the column changed, so its strongest-tone table is formed again before its next use; a
    // pointer from ColumnData is for writing the column there and then, never to be kept.
    float At(int mode, int bin, int column) const { return data_[Offset(mode, bin, column)]; }
    float& At(int mode, int bin, int column) {
        const size_t offset = Offset(mode, bin, column);
        stale_[ColumnIndex(mode, column)] = 1;
        return data_[offset];
    }

    // The bins of one column, contiguous from bin 0, for the inner loops that write a whole column.
    float* ColumnData(int mode, int column) {
        const size_t offset = Offset(mode, 0, column);
        stale_[ColumnIndex(mode, column)] = 1;
        return &data_[offset];
    }
    const float* ColumnData(int mode, int column) const { return &data_[Offset(mode, 0, column)]; }

    // For each bin b = 0 to lastBin of a column, which of the sixteen tones b, b + spacing, ...,
    // b + 15 spacing is the strongest (0 to 15), searched as the sync search always has: from -1
    // upwards, a tone winning only when strictly stronger, so a tie keeps the lower tone, a NaN never
    // wins, and -1 when no tone exceeds -1. The highest tone must lie inside the matrix. Formed when
    // first asked for after the column changed; valid until the matrix is next written or asked for
    // with another spacing.
    const int8_t* StrongestTones(int mode, int column, int spacing, int lastBin) const;

    int FirstMode() const { return firstMode_; }
    int LastMode() const { return lastMode_; }
    int HighestBin() const { return bins_ - 1; }
    int Columns() const { return columns_; }
    bool Empty() const { return data_.empty(); }

private:
    size_t ColumnIndex(int mode, int column) const {
        return static_cast<size_t>(mode - firstMode_) * columns_ + static_cast<size_t>(column - 1);
    }
    void FormStrongestTones(const float* bins, int spacing, int count, int8_t* tones) const;

    size_t Offset(int mode, int bin, int column) const {
        if (!Contains(mode, bin, column)) throw VbError(9, "Subscript out of range");
        return (static_cast<size_t>(mode - firstMode_) * columns_ + static_cast<size_t>(column - 1)) * bins_ +
               static_cast<size_t>(bin);
    }

    int firstMode_ = 1;
    int lastMode_ = 0;
    int bins_ = 0;
    int columns_ = 0;
    std::vector<float> data_;
    mutable std::vector<uint8_t> stale_;  // by plane and column: written since its tones were formed

    // A plane's strongest-tones: stride entries a column, the first `formed` of them kept up to date.
    struct ToneTable {
        int spacing = 0;
        int formed = 0;
        std::vector<int8_t> tones;
    };
    mutable std::vector<ToneTable> toneTables_;  // by plane
    mutable std::vector<float> keys_;            // scratch of the forming
    mutable std::vector<float> keyTones_;
};

}  // namespace muv
