#include "render/qpaintersurface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <array>
#include <cstdlib>
#include <utility>

#include "base/encoding.h"

namespace karnea {
namespace {

QString ToQString(const std::string& cp932) {
    return QString::fromStdString(Cp932ToUtf8(cp932));
}

// Windows faces the settings may name, and the faces that stand in for them.
constexpr std::array<std::pair<const char*, const char*>, 4> kStandIns = {{
    {"ＭＳ 明朝", "IPAMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
}};

constexpr const char* kDefaultStandIn = "IPAMincho";

// A dashed line that reaches farther than this (a damaged setting) is drawn
// dash by dash, each bounded as the page composer bounds lines.
constexpr long long kFarthestStroke = 1000000;

}  // namespace

QColor ToQColor(long colour) {
    const unsigned long c = static_cast<unsigned long>(colour);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

void LoadShippedFonts() {
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString& name :
         folder.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files)) {
        QFontDatabase::addApplicationFont(folder.filePath(name));
    }
}

QString ResolveFontFamily(const std::string& cp932Face) {
    const QString face = ToQString(cp932Face);
    if (QFontDatabase::hasFamily(face)) {
        return face;
    }
    for (const auto& [windows, standIn] : kStandIns) {
        if (face == QString::fromUtf8(windows)) {
            return QString::fromUtf8(standIn);
        }
    }
    return QString::fromUtf8(kDefaultStandIn);
}

const QString& FontCache::Family(const std::string& cp932Face) {
    const auto found = families_.find(cp932Face);
    if (found != families_.end()) {
        return found->second;
    }
    return families_.emplace(cp932Face, ResolveFontFamily(cp932Face)).first->second;
}

const CellFont& FontCache::Cell(const std::string& cp932Face, int height, QPaintDevice* device,
                                int fallbackDpiY) {
    const int deviceDpi = device != nullptr ? device->logicalDpiY() : fallbackDpiY;
    const int deviceType = device != nullptr ? device->devType() : 0;
    const auto key = std::make_tuple(cp932Face, height, deviceDpi, deviceType);
    const auto found = cells_.find(key);
    if (found != cells_.end()) {
        return found->second;
    }
    QFont font(Family(cp932Face));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    // The character cell (ascent plus descent) is `height` device pixels: size
    // the em from the face's own metrics on this very device.
    const double probeEm = 100.0;
    font.setPointSizeF(probeEm * 72.0 / deviceDpi);
    const QFontMetricsF probe(font, device);
    const double cell = probe.ascent() + probe.descent();
    const double em = cell > 0 ? height * probeEm / cell : height;
    font.setPointSizeF(em > 0 ? em * 72.0 / deviceDpi : 0.01);
    auto metrics = std::make_shared<const QFontMetricsF>(font, device);
    return cells_.emplace(key, CellFont{font, metrics->ascent(), metrics->descent(), metrics})
        .first->second;
}

QPainterSurface::QPainterSurface(QPainter& painter, int dpiX, int dpiY, FontCache& fonts)
    : painter_(painter), dpiX_(dpiX), dpiY_(dpiY), fonts_(fonts) {
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    current_.cell.font.setFamily(QString::fromUtf8(kDefaultStandIn));
}

bool QPainterSurface::SelectFont(const std::string& face, int height, int angle, long colour) {
    if (height < 0) {
        return false;
    }
    current_.cell = fonts_.Cell(face, height, painter_.device(), dpiY_);
    current_.angle = angle;
    current_.colour = ToQColor(colour);
    return true;
}

void QPainterSurface::SaveFont() {
    saved_.push_back(current_);
}

void QPainterSurface::RestoreFont() {
    if (!saved_.empty()) {
        current_ = saved_.back();
        saved_.pop_back();
    }
}

double FontCache::Width(const std::shared_ptr<const QFontMetricsF>& metrics,
                        const std::string& cp932Text, const QString& text) {
    // A view lives long: what it keeps stays bounded.
    constexpr std::size_t kMostWidths = 20000;
    if (widthCount_ >= kMostWidths) {
        widths_.clear();
        widthCount_ = 0;
    }
    Widths& widths = widths_[metrics.get()];
    widths.metrics = metrics;
    const auto [found, added] = widths.of.try_emplace(cp932Text, 0.0);
    if (added) {
        found->second = metrics->horizontalAdvance(text);
        ++widthCount_;
    }
    return found->second;
}

double QPainterSurface::Width(const std::string& cp932Text, const QString& text) {
    if (!current_.cell.metrics) {
        current_.cell.metrics =
            std::make_shared<const QFontMetricsF>(current_.cell.font, painter_.device());
    }
    return fonts_.Width(current_.cell.metrics, cp932Text, text);
}

void QPainterSurface::DrawText(int x, int y, const std::string& text) {
    if (text.empty()) {
        return;
    }
    const QString s = QString::fromStdString(decode_(text));
    double ox = 0;
    if (align_ != TextAlign::leftTop) {
        const double width = Width(text, s);
        if (align_ == TextAlign::rightTop || align_ == TextAlign::rightBottom) {
            ox = -width;
        } else {
            ox = -width / 2;
        }
    }
    const bool bottom = align_ == TextAlign::centerBottom || align_ == TextAlign::rightBottom;
    const double baseline = bottom ? -current_.cell.descent : current_.cell.ascent;
    painter_.setFont(current_.cell.font);
    painter_.setPen(current_.colour);
    // Text across the page is drawn where it stands; only turned text needs
    // a turned painter (and its state kept round it).
    if (current_.angle == 0) {
        painter_.drawText(QPointF(x + ox, y + baseline), s);
        return;
    }
    painter_.save();
    painter_.translate(x, y);
    painter_.rotate(-current_.angle);
    painter_.drawText(QPointF(ox, baseline), s);
    painter_.restore();
}

void QPainterSurface::DrawTextInBox(int left, int top, int right, int bottom,
                                    const std::string& text) {
    if (text.empty()) {
        return;
    }
    const QString s = QString::fromStdString(decode_(text));
    const double x = (left + right) / 2.0 - Width(text, s) / 2;
    const double baseline = (top + bottom) / 2.0 -
                            (current_.cell.ascent + current_.cell.descent) / 2 +
                            current_.cell.ascent;
    painter_.setFont(current_.cell.font);
    painter_.setPen(current_.colour);
    painter_.drawText(QPointF(x, baseline), s);
}

void QPainterSurface::DrawLine(int x1, int y1, int x2, int y2, int width, long colour) {
    if (width <= 0) {
        return;
    }
    QPen pen(ToQColor(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void QPainterSurface::DrawDashes(long long x, long long y, int sx, int sy, long long dash,
                                 long long step, long long count, int width, long colour) {
    // One stroke with a dash pattern, for a line across or down: the same
    // dashes as one line each, drawn at once.
    const long long gap = step - dash;
    const long long span = count > 0 ? (count - 1) * step + dash : 0;
    const auto onPage = [](long long v) { return std::llabs(v) <= kFarthestStroke; };
    if (width <= 0 || count < 2 || gap <= 0 || dash <= 0 || (sx != 0 && sy != 0) || !onPage(x) ||
        !onPage(y) || !onPage(x + sx * span) || !onPage(y + sy * span)) {
        Surface::DrawDashes(x, y, sx, sy, dash, step, count, width, colour);
        return;
    }
    QPen pen(ToQColor(colour), width, Qt::CustomDashLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setDashPattern({static_cast<double>(dash) / width, static_cast<double>(gap) / width});
    painter_.setPen(pen);
    painter_.drawLine(
        QPointF(static_cast<double>(x), static_cast<double>(y)),
        QPointF(static_cast<double>(x + sx * span), static_cast<double>(y + sy * span)));
}

void QPainterSurface::DrawCircle(int x, int y, int radius, int width, long colour) {
    QPen pen(ToQColor(colour), std::max(width, 0));
    pen.setCosmetic(width <= 0);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawEllipse(QPointF(x, y), radius, radius);
}

void QPainterSurface::ClipTo(int left, int top, int right, int bottom) {
    // Within the clip the painter already has (a preview's area).
    painter_.save();
    painter_.setClipRect(QRect(QPoint(left, top), QPoint(right, bottom)), Qt::IntersectClip);
}

void QPainterSurface::ClipOff() {
    painter_.restore();
}

}  // namespace karnea
