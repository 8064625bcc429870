// The main window's menu of the eight user profiles as the settings reach it: items 1 to 8 named after
// the profiles, the current profile's item ticked, and the parent menu showing the current name.
#pragma once

#include <string>

namespace muv {

class ProfileMenu {
public:
    static constexpr int kProfiles = 8;
    virtual ~ProfileMenu() = default;
    virtual void SetProfileItemCaption(int item, const std::string& name) = 0;
    virtual bool ProfileItemTicked(int item) const = 0;
    // Ticks item and unticks the others.
    virtual void TickProfileItem(int item) = 0;
    virtual void SetProfileMenuCaption(const std::string& name) = 0;
};

}  // namespace muv
