#include "settings/window_state_settings.h"

#include <optional>

#include "common/vb.h"

namespace muv {

namespace {

std::optional<std::string> Read(ProfileStore& store, std::string_view base, std::string_view key,
                                size_t buffer) {
    return store.Read(store.Section(base), key, buffer);
}

void Write(ProfileStore& store, std::string_view base, std::string_view key, std::string_view value) {
    store.Write(store.Section(base), key, value);
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

void LoadSpotFormPosition(ProfileStore& store, WindowPlace& place) {
    place = kSpotWindowPlace;
    ReadPlace(store, "Cluster", place);
}

void SaveSpotFormPosition(ProfileStore& store, const WindowPlace& place) {
    WritePlace(store, "Cluster", place);
}

}  // namespace muv
