#pragma once
// Object ids of the source's catalogue (MSysObjects.Id) and the ids the same
// objects have in the copy. Every catalogue reference the copy holds
// (ParentId, MSysACEs.ObjectId, the navigation pane's ObjectID, ...) goes
// through one map, so the copy's references agree with each other.
#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace jet {

class IdMap {
public:
    // `id` names an object of the source (copied or not).
    void know(std::int32_t id) { known_.insert(id); }
    void add(std::int32_t from, std::int32_t to) {
        known_.insert(from);
        ids_[from] = to;
    }
    bool knows(std::int32_t id) const { return known_.count(id) != 0; }
    // The copy's id of the source's object `id`; none when it was not copied.
    std::optional<std::int32_t> find(std::int32_t id) const {
        const auto at = ids_.find(id);
        return at == ids_.end() ? std::nullopt : std::optional<std::int32_t>(at->second);
    }

private:
    std::map<std::int32_t, std::int32_t> ids_;
    std::set<std::int32_t> known_;
};

}  // namespace jet
