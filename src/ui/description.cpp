#include "ui/description.h"

#include <cmath>
#include <utility>

namespace penwick::ui {

const ControlDesc* WindowDesc::find(std::string_view control, int index) const {
    for (const auto& c : controls) {
        if (c.name == control && c.index == index) return &c;
    }
    return nullptr;
}

WindowDesc WindowDesc::fixedDialog(std::string name, std::u16string caption, int clientWidth,
                                   int clientHeight) {
    WindowDesc w;
    w.name = std::move(name);
    w.caption = std::move(caption);
    w.clientWidth = clientWidth;
    w.clientHeight = clientHeight;
    w.border = Border::FixedDialog;
    w.minimizeButton = false;
    w.maximizeButton = false;
    w.showInTaskbar = false;
    return w;
}

int twipsToPixels(int twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

}  // namespace penwick::ui
