#pragma once

// Late-bound automation: objects reached by member name, the way a script would. The Win32
// binding wraps IDispatch and IEnumVARIANT; tests use plain fake objects.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zr::automation {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

// An automation value: null (empty or null variant), text (UTF-8), integer, Boolean or object.
using Value = std::variant<std::monostate, std::string, int64_t, bool, ObjectPtr>;

class Enumerator {
  public:
    virtual ~Enumerator() = default;
    // The next item, or nothing once the collection's Next answers other than S_OK.
    virtual std::optional<Value> Next() = 0;
};

class Object {
  public:
    virtual ~Object() = default;
    // Each throws zr::Error with the system's text when the call fails.
    virtual Value Get(const std::string& property) = 0;
    virtual void Put(const std::string& property, const Value& value) = 0;
    virtual Value Call(const std::string& method, const std::vector<Value>& arguments) = 0;
    // The collection's _NewEnum, as an enumerator.
    virtual std::unique_ptr<Enumerator> Enumerate() = 0;
};

// The text of a value; throws zr::Error for null and for objects, as a script's string
// conversion would.
std::string AsText(const Value& value);
// The object of a value; throws zr::Error when it holds none.
ObjectPtr AsObject(const Value& value);

}  // namespace zr::automation
