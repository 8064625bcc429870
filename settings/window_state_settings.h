// The place of the spot windows, kept here as a plain value until those windows take it over.
#pragma once

#include <cstdint>
#include <string>

#include "common/profile_store.h"

namespace muv {

// A window's place on the screen: its left and top edges in pixels.
struct WindowPlace {
    int x = 0, y = 0;
};

// The two spot windows open at one shared place.
void LoadSpotFormPosition(ProfileStore& store, WindowPlace& place);
void SaveSpotFormPosition(ProfileStore& store, const WindowPlace& place);
constexpr WindowPlace kSpotWindowPlace{298, 51};

}  // namespace muv
