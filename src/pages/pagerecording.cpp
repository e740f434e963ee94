#include "pages/pagerecording.h"

#include <utility>

namespace karnea {
namespace {

template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

}  // namespace

Surface* PageRecording::BeginPage(int page, DocumentKind kind) {
    pages_.push_back({page, kind, {}});
    return this;
}

void PageRecording::Append(PageRecording&& other) {
    for (Page& page : other.pages_) {
        page.number = PageCount() + 1;
        pages_.push_back(std::move(page));
    }
    other.pages_.clear();
}

std::vector<PageRecording::Op>& PageRecording::Ops() {
    // Drawing before the first page keeps it on a page of its own.
    if (pages_.empty()) {
        pages_.push_back({0, DocumentKind::test, {}});
    }
    return pages_.back().ops;
}

bool PageRecording::SelectFont(const std::string& face, int height, int angle, long colour) {
    Ops().emplace_back(Font{face, height, angle, colour});
    return height >= 0;
}

void PageRecording::SaveFont() {
    Ops().emplace_back(SaveFontOp{});
}

void PageRecording::RestoreFont() {
    Ops().emplace_back(RestoreFontOp{});
}

void PageRecording::SetTextAlign(TextAlign align) {
    Ops().emplace_back(Align{align});
}

void PageRecording::DrawText(int x, int y, const std::string& text) {
    Ops().emplace_back(Text{x, y, text});
}

void PageRecording::DrawTextInBox(int left, int top, int right, int bottom,
                                  const std::string& text) {
    Ops().emplace_back(TextBox{left, top, right, bottom, text});
}

void PageRecording::DrawLine(int x1, int y1, int x2, int y2, int width, long colour) {
    Ops().emplace_back(Line{x1, y1, x2, y2, width, colour});
}

void PageRecording::DrawDashes(long long x, long long y, int sx, int sy, long long dash,
                               long long step, long long count, int width, long colour) {
    Ops().emplace_back(Dashes{x, y, sx, sy, dash, step, count, width, colour});
}

void PageRecording::ClipTo(int left, int top, int right, int bottom) {
    Ops().emplace_back(Clip{left, top, right, bottom});
}

void PageRecording::ClipOff() {
    Ops().emplace_back(ClipOffOp{});
}

void PageRecording::DrawCircle(int x, int y, int radius, int width, long colour) {
    Ops().emplace_back(Circle{x, y, radius, width, colour});
}

void PageRecording::DrawPage(int index, Surface& surface) const {
    if (index < 0 || index >= PageCount()) {
        return;
    }
    Surface* s = &surface;
    const Overloaded draw{
        [s](const Font& o) { s->SelectFont(o.face, o.height, o.angle, o.colour); },
        [s](const SaveFontOp&) { s->SaveFont(); },
        [s](const RestoreFontOp&) { s->RestoreFont(); },
        [s](const Align& o) { s->SetTextAlign(o.align); },
        [s](const Text& o) { s->DrawText(o.x, o.y, o.text); },
        [s](const TextBox& o) { s->DrawTextInBox(o.left, o.top, o.right, o.bottom, o.text); },
        [s](const Line& o) { s->DrawLine(o.x1, o.y1, o.x2, o.y2, o.width, o.colour); },
        [s](const Dashes& o) {
            s->DrawDashes(o.x, o.y, o.sx, o.sy, o.dash, o.step, o.count, o.width, o.colour);
        },
        [s](const Circle& o) { s->DrawCircle(o.x, o.y, o.radius, o.width, o.colour); },
        [s](const Clip& o) { s->ClipTo(o.left, o.top, o.right, o.bottom); },
        [s](const ClipOffOp&) { s->ClipOff(); },
    };
    for (const Op& op : pages_[static_cast<std::size_t>(index)].ops) {
        std::visit(draw, op);
    }
}

bool PageRecording::Replay(PageTarget& target) const {
    for (int i = 0; i < PageCount(); ++i) {
        const Page& page = pages_[static_cast<std::size_t>(i)];
        Surface* surface = target.BeginPage(page.number, page.kind);
        if (surface == nullptr) {
            return false;
        }
        DrawPage(i, *surface);
        if (!target.EndPage(page.number)) {
            return false;
        }
    }
    return true;
}

}  // namespace karnea
