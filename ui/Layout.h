#pragma once
// Window layouts as data: a small text form of nested objects with ordered
// properties, read by both widget sets.
//
//   object Form1: TForm1
//     Caption = 'Vostrel'
//     ClientWidth = 517
//     BorderIcons = [biSystemMenu, biMinimize]
//     OnCreate = FormCreate
//     object Label1: TLabel
//       Left = 182
//     end
//   end
//
// Values are whole numbers, quoted strings ('' stands for one quote), identifiers
// (True, False, clWhite, handler names) and sets in square brackets.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vostrel {

struct TValue {
    enum class Kind { Number, String, Ident, Set };
    Kind kind = Kind::Number;
    int64_t number = 0;
    std::string text;               // String and Ident
    std::vector<std::string> items; // Set

    bool isTrue() const { return kind == Kind::Ident && text == "True"; }
};

struct TObjectDesc {
    std::string name;
    std::string className;
    std::vector<std::pair<std::string, TValue>> props; // in the order written
    std::vector<TObjectDesc> children;                 // in creation order

    const TValue* find(std::string_view prop) const;
    int64_t number(std::string_view prop, int64_t fallback = 0) const;
    std::string text(std::string_view prop, const std::string& fallback = {}) const;
    bool flag(std::string_view prop, bool fallback = false) const;
};

class ELayoutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

TObjectDesc parseLayout(std::string_view text);

// The layouts built into the program, by window name ("Unit1", "About").
std::string_view builtInLayout(std::string_view window);

} // namespace vostrel
