// Write conflicts: what a change to a shown record meets in the file, and
// what a save writes over it.
#include "usernames/RecordEdit.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordEdit, ASaveWritesOnlyTheChangedFieldsOverTheRecordAsStoredNow) {
    const RecordTexts shown{"PC05", "Eve", "x5", "eve@example.com"};
    struct Case {
        std::optional<RecordTexts> now;
        RecordEdit::Conflict conflict;
        RecordTexts saved;  // with Contact typed as "x9"
    };
    const Case cases[] = {
        {shown, RecordEdit::Conflict::None, {"PC05", "Eve", "x9", "eve@example.com"}},
        {RecordTexts{"PC05", "Eva", "x5", "eva@example.org"}, RecordEdit::Conflict::Changed,
         {"PC05", "Eva", "x9", "eva@example.org"}},
        {RecordTexts{"PC05", "Eve", "x7", "eve@example.com"}, RecordEdit::Conflict::Changed,
         {"PC05", "Eve", "x9", "eve@example.com"}},
        {std::nullopt, RecordEdit::Conflict::Deleted, {}},
    };
    for (const Case& c : cases) {
        RecordEdit edit;
        edit.show(shown);
        edit.edit(2);
        EXPECT_EQ(edit.against(c.now), c.conflict);
        if (c.now) {
            EXPECT_EQ(edit.mergedOnto(*c.now, {"PC05", "Eve", "x9", "eve@example.com"}), c.saved);
        }
    }
}

}  // namespace
