// Tone magnitudes of the receive spectrum, indexed by mode number, FFT bin and symbol column.
#pragma once

#include <cstddef>
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
    }

    bool Contains(int mode, int bin, int column) const {
        return mode >= firstMode_ && mode <= lastMode_ && bin >= 0 && bin < bins_ && column >= 1 &&
               column <= columns_;
    }

    // Checked access: an index outside the matrix raises error 9 (subscript out of range).
    float At(int mode, int bin, int column) const { return data_[Offset(mode, bin, column)]; }
    float& At(int mode, int bin, int column) { return data_[Offset(mode, bin, column)]; }

    // The bins of one column, contiguous from bin 0, for the inner loops that write a whole column.
    float* ColumnData(int mode, int column) { return &data_[Offset(mode, 0, column)]; }
    const float* ColumnData(int mode, int column) const { return &data_[Offset(mode, 0, column)]; }

    int FirstMode() const { return firstMode_; }
    int LastMode() const { return lastMode_; }
    int HighestBin() const { return bins_ - 1; }
    int Columns() const { return columns_; }
    bool Empty() const { return data_.empty(); }

private:
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
};

}  // namespace muv
