#include "ui/Layout.h"

#include <cctype>

namespace vostrel {

const TValue* TObjectDesc::find(std::string_view prop) const {
    for (const auto& [name, value] : props)
        if (name == prop)
            return &value;
    return nullptr;
}

int64_t TObjectDesc::number(std::string_view prop, int64_t fallback) const {
    const TValue* v = find(prop);
    return v && v->kind == TValue::Kind::Number ? v->number : fallback;
}

std::string TObjectDesc::text(std::string_view prop, const std::string& fallback) const {
    const TValue* v = find(prop);
    return v && (v->kind == TValue::Kind::String || v->kind == TValue::Kind::Ident) ? v->text
                                                                                    : fallback;
}

bool TObjectDesc::flag(std::string_view prop, bool fallback) const {
    const TValue* v = find(prop);
    return v && v->kind == TValue::Kind::Ident ? v->isTrue() : fallback;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    TObjectDesc object() {
        expectWord("object");
        TObjectDesc d;
        d.name = ident();
        skipBlanks();
        expect(':');
        d.className = ident();
        for (;;) {
            skipBlanks();
            if (atWord("end")) {
                expectWord("end");
                return d;
            }
            if (atWord("object")) {
                d.children.push_back(object());
                continue;
            }
            std::string prop = ident();
            while (peek() == '.') { // dotted names such as Font.Name
                ++pos_;
                prop += '.';
                prop += ident();
            }
            skipBlanks();
            expect('=');
            d.props.emplace_back(std::move(prop), value());
        }
    }

    void finish() {
        skipBlanks();
        if (pos_ != s_.size())
            fail("text after the last end");
    }

private:
    char peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }

    [[noreturn]] void fail(const std::string& what) const {
        int line = 1;
        for (size_t i = 0; i < pos_ && i < s_.size(); ++i)
            line += s_[i] == '\n';
        throw ELayoutError("layout line " + std::to_string(line) + ": " + what);
    }

    void skipBlanks() {
        while (pos_ < s_.size()) {
            if (std::isspace(static_cast<unsigned char>(s_[pos_]))) {
                ++pos_;
            } else if (s_.substr(pos_, 2) == "//") {
                while (pos_ < s_.size() && s_[pos_] != '\n')
                    ++pos_;
            } else {
                break;
            }
        }
    }

    static bool identChar(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    }

    std::string ident() {
        skipBlanks();
        const size_t start = pos_;
        while (identChar(peek()))
            ++pos_;
        if (start == pos_)
            fail("a name was expected");
        return std::string(s_.substr(start, pos_ - start));
    }

    bool atWord(std::string_view w) {
        return s_.substr(pos_, w.size()) == w &&
               !identChar(pos_ + w.size() < s_.size() ? s_[pos_ + w.size()] : '\0');
    }

    void expectWord(std::string_view w) {
        skipBlanks();
        if (!atWord(w))
            fail("'" + std::string(w) + "' was expected");
        pos_ += w.size();
    }

    void expect(char c) {
        if (peek() != c)
            fail(std::string("'") + c + "' was expected");
        ++pos_;
    }

    TValue value() {
        skipBlanks();
        TValue v;
        const char c = peek();
        if (c == '\'') {
            v.kind = TValue::Kind::String;
            for (;;) { // adjacent quoted pieces join: 'a' 'b' is "ab"
                ++pos_;
                while (true) {
                    if (pos_ >= s_.size() || s_[pos_] == '\n')
                        fail("unterminated string");
                    if (s_[pos_] == '\'') {
                        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                            v.text += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    v.text += s_[pos_++];
                }
                const size_t save = pos_;
                skipBlanks();
                if (peek() != '+') {
                    pos_ = save;
                    break;
                }
                ++pos_;
                skipBlanks();
                if (peek() != '\'')
                    fail("a string was expected after +");
            }
        } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            const bool negative = c == '-';
            if (negative)
                ++pos_;
            const size_t start = pos_;
            while (std::isdigit(static_cast<unsigned char>(peek())))
                ++pos_;
            if (start == pos_)
                fail("a number was expected");
            v.number = std::stoll(std::string(s_.substr(start, pos_ - start)));
            if (negative)
                v.number = -v.number;
        } else if (c == '[') {
            v.kind = TValue::Kind::Set;
            ++pos_;
            skipBlanks();
            while (peek() != ']') {
                v.items.push_back(ident());
                skipBlanks();
                if (peek() == ',') {
                    ++pos_;
                    skipBlanks();
                } else if (peek() != ']')
                    fail("',' or ']' was expected");
            }
            ++pos_;
        } else {
            v.kind = TValue::Kind::Ident;
            v.text = ident();
        }
        return v;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

} // namespace

TObjectDesc parseLayout(std::string_view text) {
    Parser p(text);
    TObjectDesc d = p.object();
    p.finish();
    return d;
}

} // namespace vostrel
