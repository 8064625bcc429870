// The settings groups of the windows that keep their state here as plain values until the windows
// themselves take it over: the contact-entry window's fields and place; the spot windows' place. Each
// group is loaded and saved under the current profile.
#pragma once

#include <cstdint>
#include <string>

#include "common/profile_store.h"

namespace muv {


// A window's place on the screen: its left and top edges in pixels.
struct WindowPlace {
    int x = 0, y = 0;
};

// The contact-entry window's kept fields (eQSL upload, the partner's name, QTH and locator) and place.
struct QsoFormSettings {
    bool chkEQSL = false;
    std::string txtNombre, txtQTH, txtLocator;
    WindowPlace place{90, 273};
};
void LoadQsoFormSettings(ProfileStore& store, QsoFormSettings& form);
void SaveQsoFormSettings(ProfileStore& store, const QsoFormSettings& form);

// The two spot windows open at one shared place.
void LoadSpotFormPosition(ProfileStore& store, WindowPlace& place);
void SaveSpotFormPosition(ProfileStore& store, const WindowPlace& place);
constexpr WindowPlace kSpotWindowPlace{298, 51};

}  // namespace muv
