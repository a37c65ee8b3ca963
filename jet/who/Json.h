#pragma once
// A small JSON reader for smbstatus's output: values as a tree, numbers kept
// as their text. Not a general-purpose library; enough for trusted, small
// documents.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet::who {

struct JsonMember;

struct Json {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    std::string text;  // a string's value, a number's digits, "true"/"false"
    std::vector<Json> items;                          // Array
    std::vector<JsonMember> members;  // Object, in document order

    // The member named `key`, or nullptr (also when this is not an object).
    const Json* get(std::string_view key) const;
    // A string's value or a number's digits; empty for anything else.
    const std::string& scalar() const;
};

struct JsonMember {
    std::string name;
    Json value;
};

// Throws std::runtime_error saying where the text stops being JSON.
Json parseJson(std::string_view text);

}  // namespace jet::who
