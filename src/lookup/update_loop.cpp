#include "lookup/update_loop.h"

#include "note/note_types.h"
#include "util/text.h"

namespace penwick::lookup {

void runUpdateLoop(WriteNoteContext& run, const NoteEntries& entries, WriteProgress& progress,
                   Database& database, std::int32_t n, std::int16_t noteTypeCode) {
    auto& ids = run.contactIds;
    ids.assign(1, std::u16string{});  // index 0 exists and stays empty
    while (!database.Contact().IsEOF()) {
        ids.push_back(toText(database.Contact().Data(field::ContactId)));
        database.Contact().movenext();
    }
    database.Contact().MoveFirst();

    const std::u16string of = u" of " + decimal(n);
    const int total = static_cast<int>(ids.size() - 1);
    int written = 0;
    try {
        // The entries are handed over themselves, so an edit made while the loop yields reaches
        // the records written after it.
        for (std::size_t i = 1; i < ids.size(); ++i) {
            progress.setCaption(u"Penwick: Updating " + decimal(static_cast<std::int64_t>(i)) + of);
            progress.setProgress({ui::Progress::State::Normal, written, total});
            run.program.yield();
            database.Contact().Lookup(field::ContactId, ids[i], 1);
            NoteHistory& history = database.NOTEHISTORY();
            history.Add();
            history.Data(field::NoteContact, ids[i]);
            if (noteTypeCode == note::kFileAttachmentCode) {
                history.Data(field::NoteType, noteTypeCode);
                history.Data(field::NoteText, std::cref(entries.note));
                history.Data(field::Attachment, std::cref(entries.file));
            } else {
                history.Data(field::NoteText, std::cref(entries.note));
                history.Data(field::NoteType, noteTypeCode);
            }
            history.Data(field::NoteDate, std::cref(entries.date));
            history.Update();
            ++written;
        }
    } catch (const std::exception&) {
        progress.setProgress({ui::Progress::State::Error, written, total});
        throw;
    }

    progress.setProgress({});
    progress.setCaption(u"Penwick: Finished " + decimal(n) + of);
    progress.setWriteEnabled(true);
    run.ui.messageBox(u"Finished", ui::MessageStyle::InformationOk, u"Penwick");
}

}  // namespace penwick::lookup
