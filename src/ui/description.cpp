#include "ui/description.h"

#include <cmath>

namespace penwick::ui {

const ControlDesc* WindowDesc::find(std::string_view control, int index) const {
    for (const auto& c : controls) {
        if (c.name == control && c.index == index) return &c;
    }
    return nullptr;
}

int twipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

}  // namespace penwick::ui
