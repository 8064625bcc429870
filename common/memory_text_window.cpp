#include "common/memory_text_window.h"

#include <algorithm>
#include <sstream>

namespace muv {

namespace {
constexpr const char* kSnapshotTag = "MTW1\n";
}

MemoryTextWindow::MemoryTextWindow(ColorRef defaultColour, int defaultFontSize)
    : insertColour_(defaultColour),
      insertSize_(defaultFontSize),
      defaultColour_(defaultColour),
      defaultSize_(defaultFontSize) {}

std::string MemoryTextWindow::Text() const {
    std::string s;
    s.reserve(cells_.size());
    for (const Cell& c : cells_)
        s.push_back(c.ch);
    return s;
}

void MemoryTextWindow::SetText(const std::string& text) {
    cells_.clear();
    selStart_ = 0;
    selLength_ = 0;
    insertColour_ = defaultColour_;
    insertSize_ = defaultSize_;
    SetSelText(text);
    selStart_ = 0;
    TakeFormatBeforeCaret();
}

// The snapshot: a tag line, then for each run of equally formatted characters a line
// "colour size bold count" followed by the run's characters.
std::string MemoryTextWindow::TextRTF() const {
    std::ostringstream out;
    out << kSnapshotTag;
    size_t i = 0;
    while (i < cells_.size()) {
        size_t j = i;
        while (j < cells_.size() && cells_[j].colour == cells_[i].colour &&
               cells_[j].size == cells_[i].size && cells_[j].bold == cells_[i].bold)
            ++j;
        out << cells_[i].colour << ' ' << cells_[i].size << ' ' << (cells_[i].bold ? 1 : 0) << ' ' << (j - i)
            << '\n';
        for (size_t k = i; k < j; ++k)
            out.put(cells_[k].ch);
        i = j;
    }
    return out.str();
}

void MemoryTextWindow::SetTextRTF(const std::string& rtf) {
    std::vector<Cell> cells;
    bool valid = rtf.rfind(kSnapshotTag, 0) == 0;
    if (valid) {
        std::istringstream in(rtf.substr(std::char_traits<char>::length(kSnapshotTag)));
        while (valid && in.peek() != std::char_traits<char>::eof()) {
            long long colour = 0;
            int size = 0;
            int bold = 0;
            size_t count = 0;
            if (!(in >> colour >> size >> bold >> count) || in.get() != '\n') {
                valid = false;
                break;
            }
            for (size_t k = 0; k < count; ++k) {
                int ch = in.get();
                if (ch == std::char_traits<char>::eof()) {
                    valid = false;
                    break;
                }
                cells.push_back({static_cast<char>(ch), static_cast<ColorRef>(colour), size, bold != 0});
            }
        }
    }
    if (!valid) {
        // Like the on-screen window, a string that is not a snapshot is taken as plain text.
        SetText(rtf);
        return;
    }
    cells_ = std::move(cells);
    selStart_ = 0;
    selLength_ = 0;
    TakeFormatBeforeCaret();
}

void MemoryTextWindow::TakeFormatBeforeCaret() {
    if (cells_.empty()) return;  // an empty window keeps the format last set
    // At the start of a line that has text, the format is that of the line's first character.
    const bool lineStart = selStart_ > 0 && cells_[selStart_ - 1].ch == '\n' && selStart_ < TextLength() &&
                           cells_[selStart_].ch != '\r';
    const Cell& c =
        selStart_ > 0 && !lineStart ? cells_[selStart_ - 1] : cells_[selStart_ > 0 ? selStart_ : 0];
    insertColour_ = c.colour;
    insertSize_ = c.size;
}

void MemoryTextWindow::SetSelStart(int32_t start) {
    start = std::clamp<int32_t>(start, 0, TextLength());
    // Putting the caret where it already is keeps the format chosen for the next insertion.
    const bool moved = start != selStart_ || selLength_ != 0;
    selStart_ = start;
    selLength_ = 0;
    if (moved) TakeFormatBeforeCaret();
}

void MemoryTextWindow::SetSelLength(int32_t length) {
    selLength_ = std::clamp<int32_t>(length, 0, TextLength() - selStart_);
}

std::string MemoryTextWindow::SelText() const {
    std::string s;
    for (int32_t i = selStart_; i < selStart_ + selLength_; ++i)
        s.push_back(cells_[i].ch);
    return s;
}

void MemoryTextWindow::SetSelText(const std::string& text) {
    std::vector<Cell> inserted;
    inserted.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            inserted.push_back({'\r', insertColour_, insertSize_, false});
            inserted.push_back({'\n', insertColour_, insertSize_, false});
        } else {
            inserted.push_back({ch, insertColour_, insertSize_, false});
        }
    }
    cells_.erase(cells_.begin() + selStart_, cells_.begin() + selStart_ + selLength_);
    cells_.insert(cells_.begin() + selStart_, inserted.begin(), inserted.end());
    selStart_ += static_cast<int32_t>(inserted.size());
    selLength_ = 0;
}

ColorRef MemoryTextWindow::SelColor() const {
    return selLength_ > 0 ? cells_[selStart_].colour : insertColour_;
}

void MemoryTextWindow::SetSelColor(ColorRef colour) {
    for (int32_t i = selStart_; i < selStart_ + selLength_; ++i)
        cells_[i].colour = colour;
    insertColour_ = colour;
}

int MemoryTextWindow::SelFontSize() const {
    return selLength_ > 0 ? cells_[selStart_].size : insertSize_;
}

void MemoryTextWindow::SetSelFontSize(int points) {
    for (int32_t i = selStart_; i < selStart_ + selLength_; ++i)
        cells_[i].size = points;
    insertSize_ = points;
}

bool MemoryTextWindow::SelBold() const {
    return selLength_ > 0 && cells_[selStart_].bold;
}

void MemoryTextWindow::SetSelBold(bool bold) {
    for (int32_t i = selStart_; i < selStart_ + selLength_; ++i)
        cells_[i].bold = bold;
}

}  // namespace muv
