// A small JSON writer for the command-line output. Strings given to it are
// UTF-8; the writer takes care of commas, indentation and escaping.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace karnea::cli {

class JsonWriter {
public:
    // An inline object or array keeps its items on one line.
    void beginObject(bool inlineItems = false);
    void endObject();
    void beginArray(bool inlineItems = false);
    void endArray();
    // The key of the next value inside an object.
    void key(std::string_view name);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(int number);
    void value(double number);
    void value(bool flag);
    void null();

    const std::string& text() const { return out_; }

private:
    void beforeValue();
    void newline();
    void close(char bracket);
    std::string out_;
    struct Open {
        bool hasItems = false;
        bool inlineItems = false;
    };
    std::vector<Open> open_;
    bool afterKey_ = false;
};

// A JSON string of any bytes: what is not valid UTF-8 becomes U+FFFD.
std::string JsonEscape(std::string_view text);

}  // namespace karnea::cli
