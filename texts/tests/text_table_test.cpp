// The language files: every language names every text English has (but the few it leaves out on
// purpose), in the same order, keeps the texts the program has always shown word for word, and reads
// back whatever a translator's editor did to the file without losing a line it could read.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <tuple>
#include <utility>

#include "test_support/mutation.h"
#include "texts/text_table.h"

namespace muv {
namespace {

TEST(TextTable, EveryLanguageHasEveryTextInOrderButThoseLeftOutOnPurpose) {
    const LanguageTexts& english = BuiltInLanguage(1);
    ASSERT_EQ(english.rows.size(), 114u);
    const std::set<std::pair<int, std::string>> leftOut = {{3, "frmRig.chkDigital"},
                                                           {3, "frmScan"},
                                                           {9, "frmInternalSpot.lblCall"},
                                                           {9, "frmInternalSpot.lblComentario"}};
    for (int language = 1; language <= 11; ++language) {
        SCOPED_TRACE(kLanguageCodes[static_cast<size_t>(language - 1)]);
        std::vector<std::string> problems;
        const LanguageTexts texts = ParseLanguageFile(BuiltInLanguageFile(language), &problems);
        EXPECT_TRUE(problems.empty()) << problems.front();
        size_t at = 0;
        for (const auto& [key, text] : english.rows) {
            if (leftOut.count({language, key})) {
                EXPECT_EQ(texts.Find(key), nullptr) << key;
                continue;
            }
            ASSERT_LT(at, texts.rows.size()) << key;
            EXPECT_EQ(texts.rows[at].first, key);
            EXPECT_FALSE(texts.rows[at].second.empty()) << key;
            ++at;
        }
        EXPECT_EQ(at, texts.rows.size()) << "a text English does not have";
    }
    EXPECT_TRUE(BuiltInLanguage(0).rows.empty());
    EXPECT_TRUE(BuiltInLanguage(12).rows.empty());
}

// The texts the program has always shown, word for word: blanks and odd spellings included, the Russian
// ones in Cyrillic with the words they have always had, and the few a language leaves out on purpose.
// A text a language has beyond these is its translator's to word.
constexpr const char* kLeftOut = nullptr;
constexpr const char* kOwnChoice = "";
// Every English text, in the order the program sets them.
constexpr std::pair<const char*, const char*> kEnglish[] = {
    {"frmStatistics.fraIndicativos", "Callsigns"},
    {"frmMain.mnuDonate", "Donate"},
    {"frmAlarms.chkClusterSpot", "Cluster Spot Received"},
    {"frmAlarms.chkCallsign", "New Callsign"},
    {"frmAlarms.chkDXCC", "New DXCC"},
    {"frmAlarms.chkMensajeParaMi", "Someone is calling me"},
    {"frmAlarms.fraSonidos", "Sounds"},
    {"frmMain.mnuMenuStyle", "Menu Style"},
    {"frmMain.mnuGUI", "Preferences"},
    {"frmProfiles", "User Profiles"},
    {"frmMain.mnuUserProfiles", "User Profiles"},
    {"frmInternalSpot.lblCall", "Callsign"},
    {"frmInternalSpot.lblComentario", "Comment"},
    {"frmMain.mnuAlarma", "Alarm / Sounds"},
    {"frmMain.mnuColor", "Colour"},
    {"frmAlarms.lblVolumen", "Alarm Volume"},
    {"frmAlarms.fraAlarma", "Alarm Selection"},
    {"frmAlarms.optArchivoSonido", "Sound File"},
    {"frmAlarms.cmdPathAlarma", "OPEN"},
    {"TxtOpenSoundFile", "Open Sound File"},
    {"frmAlarms", "Alarm"},
    {"TxtFrameAcquisition", "Frame Acquisition: "},
    {"TxtFinalAcquisition", "Final Acquisition: "},
    {"TxtFrequencyShift", "Frequency Shift: "},
    {"TxtVolume", "Volume: "},
    {"TxtCpuUsage", "CPU Usage: "},
    {"TxtCpuUnavailable", "CPU Usage: Not avaiable"},
    {"frmStatistics", "Stats"},
    {"frmStatistics.fraLejano", "Farthest Contact"},
    {"frmStatistics.lblMensaje", "Message"},
    {"frmStatistics.lblDistancia", "Distance (Km)"},
    {"frmStatistics.lblDireccion", "Heading (º)"},
    {"frmStatistics.lblFecha", "Date"},
    {"frmStatistics.lblModo", "Mode"},
    {"frmStatistics.lblFrecuencia", "Frequency (Mhz)"},
    {"frmStatistics.fraShift", "Mean Frequency Shift (Hz)"},
    {"frmMain.mnuTamano", "Font Size"},
    {"frmMain.mnuEstadisticas", "Stats"},
    {"frmMain.mnuPantalla", "Resolution"},
    {"frmMain.mnuConfigure", "Configure"},
    {"frmMain.mnuMacros", "Macros"},
    {"frmMain.mnuBeacon", "Beacon"},
    {"frmMain.mnuFrequencies", "Frequencies"},
    {"frmMain.mnuHelp", "Help"},
    {"frmMain.mnuOperator", "Operator"},
    {"frmMain.mnuRig", "Rig"},
    {"frmMain.mnuTarjetaSonido", "SoundCard"},
    {"frmMain.mnuLanguage", "Language"},
    {"frmMain.mnuShortcuts", "Shortcuts"},
    {"frmMain.mnuAbout", "About"},
    {"frmMain.fraAlarma", "Alarm"},
    {"frmMain.fraSymbolRateMF", "Symbol Rate"},
    {"frmMain.fraSymbolRateHF", "Symbol Rate"},
    {"frmMain.fraBeacon", "Beacon"},
    {"frmQsoEntry.fraUltimoContacto", "Last contact"},
    {"frmQsoEntry.lblFechaHistorial", "Date"},
    {"frmQsoEntry.lblBandaHistorial", "Band"},
    {"frmQsoEntry.lblCall", "Callsign"},
    {"frmQsoEntry.lblFrecuencia", "Frequency"},
    {"frmQsoEntry.lblDistancia", "Distance"},
    {"frmQsoEntry.lblFecha", "Date"},
    {"frmQsoEntry.lblHoraON", "Time ON"},
    {"frmQsoEntry.lblHoraOFF", "Time OFF"},
    {"frmQsoEntry.lblNotas", "Notes"},
    {"frmQsoEntry.cmdGenerarADIF", "EXPORT QSO"},
    {"frmQsoEntry.lblNombre", "Name"},
    {"frmOperator", "Operator"},
    {"frmOperator.lblCallSign", "Callsign"},
    {"frmOperator.lblName", "Name"},
    {"frmEmailReport", "E-Mail Report"},
    {"frmEmailReport.fraAccount", "E-mail Account"},
    {"frmEmailReport.optNoInternet", "Internet not avaiable"},
    {"frmEmailReport.lblServer", "SMTP Server:"},
    {"frmEmailReport.lblUsuarioSMTP", "Username:"},
    {"frmEmailReport.lblEmailAddress", "Email address:"},
    {"frmEmailReport.chkAuthentication", "Authentication"},
    {"frmEmailReport.lblUser", "Username:"},
    {"frmEmailReport.fraOptions", "Report Options"},
    {"frmEmailReport.optReportUltimo", "Message received"},
    {"frmEmailReport.optReportTodo", "All my RX screen"},
    {"frmEmailReport.lblMensajeFinal", "Final Message:"},
    {"frmBeacon", "Beacon"},
    {"frmBeacon.fraBeaconTimer", "Beacon Timer"},
    {"frmBeacon.fraBeacon", "Beacon Mode"},
    {"frmBeacon.optBeaconReportMode", "Beacon + Report (BRM)"},
    {"frmBeacon.optBeaconOnlyMode", "Beacon Only (BOM)"},
    {"frmBeacon.optReportOnlyMode", "Report Only (ROM)"},
    {"frmBeacon.lblReport16y8", "Beacon Report Message"},
    {"TxtEmailSent", "Email sent"},
    {"TxtEmailError", "Error: E-mail could not be sent"},
    {"frmLogDirectories.fraDirectorioLog", "Log Folder"},
    {"frmLogDirectories.fraDirectorioADIF", "ADIF File"},
    {"frmLogDirectories.chkAutoSaveLogClose", "Save Log when you close the program"},
    {"frmLogDirectories.cmdPathLog", "PATH"},
    {"frmLogDirectories.cmdPathADIF", "PATH"},
    {"frmRig", "Rig Setup"},
    {"frmRig.fraRig", "Rig"},
    {"frmRig.chkDisableCAT", "Disable CAT"},
    {"frmRig.cmdConfigureRig", "Configure CAT"},
    {"frmRig.fraPort", "Port"},
    {"frmRig.fraDDS", "DDS Frequency USB"},
    {"frmRig.chkDigital", "Digital Mode"},
    {"frmRig.Image1", "Rig control help"},
    {"frmRig.Label2", "Hamlib documentation"},
    {"TxtRigOnline", "Rig online"},
    {"frmScan", "Scan Setup"},
    {"frmScan.fraFrequencies", "Scan Frequencies"},
    {"frmScan.lblScanTime", "Scan Time"},
    {"frmShortcuts", "Shortcuts"},
    {"frmSoundCard", "SoundCard Configuration"},
    {"frmSoundCard.lblDeviceInput", "Device Input"},
    {"frmSoundCard.lblDeviceOutput", "Device Output"},
    {"frmAbout", "About MUV"},
    {"frmMacros", "Macros"},
};
// Texts of languages 2 to 11 (Spanish to Hungarian); the two own choices of the translators need only
// keep their given start and end, below.
constexpr std::pair<const char*, std::array<const char*, 10>> kAllLanguages[] = {
    {"TxtOpenSoundFile",
     {"Abrir Archivo de Sonido", "Ouvrir Fichier Son", "Apri File Musicale", "Open Sound File",
      "Open Sound File", "Open Sound File", "Open Sound File", "Откр. звуковой файл", "Open Sound File",
      "Hang Állomány Megnyítása"}},
    {"TxtFrameAcquisition",
     {"Adquisicion de Trama: ", "Acquisition de Trame: ", "Acquisizione Frame: ", "Frame-Erfassung: ",
      "Frame Acquisition: ", "Záchyt úvodních rámců: ", "Frame Acquisition: ", "Захват сигнала: ",
      "Bilberen eskuraketa: ", "Keret Vétel: "}},
    {"TxtFinalAcquisition",
     {"Adquisicion Final: ", "Acquisition Finale: ", "Acquisizione Finale: ", "Final-Erfassung: ",
      "Final Acquisition: ", "Záchyt koncových rámců: ", "Aquisição final: ", " Конец захвата: ",
      "Azken eskuraketa: ", "Végső Vétel: "}},
    {"TxtFrequencyShift",
     {"Desplazamiento: ", "Déplacement: ", "Shift Frequenza: ", "Frequenzverschiebung: ",
      "Frequentie Shift: ", "Posun frekvence: ", "Mudar frequência: ", "Разнос частот: ", "Desplazamendu: ",
      "Frekvencia Eltolás: "}},
    {"TxtVolume",
     {"Volumen: ", "Volume: ", "Volume: ", "Volumen: ", "Volume: ", "Hlasitost: ", "Volume: ", "Громкость: ",
      "Bolumen: ", "Hangerő: "}},
    {"TxtCpuUsage",
     {"Uso de CPU: ", "Utilisation du CPU: ", "Carico CPU: ", "CPU-Last: ", "CPU Gebruik: ", "Využití CPU: ",
      "Uso da CPU: ", "CPU загрузка: ", "CPUaren erabilera: ", "CPU Használat: "}},
    {"TxtCpuUnavailable",
     {"Uso de CPU: No disponible", "Utilisation du CPU: Non disponible", "Carico CPU: Non disponibile",
      "CPU-Last: Nicht verfügbar", "CPU Gebruik: Niet beschikbaar", "Využití CPU: Nedostupné",
      "Uso da CPU: Não disponível", "CPU загрузка : Не возможно", "CPUaren erabilera: Ez baliagarri",
      "CPU Használat: Nem elérhető"}},
    {"TxtEmailSent",
     {"Email enviado", "E-mail envoyé", "e-mail inviata", "E-Mail gesendet", "Email verzonden",
      "E-mail odeslán", "E-mail enviado", "Email послан", "Emaila bidalduta", "Email elküldve"}},
    {"TxtEmailError",
     {"Error: No se pudo enviar el E-mail", "Erreur: L'e-mail n'a pas pu être envoyé",
      "Errore: invio e-mail non riuscito", "Fehler: E-Mail konnte nicht gesendet werden",
      "Fout: E-mail kan niet verzonden worden", "Chyba: e-mail nelze odeslat",
      "Erro: O e-mail não pode ser enviado", "Ошибка: E-mail не послан", "Okerra: Ezin bidaldu E-maila",
      "Hiba: E-mail küldése nem sikerült"}},
    {"frmMain.mnuLanguage",
     {"Idioma", "Langue", "Lingua", "Sprache", "Taal", "Jazyk", "Idioma", "Language", "Hizkuntza", "Nyelv"}},
    {"frmMain.mnuMenuStyle",
     {"Estilo Menús", "Style du Menu", "Stile Menu", "Menu Style", "Menu Style", "Menu Style", "Menu Style",
      "Стили меню", "Menu Style", "Menu Style"}},
    {"frmMain.mnuAbout",
     {"Acerca De", "A propos De", "Su MUV", "Über", "Over", "O programu", "Aobre", "О программе",
      "-ren gainean", "Névjegy"}},
    {"frmAbout",
     {"Acerca de MUV", "A propos de MUV", "Su MUV", "Über MUV", "Over MUV", "O módu MUV", "Sobre o MUV",
      "О MUV", "MUVeren gainean", "Névjegy MUV"}},
    {"frmScan",
     {"Scan Setup", kLeftOut, "Configura Scansione", "Scan Einrichtung", "Scan instellingen",
      "Nastavení skanování", "Configuração do Scan", "Установки сканирование", "Eskaner Setup",
      "Keresés Beállítás"}},
    {"frmRig.chkDigital",
     {"Modo Digital", kLeftOut, "Modo Digitale", "Digital-Modus", "Digitale Modus", "Mód digitální",
      "Modo Digital", "Режим DIGITAL", "Digital-modua", "Digitális Mód"}},
    {"frmInternalSpot.lblCall",
     {"Indicativo", "Indicatif", "Indicativo", "Callsign", "Callsign", "Callsign", "Callsign", kLeftOut,
      "Callsign", "Hívójel"}},
    {"frmStatistics.lblDireccion",
     {"Direccion (º)", "Azimut (º)", "Corso (º)", "Kurs (º)", "Antennerichting (°)", "Předmět (º)",
      "Direção (º)", "Азимут(º)", "Norabide (º)", kOwnChoice}},
    {"frmRig.fraDDS",
     {kOwnChoice, "DDS Fréquence USB", "Frequenza DDS USB", "DDS Frequenz USB", "DDS Frequentie USB",
      "USB frekvence DDS", "DDS Frequency USB", "DDS частота USB", "DDS Frekuentzia USB",
      "DDS Frekvencia USB"}},
};
// Single texts of one language.
constexpr std::tuple<int, const char*, const char*> kOneLanguage[] = {
    {2, "frmMain.mnuAlarma", "Alarma / Sonidos"},
    {2, "frmEmailReport.lblUser", "Usuario:"},
    {9, "frmMain.mnuUserProfiles", "Профили пользователей"},
    {9, "frmProfiles", "Профили пользователей"},
    {9, "frmMain.mnuColor", "Цвет"},
    {9, "frmEmailReport", "E-Mail рапорт"},
    {9, "frmInternalSpot.lblComentario", kLeftOut},
    {9, "frmMain.mnuHelp", "Помощь"},
    {9, "frmBeacon.optReportOnlyMode", "Только рапорт (ROM)"},
    {9, "frmMain.mnuBeacon", "Маяк"},
    {9, "frmMain.fraBeacon", "Маяк"},
    {9, "frmBeacon", "Маяк"},
};

TEST(TextTable, TheProgramsOwnWordingStaysAsItIs) {
    auto expect = [](int language, const char* key, const char* text) {
        const std::string* has = BuiltInLanguage(language).Find(key);
        const std::string where = std::string(kLanguageCodes[static_cast<size_t>(language - 1)]) + " " + key;
        if (!text) {
            EXPECT_EQ(has, nullptr) << where;
        } else if (*text) {
            EXPECT_EQ(has ? *has : "(missing)", text) << where;
        }
    };
    const LanguageTexts& english = BuiltInLanguage(1);
    ASSERT_EQ(english.rows.size(), std::size(kEnglish));
    for (size_t i = 0; i < std::size(kEnglish); ++i) {
        EXPECT_EQ(english.rows[i].first, kEnglish[i].first);
        expect(1, kEnglish[i].first, kEnglish[i].second);
    }
    for (const auto& [key, texts] : kAllLanguages)
        for (size_t i = 0; i < texts.size(); ++i)
            expect(static_cast<int>(i) + 2, key, texts[i]);
    for (const auto& [language, key, text] : kOneLanguage)
        expect(language, key, text);
    const std::string dds = *BuiltInLanguage(2).Find("frmRig.fraDDS");
    EXPECT_TRUE(dds.starts_with("DDS ") && dds.ends_with(" USB")) << dds;
    const std::string heading = *BuiltInLanguage(11).Find("frmStatistics.lblDireccion");
    EXPECT_TRUE(heading.starts_with("Irányszög (") && heading.ends_with(")")) << heading;
}

// Czech and Hungarian are written in their own letters, never in the look-alikes (ù for ů, õ or ô for ő,
// û for ű, ø for ř, ì for ě) that a text passed through another code page comes back with.
TEST(TextTable, CzechAndHungarianTextsAreInTheirOwnLetters) {
    const std::pair<int, std::string> alphabets[] = {
        {7, "áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ"},
        {11, "áéíóöőúüűÁÉÍÓÖŐÚÜŰ"},
    };
    for (const auto& [language, letters] : alphabets)
        for (const auto& [key, text] : BuiltInLanguage(language).rows)
            for (size_t i = 0; i < text.size();) {
                const auto lead = static_cast<unsigned char>(text[i]);
                const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
                const std::string character = text.substr(i, length);
                EXPECT_TRUE(length == 1 || character == "º" || letters.find(character) != std::string::npos)
                    << kLanguageCodes[static_cast<size_t>(language - 1)] << " " << key << ": " << character
                    << " in \"" << text << "\"";
                i += length;
            }
}

TEST(TextTable, AnEditedFileIsReadLineByLineAndTellsWhatItCouldNotRead) {
    std::vector<std::string> problems;
    const LanguageTexts t = ParseLanguageFile(
        "# comment\r\n\r\nfrmMain.mnuHelp = \"Help \"\r\nno equals\r\nfrmMain.mnuHelp = \"again\"\r\n"
        "frm Main = \"x\"\r\nTxtVolume = unquoted\r\n  frmAbout=\"About \"MUV\"\"  \r\nTxtVolume = \"\"",
        &problems);
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(*t.Find("frmMain.mnuHelp"), "Help ");
    EXPECT_EQ(*t.Find("frmAbout"), "About \"MUV\"");
    EXPECT_EQ(*t.Find("TxtVolume"), "");
    EXPECT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].rfind("line 4:", 0), 0u) << problems[0];
}

TEST(TextTable, RandomAndMutatedFilesNeverFail) {
    std::mt19937 rng(7);
    const std::string base(BuiltInLanguageFile(2));
    for (int round = 0; round < 2000; ++round) {
        std::string file = base;
        test::MutateText(file, rng, 1 + static_cast<int>(rng() % 20), 39, "=\"\n#\r x");
        std::vector<std::string> problems;
        const LanguageTexts t = ParseLanguageFile(file, &problems);
        EXPECT_LE(t.rows.size(), 200u);
        std::set<std::string> keys;
        for (const auto& row : t.rows)
            EXPECT_TRUE(keys.insert(row.first).second) << "a key kept twice";
    }
}

}  // namespace
}  // namespace muv
