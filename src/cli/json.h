// A small JSON writer for the command-line output. Strings given to it are
// UTF-8; the writer takes care of commas, indentation and escaping.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace karnea::cli {

class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The key of the next value inside an object.
    void key(std::string_view name);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(int number);
    void value(double number);
    void null();

    const std::string& text() const { return out_; }

private:
    void beforeValue();
    void newline();
    std::string out_;
    // One entry per open container: whether it already holds an item.
    std::vector<bool> hasItems_;
    bool afterKey_ = false;
};

std::string JsonEscape(std::string_view utf8);

}  // namespace karnea::cli
