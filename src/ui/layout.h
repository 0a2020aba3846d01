#pragma once
// How a front end lays out a described window: the order it builds and stacks controls in, the
// tab order, where a window first stands, and twips against screen pixels. Worked out once here,
// so that each front end only makes the native calls.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "ui/description.h"
#include "util/failure.h"
#include "util/text.h"

namespace penwick::ui {

// Twips from screen pixels at a given logical resolution; the inverse of twipsToPixels.
int pixelsToTwips(int pixels, double dotsPerInch);

// A rectangle in screen pixels: a native window's frame, a screen's work area.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

struct PixelSize {
    int width = 0, height = 0;
};

// A control's place in its container, in pixels.
PixelRect toPixels(const Rect& twips, double dotsPerInch);

struct PixelPoint {
    int x = 0, y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// Where a window of outer size `width` x `height` first stands, or nothing for one placed by
// the logic: centred on its owner's frame where it asks for that and has a shown owner, else on
// the screen's work area.
std::optional<PixelPoint> startingPlace(StartPosition position, const PixelRect& workArea,
                                        const std::optional<PixelRect>& owner, int width,
                                        int height);

// The places in the description of the controls, in the order they are built: containers
// first, so that every control finds its parent; otherwise as described.
std::vector<std::size_t> buildOrder(const WindowDesc& window);

// A front end's controls, C being its ui::Control, by tab index (as described among equal
// ones), those `keep` accepts only.
template <class C, class Keep>
std::vector<C*> tabOrder(const std::vector<std::unique_ptr<C>>& controls, Keep keep) {
    std::vector<C*> order;
    for (const auto& c : controls)
        if (keep(*c)) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](const C* a, const C* b) {
        return a->description().tabIndex < b->description().tabIndex;
    });
    return order;
}

template <class C>
std::vector<C*> tabOrder(const std::vector<std::unique_ptr<C>>& controls) {
    return tabOrder(controls, [](const C&) { return true; });
}

// The small buttons lie over the right end of their text boxes: once a window is built, every
// button goes in front of its siblings.
template <class C>
void raiseButtons(const std::vector<std::unique_ptr<C>>& controls) {
    for (const auto& c : controls)
        if (c->description().kind == ControlKind::Button) c->bringToFront();
}

// The control of that name and index among a window's controls; failure 5 for one the window
// does not have.
template <class C>
C& findControl(const std::vector<std::unique_ptr<C>>& controls, const WindowDesc& window,
               std::string_view name, int index) {
    for (const auto& c : controls)
        if (c->description().name == name && c->description().index == index) return *c;
    raise(err::InvalidCall, fromUtf8(window.name) + u"." + fromUtf8(name));
}

}  // namespace penwick::ui
