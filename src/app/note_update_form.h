#pragma once
// The main window: the note's date, type, text and attachment, and the two main actions.

#include <optional>

#include "lookup/write_note.h"
#include "ui/program.h"

namespace penwick {
class App;
}

namespace penwick::app {

// The maker's addresses: the web address is shown and opened by Label8, the e-mail address
// shown by Label2.
inline constexpr std::u16string_view kMakerWebAddress = u"www.hollowfen.com";
inline constexpr std::u16string_view kMakerEmailAddress = u"hi@hollowfen.com";

const ui::WindowDesc& noteUpdateDescription();

// The main window's controls the handlers use, found once per load.
struct NoteUpdateControls {
    ui::Control& txtDate;
    ui::Control& cboNoteType;
    ui::Control& txtNote;
    ui::Control& cmdWriteNote;
    ui::Control& Label8;
    ui::Control& Cal;
    ui::Control& txtFile;
    ui::Control& lblFile;
    ui::Control& cmdFile;
    ui::Control& lblDateFormat;
};

class NoteUpdateForm final : public ui::Form, private lookup::WriteProgress {
public:
    explicit NoteUpdateForm(App& app);

    // The controls of the loaded window, loading it first when it is not.
    NoteUpdateControls& controls();

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
    void writeNote();
    void spellCheck();

    // What the write-note run shows while it works.
    void setCaption(std::u16string_view caption) override;
    void setWriteEnabled(bool enabled) override;
    void setProgress(const ui::Progress& progress) override;

    App& app_;
    std::optional<NoteUpdateControls> controls_;
};

}  // namespace penwick::app
