#include "settings/display_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/private_profile.h"

namespace muv {
namespace {

// Records the handlers called, in order, and shows what the test sets for the savers.
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
    int FirstTickedItem(SettingsMenu menu) const override {
        auto it = ticked.find(menu);
        return it == ticked.end() ? 0 : it->second;
    }
    bool PictureShown(std::string_view name) const override { return shown.count(std::string(name)) > 0; }
    std::string FrequencyBoxText() const override { return frequency; }
    void SetFrequencyBoxText(const std::string& text) override { frequency = text; }
    std::map<SettingsMenu, int> ticked;
    std::set<std::string> shown;
    std::string frequency;
};
// clang-format on

TEST(DisplaySettings, NothingStoredReplaysTheDefaultsInOrder) {
    RecordingTarget t;
    MemoryProfileStore store;
    LoadDisplaySettings(store, t);
    LoadFontSize(store, t);
    LoadShiftRange(store, 2, t);
    LoadLastFrequency(store, t);
    const std::vector<std::string> expected{"mnuEstiloMenu_Click 1", "mnuFrequenciesList_Click 11",
                                            "mnuColour_Click 3",     "mnuResolucion_Click 2",
                                            "mnuTipoIdioma_Click 1", "imgRXOFF2_Click",
                                            "imgRXOFF2MF_Click",     "AlarmOn",
                                            "imgBaudOFF1_Click",     "imgBaudOFF2MF_Click",
                                            "imgONWaterFall_Click",  "mnuFont_Click 1",
                                            "imgAFC200_Click"};
    EXPECT_EQ(t.calls, expected);
    EXPECT_EQ(LoadClearScreenOption(store), 256);
    EXPECT_EQ(t.frequency, "14101.0");
    EXPECT_EQ(store.writes, 0);
}

TEST(DisplaySettings, StoredValuesChooseTheirHandlersAndBadOnesTheDefaults) {
    RecordingTarget t;
    MemoryProfileStore store(
        "[Pantalla]\r\nColor=5\r\nResolucion=9\r\nEstilo Menu=-1\r\n[Frecuencia]\r\nMenu=\r\n"
        "[Idioma]\r\nIdioma=99999999999\r\n"
        "[Conmutadores]\r\nAuto RX=7\r\nAuto RX MF=1\r\nAlarma=0\r\nBaudios=abc\r\nBaudios MF=1\r\n"
        "WaterFall=1\r\n[Clear]\r\nSave Log=1\r\n[Fuente]\r\nTama\xF1o=3.4\r\n");
    LoadDisplaySettings(store, t);
    LoadFontSize(store, t);
    const std::vector<std::string> expected{"mnuEstiloMenu_Click 1", "mnuFrequenciesList_Click 11",
                                            "mnuColour_Click 5",     "mnuResolucion_Click 2",
                                            "mnuTipoIdioma_Click 1", "imgRXOFF3_Click",
                                            "imgRXOFF1MF_Click",     "AlarmOff",
                                            "imgBaudOFF3_Click",     "imgBaudOFF3MF_Click",
                                            "imgOFFWaterFall_Click", "mnuFont_Click 3"};
    EXPECT_EQ(t.calls, expected);
    EXPECT_EQ(LoadClearScreenOption(store), 0);
    store.Write("Clear", "Save Log", "2");
    EXPECT_EQ(LoadClearScreenOption(store), 256);
}

TEST(DisplaySettings, SavesWhatTheWindowShowsUnderTheProfileAndLoadsItBack) {
    RecordingTarget t;
    t.ticked = {{SettingsMenu::EstiloMenu, 2}, {SettingsMenu::FrequenciesList, 18}, {SettingsMenu::Colour, 7},
                {SettingsMenu::Resolucion, 4}, {SettingsMenu::TipoIdioma, 5}};
    t.shown = {"imgRXON1", "imgRXON3MF", "imgBaudON2", "imgBaudON3MF", "imgONWaterFall"};
    t.frequency = "7040.0";
    MemoryProfileStore store;
    store.SetProfileSuffix("3");
    SaveDisplaySettings(store, t);
    SaveFontSize(store, t);
    SaveClearScreenOption(store, 0);
    SaveLastFrequency(store, t);
    EXPECT_EQ(store.Text(),
              "[Pantalla3]\r\nEstilo Menu= 2\r\nColor= 7\r\nResolucion= 4\r\n"
              "[Frecuencia3]\r\nMenu= 18\r\n[Idioma3]\r\nIdioma= 5\r\n"
              "[Conmutadores3]\r\nAuto RX=1\r\nAuto RX MF=3\r\nAlarma=0\r\nBaudios=2\r\nBaudios MF=3\r\nWaterFall=1\r\n"
              "[Fuente3]\r\nTama\xF1o=\r\n[Clear3]\r\nSave Log=1\r\n[RIG3]\r\nUltima Frecuencia=7040.0\r\n");

    RecordingTarget back;
    LoadDisplaySettings(store, back);
    LoadFontSize(store, back);
    LoadLastFrequency(store, back);
    EXPECT_EQ(back.calls, (std::vector<std::string>{"mnuEstiloMenu_Click 2", "mnuFrequenciesList_Click 18",
                                                    "mnuColour_Click 7", "mnuResolucion_Click 4",
                                                    "mnuTipoIdioma_Click 5", "imgRXOFF1_Click", "imgRXOFF3MF_Click",
                                                    "AlarmOff", "imgBaudOFF2_Click", "imgBaudOFF3MF_Click",
                                                    "imgOFFWaterFall_Click", "mnuFont_Click 1"}))
        << "no size ticked reads back as size 1";
    EXPECT_EQ(back.frequency, "7040.0");
    EXPECT_EQ(LoadClearScreenOption(store), 0);
    store.SetProfileSuffix("");
    EXPECT_EQ(LoadClearScreenOption(store), 256) << "profile 1 has its own sections";
}

TEST(DisplaySettings, ShiftRangeIsKeptPerBandClassButNeverReadForEme) {
    MemoryProfileStore store;
    SaveShiftRange(store, 1, true);
    SaveShiftRange(store, 2, true);
    SaveShiftRange(store, 3, true);
    EXPECT_EQ(store.Text(), "[Conmutadores]\r\nShift Range MF=1\r\nShift Range HF=1\r\nShift Range EME=1\r\n");
    RecordingTarget t;
    LoadShiftRange(store, 1, t);
    LoadShiftRange(store, 2, t);
    LoadShiftRange(store, 3, t);
    SaveShiftRange(store, 2, false);
    LoadShiftRange(store, 2, t);
    EXPECT_EQ(t.calls, (std::vector<std::string>{"imgAFC50_Click", "imgAFC50_Click", "imgAFC200_Click",
                                                 "imgAFC200_Click"}));
}

}  // namespace
}  // namespace muv
