#pragma once
// Windows described as data: a front end builds real windows from these, so the layout is
// written once for every front end.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace penwick::ui {

// Windows system colour indices; each front end maps them to its own palette roles.
enum class SysColor {
    Menu = 4,
    Window = 5,
    WindowText = 8,
    AppWorkspace = 12,
    ButtonFace = 15,
    GrayText = 17,
};

enum class ControlKind {
    Label,
    TextBox,           // single line
    MultiLineTextBox,  // no scroll bars
    DropDownList,      // the user picks, cannot type
    ListBox,           // single selection
    Button,
    Frame,
    MonthCalendar,
};

enum class Cursor { Default, Link };
enum class Image { None, MainIcon, LoginIcon, SpellIcon, LinkCursor };

struct Font {
    std::u16string face;
    double points = 8.25;
    bool bold = false;
    bool underline = false;
    bool operator==(const Font&) const = default;
};

// Twips: 1/1440 inch, relative to the container's client area.
struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct ControlDesc {
    std::string name;
    int index = -1;  // position in a control array, -1 for a plain control
    ControlKind kind = ControlKind::Label;
    std::u16string text;
    std::u16string toolTip;
    Rect geometry;
    std::optional<Font> font;  // none: the window's default font
    int tabIndex = 0;
    std::string parent;  // empty: the window itself
    std::optional<SysColor> background;
    std::optional<SysColor> foreground;
    Cursor cursor = Cursor::Default;
    bool visible = true;
    bool tabStop = true;  // labels and frames never take the focus
    bool readOnly = false;
    bool password = false;      // every character shown as "*"
    bool cancelButton = false;  // Esc presses it
    // What a screen reader calls the control when neither its label nor its text says what it
    // is (a ">" button, an abbreviated label).
    std::u16string accessibleName;
    // For a label: the control it names (by name, a plain control), for screen readers and as
    // the control its access key focuses.
    std::string labelFor;
};

enum class Border { Sizable, FixedDialog };
enum class StartPosition { CenterScreen, CenterOwner, Manual };

struct WindowDesc {
    std::string name;
    std::u16string caption;
    int clientWidth = 0;   // twips
    int clientHeight = 0;  // twips
    Border border = Border::Sizable;
    bool minimizeButton = true;
    bool maximizeButton = true;
    bool showInTaskbar = true;
    // A window without a taskbar entry belongs to the main window, unless it is shown with no
    // owner window at all.
    bool ownedByMainWindow = true;
    StartPosition startPosition = StartPosition::CenterScreen;
    std::optional<SysColor> background;
    Font defaultFont{u"MS Sans Serif", 8.25};
    Image icon = Image::None;
    std::vector<ControlDesc> controls;

    const ControlDesc* find(std::string_view control, int index = -1) const;

    // A dialog of fixed size: no minimise or maximise button, and no taskbar entry of its own.
    static WindowDesc fixedDialog(std::string name, std::u16string caption, int clientWidth,
                                  int clientHeight);
};

// Screen pixels from twips at a given logical resolution (15 twips per pixel at 96 dpi).
int twipsToPixels(int twips, double dotsPerInch);

}  // namespace penwick::ui
