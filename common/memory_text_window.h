// A text window held in memory, with the selection, colour and font-size behaviour of the on-screen one.
// The modem's tests and the benchmark write into it; the program uses the window adapter instead.
#pragma once

#include <vector>

#include "common/text_window.h"

namespace muv {

class MemoryTextWindow : public TextWindow {
public:
    explicit MemoryTextWindow(ColorRef defaultColour = kBlack, int defaultFontSize = 10);

    std::string Text() const override;
    void SetText(const std::string& text) override;
    int32_t TextLength() const override { return static_cast<int32_t>(cells_.size()); }
    std::string TextRTF() const override;
    void SetTextRTF(const std::string& rtf) override;
    int32_t SelStart() const override { return selStart_; }
    void SetSelStart(int32_t start) override;
    int32_t SelLength() const override { return selLength_; }
    void SetSelLength(int32_t length) override;
    std::string SelText() const override;
    void SetSelText(const std::string& text) override;
    ColorRef SelColor() const override;
    void SetSelColor(ColorRef colour) override;
    int SelFontSize() const override;
    void SetSelFontSize(int points) override;
    bool SelBold() const override;
    void SetSelBold(bool bold) override;
    bool Locked() const override { return locked_; }
    void SetLocked(bool locked) override { locked_ = locked; }

    // For inspection: colour, font size and bold of the character at a position of Text().
    ColorRef ColourAt(int32_t position) const { return cells_.at(position).colour; }
    int FontSizeAt(int32_t position) const { return cells_.at(position).size; }
    bool BoldAt(int32_t position) const { return cells_.at(position).bold; }

private:
    struct Cell {
        char ch;
        ColorRef colour;
        int size;
        bool bold = false;
    };
    void TakeFormatBeforeCaret();

    std::vector<Cell> cells_;
    int32_t selStart_ = 0;
    int32_t selLength_ = 0;
    ColorRef insertColour_;
    int insertSize_;
    ColorRef defaultColour_;
    int defaultSize_;
    bool locked_ = false;
};

}  // namespace muv
