#include "usernames/RecordEdit.h"

RecordEdit::Conflict RecordEdit::against(const std::optional<RecordTexts>& now) const {
    if (!now)
        return Conflict::Deleted;
    return *now == shown_ ? Conflict::None : Conflict::Changed;
}

RecordTexts RecordEdit::mergedOnto(RecordTexts now, const RecordTexts& typed) const {
    for (std::size_t i = 0; i < now.size(); ++i)
        if (edited_[i])
            now[i] = typed[i];
    return now;
}
