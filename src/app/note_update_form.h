#pragma once
// The main window: the note's date, type, text and attachment, and the two main actions.

#include "ui/program.h"

namespace penwick {
class App;
}

namespace penwick::app {

// The maker's addresses: the web address is shown and opened by Label8, the e-mail address
// shown by Label2.
inline constexpr std::u16string_view kMakerWebAddress = u"www.hollowfen.com";
inline constexpr std::u16string_view kMakerEmailAddress = u"support@hollowfen.com";

const ui::WindowDesc& noteUpdateDescription();

class NoteUpdateForm final : public ui::Form {
public:
    explicit NoteUpdateForm(App& app);

    // Enables the attachment row exactly while "File Attachment" is chosen, and paints the
    // path box to match.
    void RefreshAttachmentFields();

    // Unloads every other window, newest first, then this one; the program then ends.
    void closeSteps();

protected:
    void handle(const ui::Event& event) override;

private:
    void load();
    void activationSteps();
    void openCalendar();
    void takeCalendarDate();
    void attachFile();

    App& app_;
};

}  // namespace penwick::app
