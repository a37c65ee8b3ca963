#pragma once
// The records of T_Main by computer name, letter case ignored: what the user
// name resolution looks computers up in, without moving the window's current
// record. Of names that differ only in letter case the first one added is
// kept, as the window's list finds the first of equal entries.
#include "usernames/DataControl.h"

#include <QHash>

class UserNameMap {
public:
    void clear() { records_.clear(); }
    qsizetype size() const { return records_.size(); }
    // Adds `record` under its computer name, unless that name is held
    // already; `folded` is the name case-folded.
    void add(const RecordTexts& record) { add(record[0].toCaseFolded(), record); }
    void add(const QString& folded, const RecordTexts& record);
    // Takes out the record of `name`, if there is one.
    void remove(const QString& name) { records_.remove(name.toCaseFolded()); }
    // The record of `name`, letter case ignored; null when there is none.
    const RecordTexts* find(const QString& name) const {
        const auto it = records_.constFind(name.toCaseFolded());
        return it == records_.cend() ? nullptr : &*it;
    }

private:
    QHash<QString, RecordTexts> records_;  // by case-folded computer name
};

// What shows that a file was written since it was last looked at: where it
// is, its size, and when its contents and its entry last changed. All zero
// for a file that can't be looked at.
struct FileStamp {
    unsigned long long device = 0, inode = 0;
    long long size = 0, modified = 0, changed = 0;  // times in nanoseconds

    static FileStamp of(const QString& path);
    bool operator==(const FileStamp&) const = default;
};
