// Pages as PDF and PNG files, on A4 portrait with the device origin at the
// paper's top-left corner.
#pragma once

#include <QImage>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/diskfile.h"
#include "base/orderedwork.h"
#include "pages/pagecomposer.h"

namespace karnea {

class Messages;

// Draws pages onto the target it is given; false when the target stopped.
using PageDrawing = std::function<bool(PageTarget&)>;

// A thread for work that draws with Qt: one of Qt's own, which ends what
// Qt keeps for it (its fonts among it) on itself before it ends. (On
// Windows, Qt ends what it keeps for a thread it did not start on a thread
// of its own, after that thread has gone, and that fails.)
std::function<void()> StartQtThread(std::function<void()> work);

// Draws part `part` of a document's pages onto a target, saying what it has
// to say through `messages`. Parts are drawn side by side, each on a thread
// of its own: a part shares nothing mutable with the others.
using PartDrawing = std::function<bool(std::size_t part, PageTarget& target, Messages& messages)>;

// One PDF of the pages drawn, handed to `put` as it is made; false when no
// PDF can be begun or `put` fails. Its creator is the program (with its
// version), its title `title` (UTF-8) when one is given.
bool WritePdf(const PageDrawing& draw, int dpi, const ContentWriter& put,
              const std::string& title = {});
// The bytes of one PDF of the pages drawn; nothing when no PDF can be begun.
std::optional<std::string> PdfBytes(const PageDrawing& draw, int dpi);
// The bytes of one PDF of every page of a document.
std::optional<std::string> DocumentPdf(const PageSource& source, int dpi, Messages& messages);
// One PDF of the pages drawn. False when the file cannot be written.
bool ExportPdf(const PageDrawing& draw, const std::string& path, int dpi,
               const std::string& title = {});
// One PDF of the given pages of a document, titled by the document's file
// name (`documentPath` without its folder and extension).
bool ExportPdf(const PageSource& source, const std::vector<int>& pages, const std::string& path,
               int dpi, Messages& messages, const std::string& documentPath);
// One PDF of the pages of `parts` parts, drawn on up to `jobs` threads: each
// part into a PDF of its own, joined in order into the file as they are
// made, with few parts held at a time. What the parts say reaches
// `messages` in their order. The file is the same whatever `jobs` is.
bool ExportPdf(std::size_t parts, int jobs, const PartDrawing& draw, const std::string& path,
               int dpi, Messages& messages);

// A page drawn in 32-bit colour in the smallest format that holds it
// exactly: 8-bit grey when every pixel is grey (the standard settings draw
// nothing else), a palette when it has at most 256 colours, else as it is.
QImage CompactPageImage(const QImage& page);

// One PNG a page drawn (in the format above), written to `pathOf(page)`:
// every page or none. False when a file cannot be written.
bool ExportPng(const PageDrawing& draw, const std::function<std::string(int)>& pathOf, int dpi);
// The same for the given pages of a document.
bool ExportPng(const PageSource& source, const std::vector<int>& pages,
               const std::function<std::string(int)>& pathOf, int dpi, Messages& messages);

}  // namespace karnea
