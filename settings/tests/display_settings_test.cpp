#include "settings/display_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace muv {
namespace {

// Records the handlers called, in order.
// clang-format off
#define CLICK(name) void name() override { calls.push_back(#name); }
#define MENU(name) void name(int i) override { calls.push_back(#name " " + std::to_string(i)); }
struct RecordingTarget : DisplaySettingsTarget {
    std::vector<std::string> calls;
    MENU(mnuEstiloMenu_Click) MENU(mnuFrequenciesList_Click) MENU(mnuColour_Click) MENU(mnuResolucion_Click)
    MENU(mnuTipoIdioma_Click) MENU(mnuFont_Click)
    CLICK(imgRXOFF1_Click) CLICK(imgRXOFF2_Click) CLICK(imgRXOFF3_Click)
    CLICK(imgRXOFF1MF_Click) CLICK(imgRXOFF2MF_Click) CLICK(imgRXOFF3MF_Click)
    CLICK(imgBaudOFF1_Click) CLICK(imgBaudOFF2_Click) CLICK(imgBaudOFF3_Click)
    CLICK(imgBaudOFF2MF_Click) CLICK(imgBaudOFF3MF_Click) CLICK(imgOFFWaterFall_Click)
    CLICK(imgONWaterFall_Click) CLICK(imgAFC50_Click) CLICK(imgAFC200_Click)
    void ShowAlarmOn(bool on) override { calls.push_back(on ? "AlarmOn" : "AlarmOff"); }
};
// clang-format on

StoredSetting Store(std::map<std::string, std::string> values) {
    return [values](std::string_view section, std::string_view key) -> std::optional<std::string> {
        auto it = values.find(std::string(section) + "/" + std::string(key));
        if (it == values.end()) return std::nullopt;
        return it->second;
    };
}

TEST(DisplaySettings, NothingStoredReplaysTheDefaultsInOrder) {
    RecordingTarget t;
    LoadDisplaySettings(t);
    LoadFontSize(t);
    LoadShiftRange(2, t);
    const std::vector<std::string> expected{"mnuEstiloMenu_Click 1", "mnuFrequenciesList_Click 11",
                                            "mnuColour_Click 3",     "mnuResolucion_Click 2",
                                            "mnuTipoIdioma_Click 1", "imgRXOFF2_Click",
                                            "imgRXOFF2MF_Click",     "AlarmOn",
                                            "imgBaudOFF1_Click",     "imgBaudOFF2MF_Click",
                                            "imgONWaterFall_Click",  "mnuFont_Click 1",
                                            "imgAFC200_Click"};
    EXPECT_EQ(t.calls, expected);
    EXPECT_EQ(LoadClearScreenOption(), 256);
}

TEST(DisplaySettings, StoredValuesChooseTheirHandlers) {
    RecordingTarget t;
    LoadDisplaySettings(t, Store({{"Pantalla/Color", "5"},
                                  {"Frecuencia/Menu", ""},  // empty reads as missing
                                  {"Conmutadores/Auto RX", "7"},
                                  {"Conmutadores/Auto RX MF", "1"},
                                  {"Conmutadores/Alarma", "0"},
                                  {"Conmutadores/Baudios", "abc"},
                                  {"Conmutadores/Baudios MF", "1"},
                                  {"Conmutadores/WaterFall", "1"}}));
    const std::vector<std::string> expected{"mnuEstiloMenu_Click 1", "mnuFrequenciesList_Click 11",
                                            "mnuColour_Click 5",     "mnuResolucion_Click 2",
                                            "mnuTipoIdioma_Click 1", "imgRXOFF3_Click",
                                            "imgRXOFF1MF_Click",     "AlarmOff",
                                            "imgBaudOFF3_Click",     "imgBaudOFF3MF_Click",
                                            "imgOFFWaterFall_Click"};
    EXPECT_EQ(t.calls, expected);

    EXPECT_EQ(LoadClearScreenOption(Store({{"Clear/Save Log", "1"}})), 0);
    EXPECT_EQ(LoadClearScreenOption(Store({{"Clear/Save Log", "2"}})), 256);
}

TEST(DisplaySettings, ShiftRangeIsReadPerBandClassButNeverForEme) {
    const StoredSetting wide =
        Store({{"Conmutadores/Shift Range MF", "1"}, {"Conmutadores/Shift Range HF", "1"}});
    RecordingTarget t;
    LoadShiftRange(1, t, wide);
    LoadShiftRange(2, t, wide);
    LoadShiftRange(3, t, wide);
    LoadShiftRange(2, t, Store({{"Conmutadores/Shift Range HF", "0"}}));
    EXPECT_EQ(t.calls, (std::vector<std::string>{"imgAFC50_Click", "imgAFC50_Click", "imgAFC200_Click",
                                                 "imgAFC200_Click"}));
}

}  // namespace
}  // namespace muv
