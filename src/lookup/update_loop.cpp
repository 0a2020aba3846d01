#include "lookup/update_loop.h"

#include "app/app.h"
#include "app/note_types.h"
#include "app/note_update_form.h"
#include "util/text.h"

namespace penwick::lookup {

namespace {
enum Field : std::int16_t {
    kContactId = 1,
    kNoteType = 25,
    kNoteText = 26,
    kAttachment = 28,
    kNoteContact = 29,
    kNoteDate = 200,
};
}  // namespace

void runUpdateLoop(App& app, Database& database, std::int32_t n, std::int16_t noteTypeCode) {
    auto& ids = app.state().ContactIds;
    app::NoteUpdateForm& main = app.frmNoteUpdate();
    ui::Program& program = app.program();

    ids.assign(1, std::u16string{});  // index 0 exists and stays empty
    while (!database.Contact().IsEOF()) {
        ids.push_back(toText(database.Contact().Data(kContactId)));
        database.Contact().movenext();
    }
    database.Contact().MoveFirst();

    const std::u16string of = u" of " + decimal(n);
    // The boxes are handed over themselves, so an edit made while the loop yields reaches
    // the records written after it.
    const TextSource& note = main.control("txtNote");
    const TextSource& file = main.control("txtFile");
    const TextSource& date = main.control("txtDate");
    for (std::size_t i = 1; i < ids.size(); ++i) {
        main.window().setCaption(u"Penwick: Updating " + decimal(static_cast<std::int64_t>(i)) + of);
        program.yield();
        database.Contact().Lookup(kContactId, ids[i], 1);
        NoteHistory& history = database.NOTEHISTORY();
        history.Add();
        history.Data(kNoteContact, ids[i]);
        if (noteTypeCode == app::kFileAttachmentCode) {
            history.Data(kNoteType, noteTypeCode);
            history.Data(kNoteText, std::cref(note));
            history.Data(kAttachment, std::cref(file));
        } else {
            history.Data(kNoteText, std::cref(note));
            history.Data(kNoteType, noteTypeCode);
        }
        history.Data(kNoteDate, std::cref(date));
        history.Update();
    }

    main.window().setCaption(u"Penwick: Finished " + decimal(n) + of);
    main.control("cmdWriteNote").setEnabled(true);
    app.services().ui.messageBox(u"Finished", ui::kInformationOk, u"Penwick");
}

}  // namespace penwick::lookup
