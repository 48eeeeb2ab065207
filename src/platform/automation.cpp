#include "platform/automation.h"

#include "platform/error.h"

namespace zr::automation {

std::string AsText(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
    if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "True" : "False";
    if (std::holds_alternative<std::monostate>(value)) {
        throw Error("Could not convert variant of type (Null) into type (String)");
    }
    throw Error("Could not convert variant of type (Dispatch) into type (String)");
}

ObjectPtr AsObject(const Value& value) {
    if (const auto* object = std::get_if<ObjectPtr>(&value); object && *object) return *object;
    throw Error("Variant does not reference an automation object");
}

}  // namespace zr::automation
