#pragma once
// Object ids of the source's catalogue (MSysObjects.Id) and the ids the same
// objects have in the copy. Every catalogue reference the copy holds
// (ParentId, MSysACEs.ObjectId, the navigation pane's ObjectID, ...) goes
// through one map, so the copy's references agree with each other.
#include <cstdint>
#include <map>
#include <optional>

namespace jet {

class IdMap {
public:
    void add(std::int32_t from, std::int32_t to) { ids_[from] = to; }
    // The copy's id of the source's object `id`; none when it was not copied.
    std::optional<std::int32_t> find(std::int32_t id) const {
        const auto at = ids_.find(id);
        return at == ids_.end() ? std::nullopt : std::optional<std::int32_t>(at->second);
    }

private:
    std::map<std::int32_t, std::int32_t> ids_;
};

}  // namespace jet
