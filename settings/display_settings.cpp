#include "settings/display_settings.h"

#include "common/vb.h"

namespace muv {

namespace {

// The stored value's number, or nullopt when nothing is stored. Text that is no number reads as 0.
std::optional<double> Number(const StoredSetting& stored, std::string_view section, std::string_view key) {
    const std::optional<std::string> value = stored(section, key);
    if (!value || value->empty()) return std::nullopt;
    return Val(*value);
}

// A menu index; a stored value that no 16-bit index can hold falls back to the default.
int MenuIndex(const StoredSetting& stored, std::string_view section, std::string_view key, int missing) {
    const std::optional<double> v = Number(stored, section, key);
    if (!v || *v < -32768.5 || *v >= 32767.5) return missing;
    return CInt(*v);
}

// The value of a two- or three-way switch: Val's number, or `missing` when nothing is stored.
double Choice(const StoredSetting& stored, std::string_view key, double missing) {
    return Number(stored, "Conmutadores", key).value_or(missing);
}

}  // namespace

std::optional<std::string> NothingStored(std::string_view, std::string_view) {
    return std::nullopt;
}

void LoadDisplaySettings(DisplaySettingsTarget& t, const StoredSetting& stored) {
    t.mnuEstiloMenu_Click(MenuIndex(stored, "Pantalla", "Estilo Menu", 1));
    t.mnuFrequenciesList_Click(MenuIndex(stored, "Frecuencia", "Menu", 11));
    t.mnuColour_Click(MenuIndex(stored, "Pantalla", "Color", 3));
    t.mnuResolucion_Click(MenuIndex(stored, "Pantalla", "Resolucion", 2));
    t.mnuTipoIdioma_Click(MenuIndex(stored, "Idioma", "Idioma", 1));

    const double rx = Choice(stored, "Auto RX", 2);
    if (rx == 1) {
        t.imgRXOFF1_Click();
    } else if (rx == 2) {
        t.imgRXOFF2_Click();
    } else {
        t.imgRXOFF3_Click();
    }
    const double rxMf = Choice(stored, "Auto RX MF", 2);
    if (rxMf == 1) {
        t.imgRXOFF1MF_Click();
    } else if (rxMf == 2) {
        t.imgRXOFF2MF_Click();
    } else {
        t.imgRXOFF3MF_Click();
    }

    t.ShowAlarmOn(Choice(stored, "Alarma", 1) == 1);

    const double baud = Choice(stored, "Baudios", 1);
    if (baud == 1) {
        t.imgBaudOFF1_Click();
    } else if (baud == 2) {
        t.imgBaudOFF2_Click();
    } else {
        t.imgBaudOFF3_Click();
    }
    if (Choice(stored, "Baudios MF", 2) == 2) {
        t.imgBaudOFF2MF_Click();
    } else {
        t.imgBaudOFF3MF_Click();
    }

    if (Choice(stored, "WaterFall", 0) == 1) {
        t.imgOFFWaterFall_Click();
    } else {
        t.imgONWaterFall_Click();
    }
}

int16_t LoadClearScreenOption(const StoredSetting& stored) {
    return Number(stored, "Clear", "Save Log").value_or(0) == 1 ? 0 : 256;
}

void LoadFontSize(DisplaySettingsTarget& target, const StoredSetting& stored) {
    target.mnuFont_Click(MenuIndex(stored, "Fuente", "Tama\xF1o", 1));
}

void LoadShiftRange(uint8_t bandClass, DisplaySettingsTarget& target, const StoredSetting& stored) {
    // The EME range is never read back: that band class always starts narrow.
    double range = 0;
    if (bandClass == 1) range = Choice(stored, "Shift Range MF", 0);
    if (bandClass == 2) range = Choice(stored, "Shift Range HF", 0);
    if (range == 1) {
        target.imgAFC50_Click();
    } else {
        target.imgAFC200_Click();
    }
}

}  // namespace muv
