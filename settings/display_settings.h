// The main window's choices of the current profile: menu style, frequency-list entry, receive-window
// colour, screen layout, language, receive options, alarm switch, symbol rates, waterfall, text size,
// the AFC range of each band class, and the default answer of the clear-screen question. They are
// restored by calling the main window's own handlers, so that restoring a choice has every effect of
// making it by hand (retuning, rebuilding the receiver, the layout and the language), and saved from
// what the window shows: the ticked menu items and the visible switch pictures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/profile_store.h"

namespace muv {

// The menus whose ticked item is a stored choice.
enum class SettingsMenu { EstiloMenu, FrequenciesList, Colour, Resolucion, TipoIdioma, Font };

// The main window's handlers that the loaders call (menu handlers take the item index), and what the
// savers read back.
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

    // The first ticked item of a menu, 0 when none is.
    virtual int FirstTickedItem(SettingsMenu menu) const = 0;
    // Whether a switch picture (imgRXON1, imgBaudON2MF, imgONAlarm, imgONWaterFall, imgAFC200 ...) is shown.
    virtual bool PictureShown(std::string_view name) const = 0;
    // The frequency box txtFrecuencia (kHz with one decimal); setting it runs its change handling.
    virtual std::string FrequencyBoxText() const = 0;
    virtual void SetFrequencyBoxText(const std::string& text) = 0;
};

// The eleven choices, in this order: the frequency entry tunes the rig, the layout and the language
// rebuild the windows, before the receive options and symbol rates rebuild the receiver.
void LoadDisplaySettings(ProfileStore& store, DisplaySettingsTarget& target);
void SaveDisplaySettings(ProfileStore& store, const DisplaySettingsTarget& target);

// ClearSaveLogFlag: 0 (Yes is the default answer of "Save Log?") when "1" is stored, else 256 (No).
int16_t LoadClearScreenOption(ProfileStore& store);
void SaveClearScreenOption(ProfileStore& store, int16_t clearSaveLogFlag);

// The receive window's text size item (1 when nothing is stored).
void LoadFontSize(ProfileStore& store, DisplaySettingsTarget& target);
void SaveFontSize(ProfileStore& store, const DisplaySettingsTarget& target);

// The AFC range of the band class (1 MF, 2 HF; EME is never read and starts narrow). The save writes
// "1" when the narrow-range picture imgAFC200 is shown.
void LoadShiftRange(ProfileStore& store, uint8_t bandClass, DisplaySettingsTarget& target);
void SaveShiftRange(ProfileStore& store, uint8_t bandClass, bool imgAFC200Shown);

// The frequency box of the profile ("14101.0" when it never stored one); restored only by a profile
// switch, saved at every shut-down.
void LoadLastFrequency(ProfileStore& store, DisplaySettingsTarget& target);
void SaveLastFrequency(ProfileStore& store, const DisplaySettingsTarget& target);

}  // namespace muv
