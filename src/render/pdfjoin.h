// PDFs made by this program's writer joined into one, in order, each handed
// on as it comes: so that the parts of a long report can be written side by
// side, and the report still streams into its file with little held.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/diskfile.h"

namespace karnea {

class PdfJoin {
public:
    explicit PdfJoin(const ContentWriter& put) : put_(put) {}

    // Appends the pages of `pdf`, a whole file with a cross-reference table
    // (as Qt writes them; not a compressed cross-reference stream). The
    // catalogue and document information of the first PDF are kept. False
    // when it cannot be read as such a file, or when writing fails; nothing
    // more can be added then.
    bool Add(std::string_view pdf);
    // Writes the page tree and the cross-reference table. False when nothing
    // was added, something failed, or writing fails.
    bool Finish();

private:
    bool Put(std::string_view bytes);
    // Writes object `number` whose body is `text`.
    bool PutObject(int number, std::string_view text);

    const ContentWriter& put_;
    bool failed_ = false;
    std::size_t written_ = 0;
    // Each object's offset in the file, from object 1.
    std::vector<std::size_t> offsets_;
    std::vector<int> pages_;
    int root_ = 0;
    int info_ = 0;
    // The first PDF's page tree, renumbered, to write with every page.
    std::string pageTree_;
};

}  // namespace karnea
