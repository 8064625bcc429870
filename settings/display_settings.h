// The display and switch choices of the current profile, restored by calling the main window's own
// handlers, so that restoring a choice has every effect of making it by hand (retuning, rebuilding the
// receiver, the layout and the language).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace muv {

// The main window's handlers that the loaders call. Menu handlers take the item index.
class DisplaySettingsTarget {
public:
    virtual ~DisplaySettingsTarget() = default;

    virtual void mnuEstiloMenu_Click(int index) = 0;
    virtual void mnuFrequenciesList_Click(int index) = 0;
    virtual void mnuColour_Click(int index) = 0;
    virtual void mnuResolucion_Click(int index) = 0;
    virtual void mnuTipoIdioma_Click(int index) = 0;
    virtual void imgRXOFF1_Click() = 0;
    virtual void imgRXOFF2_Click() = 0;
    virtual void imgRXOFF3_Click() = 0;
    virtual void imgRXOFF1MF_Click() = 0;
    virtual void imgRXOFF2MF_Click() = 0;
    virtual void imgRXOFF3MF_Click() = 0;
    // The alarm switch is set directly, without its handler: true shows imgONAlarm and hides imgOFFAlarm.
    virtual void ShowAlarmOn(bool on) = 0;
    virtual void imgBaudOFF1_Click() = 0;
    virtual void imgBaudOFF2_Click() = 0;
    virtual void imgBaudOFF3_Click() = 0;
    virtual void imgBaudOFF2MF_Click() = 0;
    virtual void imgBaudOFF3MF_Click() = 0;
    virtual void imgOFFWaterFall_Click() = 0;  // waterfall on
    virtual void imgONWaterFall_Click() = 0;   // waterfall off
    virtual void mnuFont_Click(int index) = 0;
    virtual void imgAFC50_Click() = 0;   // wide AFC range
    virtual void imgAFC200_Click() = 0;  // narrow AFC range
};

// A stored value of the current profile by section and key; nullopt or "" when nothing is stored.
using StoredSetting =
    std::function<std::optional<std::string>(std::string_view section, std::string_view key)>;
// The store before any setting was saved.
std::optional<std::string> NothingStored(std::string_view section, std::string_view key);

// Menu style, frequency-list entry, receive-window colour, screen layout, language, HF and MF receive
// options, alarm switch, HF and MF symbol rates and waterfall, in this order: the frequency entry tunes
// the rig, the layout and language rebuild the windows, before the receive options rebuild the receiver.
void LoadDisplaySettings(DisplaySettingsTarget& target, const StoredSetting& stored = NothingStored);

// ClearSaveLogFlag: 0 (Yes is the default answer of "Save Log?") when "1" is stored, else 256 (No).
int16_t LoadClearScreenOption(const StoredSetting& stored = NothingStored);

// The receive window's text size item (1 when nothing is stored).
void LoadFontSize(DisplaySettingsTarget& target, const StoredSetting& stored = NothingStored);

// The AFC range of the band class (1 MF, 2 HF; EME always narrow).
void LoadShiftRange(uint8_t bandClass, DisplaySettingsTarget& target,
                    const StoredSetting& stored = NothingStored);

}  // namespace muv
