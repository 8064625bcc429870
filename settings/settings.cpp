#include "settings/settings.h"

namespace muv {

namespace {

// The colour the macros window gives the S/N macro until the operator chooses one.
constexpr ColorRef kMacroSnColour = RGB(232, 232, 232);

}  // namespace

StoredSetting Settings::Stored() const {
    return [this](std::string_view section, std::string_view key) -> std::optional<std::string> {
        auto it = storedValues.find(std::string(section) + "/" + std::string(key));
        if (it == storedValues.end()) return std::nullopt;
        return it->second;
    };
}

void Settings::SaveShiftRange(uint8_t bandClass, bool wide) {
    const char* key = bandClass == 1   ? "Shift Range MF"
                      : bandClass == 2 ? "Shift Range HF"
                                       : "Shift Range EME";
    storedValues[std::string("Conmutadores/") + key] = wide ? "1" : "0";
}

ColorRef Settings::MacrosSnLabelColor() const {
    return kMacroSnColour;
}

}  // namespace muv
