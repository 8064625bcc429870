#include "settings/window_state_settings.h"

#include <cmath>
#include <optional>

#include "common/vb.h"

namespace muv {

namespace {

std::optional<std::string> Read(ProfileStore& store, std::string_view base, std::string_view key, size_t buffer) {
    return store.Read(store.Section(base), key, buffer);
}

void Write(ProfileStore& store, std::string_view base, std::string_view key, std::string_view value) {
    store.Write(store.Section(base), key, value);
}

bool Ticked(ProfileStore& store, std::string_view base, std::string_view key, size_t buffer, bool missing) {
    const std::optional<std::string> v = Read(store, base, key, buffer);
    return v ? Val(*v) == 1 : missing;
}

const char* Flag(bool ticked) {
    return ticked ? "1" : "0";
}

// A whole number stored as text; nullopt when missing or outside [low, high].
std::optional<int64_t> Whole(ProfileStore& store, std::string_view base, std::string_view key, size_t buffer,
                             double low, double high) {
    const std::optional<std::string> v = Read(store, base, key, buffer);
    if (!v) return std::nullopt;
    const double n = RoundHalfEven(Val(*v));
    if (!(n >= low && n <= high)) return std::nullopt;
    return static_cast<int64_t>(n);
}

// A number written whatever the user's locale: "." as the decimal point, no exponent for ordinary values.
std::string PlainNumber(double value) {
    std::string text = Str(value);
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

// Line breaks of any kind as "<Return>", and back as CR LF.
std::string JoinLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "<Return>";
        } else {
            out += text[i];
        }
    }
    return out;
}
std::string SplitLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 8, "<Return>") == 0) {
            out += "\r\n";
            i += 8;
        } else {
            out += text[i++];
        }
    }
    return out;
}

void ReadPlace(ProfileStore& store, std::string_view base, WindowPlace& place) {
    // A place beyond any screen's reach is taken as not stored; a place off the present screens is
    // brought back by the window when it is shown.
    place.x = static_cast<int>(Whole(store, base, "PosicionVentanaX", 50, -100000, 100000).value_or(place.x));
    place.y = static_cast<int>(Whole(store, base, "PosicionVentanaY", 50, -100000, 100000).value_or(place.y));
}

void WritePlace(ProfileStore& store, std::string_view base, const WindowPlace& place) {
    Write(store, base, "PosicionVentanaX", std::to_string(place.x));
    Write(store, base, "PosicionVentanaY", std::to_string(place.y));
}

}  // namespace

void LoadStatistics(ProfileStore& store, StatisticsRecord& r) {
    if (const auto v = Read(store, "Estadisticas", "Direccion", 20)) r.txtDireccion = *v;
    if (const auto v = Read(store, "Estadisticas", "Suma Shift", 20)) {
        const double sum = Val(*v);
        if (std::isfinite(sum)) r.ShiftSum = sum;
    }
    if (const auto v = Whole(store, "Estadisticas", "Contador Shift", 20, 0, 2147483647.0))
        r.ShiftCount = static_cast<int32_t>(*v);
    if (const auto v = Read(store, "Estadisticas", "Shift", 20)) r.txtShift = *v;
    if (const auto v = Read(store, "Estadisticas", "Mensaje", 200)) r.txtMensaje = SplitLines(*v);
    if (const auto v = Read(store, "Estadisticas", "Distancia", 200)) r.txtDistancia = *v;
    if (const auto v = Read(store, "Estadisticas", "Fecha", 200)) r.txtFecha = *v;
    if (const auto v = Read(store, "Estadisticas", "SN", 200)) r.txtSN = *v;
    if (const auto v = Read(store, "Estadisticas", "Frecuencia", 200)) r.txtFrecuencia = *v;
    if (const auto v = Read(store, "Estadisticas", "Modo", 200)) r.txtModo = *v;
}

void SaveStatistics(ProfileStore& store, const StatisticsRecord& r) {
    Write(store, "Estadisticas", "Direccion", r.txtDireccion);
    Write(store, "Estadisticas", "Contador Shift", std::to_string(r.ShiftCount));
    Write(store, "Estadisticas", "Suma Shift", PlainNumber(r.ShiftSum));
    Write(store, "Estadisticas", "Shift", r.txtShift);
    Write(store, "Estadisticas", "Mensaje", JoinLines(r.txtMensaje));
    Write(store, "Estadisticas", "Distancia", r.txtDistancia);
    Write(store, "Estadisticas", "Fecha", r.txtFecha);
    Write(store, "Estadisticas", "SN", r.txtSN);
    Write(store, "Estadisticas", "Frecuencia", r.txtFrecuencia);
    Write(store, "Estadisticas", "Modo", r.txtModo);
}

void LoadAlarmSettings(ProfileStore& store, AlarmChoices& a) {
    a.chkClusterSpot = Ticked(store, "Alarma", "ClusterSpot", 10, true);
    a.chkCallsign = Ticked(store, "Alarma", "Callsign", 10, false);
    a.chkDXCC = Ticked(store, "Alarma", "DXCC", 10, false);
    a.chkMensajeParaMi = Ticked(store, "Alarma", "MensajeParaMi", 10, false);
    if (const auto v = Read(store, "Alarma", "Archivo Audio", 200)) a.txtArchivoSonido = *v;
    a.optSpeaker = Ticked(store, "Alarma", "Opcion Alarma", 50, true);
}

void SaveAlarmSettings(ProfileStore& store, const AlarmChoices& a) {
    Write(store, "Alarma", "ClusterSpot", Flag(a.chkClusterSpot));
    Write(store, "Alarma", "Callsign", Flag(a.chkCallsign));
    Write(store, "Alarma", "DXCC", Flag(a.chkDXCC));
    Write(store, "Alarma", "MensajeParaMi", Flag(a.chkMensajeParaMi));
    Write(store, "Alarma", "Archivo Audio", a.txtArchivoSonido);
    Write(store, "Alarma", "Opcion Alarma", a.optSpeaker ? "1" : "2");
}

void LoadSpotFormPosition(ProfileStore& store, WindowPlace& place) {
    place = kSpotWindowPlace;
    ReadPlace(store, "Cluster", place);
}

void SaveSpotFormPosition(ProfileStore& store, const WindowPlace& place) {
    WritePlace(store, "Cluster", place);
}

}  // namespace muv
