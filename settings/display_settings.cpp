#include "settings/display_settings.h"

#include <string>

#include "common/vb.h"
#include "platform/private_profile.h"

namespace muv {

namespace {

constexpr size_t kBuffer = 50;

std::optional<double> Number(ProfileStore& store, std::string_view base, std::string_view key) {
    const std::optional<std::string> value = store.Read(store.Section(base), key, kBuffer);
    if (!value) return std::nullopt;
    return Val(*value);
}

// A menu item index; a stored value naming no item of the menu (1 to last) gives the default.
int MenuIndex(ProfileStore& store, std::string_view base, std::string_view key, int missing, int last) {
    const std::optional<double> v = Number(store, base, key);
    if (!v || *v < 0.5 || *v >= last + 0.5) return missing;
    return static_cast<int>(RoundHalfEven(*v));
}

// The value of a two- or three-way switch: Val's number, or `missing` when nothing is stored.
double Choice(ProfileStore& store, std::string_view key, double missing) {
    return Number(store, "Conmutadores", key).value_or(missing);
}

// A menu's ticked item in the signed form (" 3"); empty when none is ticked.
void WriteMenu(ProfileStore& store, std::string_view base, std::string_view key, const DisplaySettingsTarget& t,
               SettingsMenu menu) {
    const int ticked = t.FirstTickedItem(menu);
    store.Write(store.Section(base), key, ticked > 0 ? Str(ticked) : std::string());
}

void WriteSwitch(ProfileStore& store, std::string_view key, const char* value) {
    store.Write(store.Section("Conmutadores"), key, value);
}

}  // namespace

void LoadDisplaySettings(ProfileStore& store, DisplaySettingsTarget& t) {
    t.mnuEstiloMenu_Click(MenuIndex(store, "Pantalla", "Estilo Menu", 1, 2));
    t.mnuFrequenciesList_Click(MenuIndex(store, "Frecuencia", "Menu", 11, 25));
    t.mnuColour_Click(MenuIndex(store, "Pantalla", "Color", 3, 7));
    t.mnuResolucion_Click(MenuIndex(store, "Pantalla", "Resolucion", 2, 7));
    t.mnuTipoIdioma_Click(MenuIndex(store, "Idioma", "Idioma", 1, 11));

    const double rx = Choice(store, "Auto RX", 2);
    if (rx == 1) {
        t.imgRXOFF1_Click();
    } else if (rx == 2) {
        t.imgRXOFF2_Click();
    } else {
        t.imgRXOFF3_Click();
    }
    const double rxMf = Choice(store, "Auto RX MF", 2);
    if (rxMf == 1) {
        t.imgRXOFF1MF_Click();
    } else if (rxMf == 2) {
        t.imgRXOFF2MF_Click();
    } else {
        t.imgRXOFF3MF_Click();
    }

    t.ShowAlarmOn(Choice(store, "Alarma", 1) == 1);

    const double baud = Choice(store, "Baudios", 1);
    if (baud == 1) {
        t.imgBaudOFF1_Click();
    } else if (baud == 2) {
        t.imgBaudOFF2_Click();
    } else {
        t.imgBaudOFF3_Click();
    }
    if (Choice(store, "Baudios MF", 2) == 2) {
        t.imgBaudOFF2MF_Click();
    } else {
        t.imgBaudOFF3MF_Click();
    }

    if (Choice(store, "WaterFall", 0) == 1) {
        t.imgOFFWaterFall_Click();
    } else {
        t.imgONWaterFall_Click();
    }
}

void SaveDisplaySettings(ProfileStore& store, const DisplaySettingsTarget& t) {
    WriteMenu(store, "Pantalla", "Estilo Menu", t, SettingsMenu::EstiloMenu);
    WriteMenu(store, "Frecuencia", "Menu", t, SettingsMenu::FrequenciesList);
    WriteMenu(store, "Pantalla", "Color", t, SettingsMenu::Colour);
    WriteMenu(store, "Pantalla", "Resolucion", t, SettingsMenu::Resolucion);
    WriteMenu(store, "Idioma", "Idioma", t, SettingsMenu::TipoIdioma);
    WriteSwitch(store, "Auto RX", t.PictureShown("imgRXON1") ? "1" : t.PictureShown("imgRXON2") ? "2" : "3");
    WriteSwitch(store, "Auto RX MF",
                t.PictureShown("imgRXON1MF") ? "1" : t.PictureShown("imgRXON2MF") ? "2" : "3");
    WriteSwitch(store, "Alarma", t.PictureShown("imgONAlarm") ? "1" : "0");
    WriteSwitch(store, "Baudios", t.PictureShown("imgBaudON1") ? "1" : t.PictureShown("imgBaudON2") ? "2" : "3");
    WriteSwitch(store, "Baudios MF", t.PictureShown("imgBaudON2MF") ? "2" : "3");
    WriteSwitch(store, "WaterFall", t.PictureShown("imgONWaterFall") ? "1" : "0");
}

int16_t LoadClearScreenOption(ProfileStore& store) {
    return Number(store, "Clear", "Save Log").value_or(0) == 1 ? 0 : 256;
}

void SaveClearScreenOption(ProfileStore& store, int16_t clearSaveLogFlag) {
    store.Write(store.Section("Clear"), "Save Log", clearSaveLogFlag == 0 ? "1" : "2");
}

void LoadFontSize(ProfileStore& store, DisplaySettingsTarget& target) {
    target.mnuFont_Click(MenuIndex(store, "Fuente", "Tama\xF1o", 1, 3));
}

void SaveFontSize(ProfileStore& store, const DisplaySettingsTarget& target) {
    WriteMenu(store, "Fuente", "Tama\xF1o", target, SettingsMenu::Font);
}

void LoadShiftRange(ProfileStore& store, uint8_t bandClass, DisplaySettingsTarget& target) {
    double range = 0;
    if (bandClass == 1) range = Choice(store, "Shift Range MF", 0);
    if (bandClass == 2) range = Choice(store, "Shift Range HF", 0);
    if (range == 1) {
        target.imgAFC50_Click();
    } else {
        target.imgAFC200_Click();
    }
}

void SaveShiftRange(ProfileStore& store, uint8_t bandClass, bool imgAFC200Shown) {
    const char* key = bandClass == 1 ? "Shift Range MF" : bandClass == 2 ? "Shift Range HF" : "Shift Range EME";
    WriteSwitch(store, key, imgAFC200Shown ? "1" : "0");
}

void LoadLastFrequency(ProfileStore& store, DisplaySettingsTarget& target) {
    // The box's text as the operator left it, however long.
    target.SetFrequencyBoxText(
        store.Read(store.Section("RIG"), "Ultima Frecuencia", kWholeText).value_or("14101.0"));
}

void SaveLastFrequency(ProfileStore& store, const DisplaySettingsTarget& target) {
    store.Write(store.Section("RIG"), "Ultima Frecuencia", target.FrequencyBoxText());
}

}  // namespace muv
