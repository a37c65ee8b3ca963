#pragma once
// One record of the user name database as the window shows it: the stored
// values it was shown with, and which fields the user changed since. Before
// a change is stored, the record as the file holds it then tells whether
// someone else changed or deleted it meanwhile, and the user's changed
// fields are laid over it: a save writes only what the user changed.
#include "usernames/DataControl.h"

#include <optional>

class RecordEdit {
public:
    enum class Conflict { None, Changed, Deleted };

    // The boxes were given `stored`: nothing is changed yet.
    void show(const RecordTexts& stored) {
        shown_ = stored;
        edited_ = {};
    }
    void edit(std::size_t field) { edited_.at(field) = true; }
    const RecordTexts& shown() const { return shown_; }

    // How the record as stored now (nothing: gone) stands to the one shown.
    Conflict against(const std::optional<RecordTexts>& now) const;
    // `now` with the fields the user changed taken from `typed`.
    RecordTexts mergedOnto(RecordTexts now, const RecordTexts& typed) const;

private:
    RecordTexts shown_;
    std::array<bool, 4> edited_{};
};
