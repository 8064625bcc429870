// The sixteen macros: their numbers in the macros window (the order of its rows and colour pickers)
// and the numbers of their labels on the main window (two rows of eight), and the face through which
// the macros window paints those labels.
#pragma once

#include <string>

#include "common/colour.h"

namespace muv {

// The macros in the macros window's order.
enum MacroNumber : int {
    kMacroCQ = 1,
    kMacroCQDX,
    kMacroCall,
    kMacroCall2,
    kMacroMe,
    kMacroMe2,
    kMacroBye,
    kMacroBye2,
    kMacroStation,
    kMacroEmail,
    kMacroSN,
    kMacroRST599,
    kMacroQSL,
    kMacroQRZ,
    kMacroCustom,
    kMacroRepeat,
};
constexpr int kMacroCount = 16;

// The main window's label of a macro (lblCQ 1, lblCall 2, lblMe 3, lblBye 4, lblStation 5, lblSN 6,
// lblQSL 7, lblCustom 8, then lblCQDX 9, lblCALL2 10, lblMe2 11, lblBye2 12, lblEmail 13, lblRST599 14,
// lblQRZ 15, lblRepeat 16), and the macro of a label; 0 for a number out of range.
constexpr int MacroLabelNumber(int macro) {
    constexpr int labels[kMacroCount + 1] = {0, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 8, 16};
    return macro >= 1 && macro <= kMacroCount ? labels[macro] : 0;
}
constexpr int MacroOfLabel(int label) {
    for (int m = 1; m <= kMacroCount; ++m)
        if (MacroLabelNumber(m) == label) return m;
    return 0;
}

// The main window's macro labels, by their numbers there (1 to 16).
class MacroLabels {
public:
    virtual ~MacroLabels() = default;
    virtual void SetLabelColour(int label, ColorRef colour) = 0;
    virtual void SetLabelCaption(int label, const std::string& caption) = 0;
    virtual void SetLabelVisible(int label, bool visible) = 0;
};

}  // namespace muv
