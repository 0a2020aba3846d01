// Where a window first stands: the arithmetic both front ends use on their own rectangles.

#include <gtest/gtest.h>

#include "ui/layout.h"

namespace penwick::testing {
namespace {

using ui::PixelPoint;
using ui::PixelRect;
using ui::StartPosition;

TEST(StartingPlace, CentresOnTheOwnerOnlyWhereAskedAndOnTheWorkAreaOtherwise) {
    // A work area below a taskbar at the top of the screen, and an owner moved by the user.
    const PixelRect workArea{0, 40, 1280, 920};
    const PixelRect owner{100, 200, 600, 400};
    struct Case {
        const char* name;
        StartPosition position;
        std::optional<PixelRect> owner;
        std::optional<PixelPoint> expected;
    };
    const Case cases[] = {
        {"on the screen", StartPosition::CenterScreen, std::nullopt, PixelPoint{440, 350}},
        {"on the screen, an owner notwithstanding", StartPosition::CenterScreen, owner,
         PixelPoint{440, 350}},
        {"on the owner", StartPosition::CenterOwner, owner, PixelPoint{200, 250}},
        {"no owner shown: on the screen", StartPosition::CenterOwner, std::nullopt,
         PixelPoint{440, 350}},
        {"placed by the logic", StartPosition::Manual, owner, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ui::startingPlace(c.position, workArea, c.owner, 400, 300), c.expected);
    }
}

}  // namespace
}  // namespace penwick::testing
