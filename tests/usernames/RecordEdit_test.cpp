// Write conflicts: how the record as stored now stands to the one shown, and
// what a save with Contact typed writes over it.
#include "usernames/RecordEdit.h"

#include <gtest/gtest.h>

TEST(RecordEdit, ASaveWritesOnlyTheChangedFieldsOverTheRecordAsStoredNow) {
    RecordEdit edit;
    edit.show({"PC05", "Eve", "x5", "eve@example.com"});
    edit.edit(2);
    const RecordTexts changed{"PC05", "Eva", "x5", "eva@example.org"};
    EXPECT_EQ(edit.against(edit.shown()), RecordEdit::Conflict::None);
    EXPECT_EQ(edit.against(changed), RecordEdit::Conflict::Changed);
    EXPECT_EQ(edit.against(std::nullopt), RecordEdit::Conflict::Deleted);
    EXPECT_EQ(edit.mergedOnto(changed, {"PC05", "Eve", "x9", "eve@example.com"}),
              (RecordTexts{"PC05", "Eva", "x9", "eva@example.org"}));
}
