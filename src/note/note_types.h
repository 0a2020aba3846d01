#pragma once
// The note types of the main window's list and the contact manager's codes for them.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace penwick::note {

struct NoteType {
    std::u16string_view name;
    std::int16_t code;
};

// In list order; the codes are the contact manager's and neither ordered nor contiguous.
inline constexpr std::array<NoteType, 8> kNoteTypes = {{
    {u"Note", 100},
    {u"Email", 102},
    {u"E-mail Sent", 16},
    {u"Closed/Won Sale", 57},
    {u"Lost Sale", 58},
    {u"Fax Sent", 50},
    {u"Letter Sent", 5},
    {u"File Attachment", 101},
}};

inline constexpr std::u16string_view kFileAttachment = u"File Attachment";
inline constexpr std::int16_t kFileAttachmentCode = 101;

// The code for a list position, nothing for -1 or a position past the list.
inline std::optional<std::int16_t> noteTypeCode(int listIndex) {
    if (listIndex < 0 || listIndex >= static_cast<int>(kNoteTypes.size())) return std::nullopt;
    return kNoteTypes[static_cast<std::size_t>(listIndex)].code;
}

}  // namespace penwick::note
