#include "ui/layout.h"

#include <cmath>

namespace penwick::ui {

int pixelsToTwips(int pixels, double dotsPerInch) {
    return static_cast<int>(std::lround(pixels * 1440.0 / dotsPerInch));
}

PixelRect toPixels(const Rect& twips, double dotsPerInch) {
    return {twipsToPixels(twips.left, dotsPerInch), twipsToPixels(twips.top, dotsPerInch),
            twipsToPixels(twips.width, dotsPerInch), twipsToPixels(twips.height, dotsPerInch)};
}

std::optional<PixelPoint> startingPlace(StartPosition position, const PixelRect& workArea,
                                        const std::optional<PixelRect>& owner, int width,
                                        int height) {
    if (position == StartPosition::Manual) return std::nullopt;
    const PixelRect& area = position == StartPosition::CenterOwner && owner ? *owner : workArea;
    return PixelPoint{area.left + (area.width - width) / 2, area.top + (area.height - height) / 2};
}

std::vector<std::size_t> buildOrder(const WindowDesc& window) {
    std::vector<std::size_t> order;
    for (const bool containers : {true, false}) {
        for (std::size_t i = 0; i < window.controls.size(); ++i)
            if ((window.controls[i].kind == ControlKind::Frame) == containers) order.push_back(i);
    }
    return order;
}

}  // namespace penwick::ui
