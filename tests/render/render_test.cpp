// The QPainter surface keeps the device semantics the pages are laid out
// for: the character cell of a font is its height, top and bottom alignment
// refer to that cell, an angle of 90 writes upwards, Windows faces have
// Japanese stand-ins.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <regex>

#include "base/encoding.h"
#include "base/messages.h"
#include "base/textfields.h"
#include "document/documentfile.h"
#include "document/startup.h"
#include "document/workspace.h"
#include "render/pageexport.h"
#include "render/qpaintersurface.h"
#include "support/shell.h"
#include "support/testsupport.h"

namespace karnea {
namespace {

// The rows and columns that hold ink (not white).
QRect InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 160) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

QImage Draw(const std::function<void(QPainterSurface&)>& draw) {
    QImage image(600, 600, QImage::Format_RGB32);
    image.setDotsPerMeterX(11811);  // 300 dpi
    image.setDotsPerMeterY(11811);
    image.fill(Qt::white);
    QPainter painter(&image);
    FontCache fonts;
    QPainterSurface surface(painter, 300, 300, fonts);
    draw(surface);
    painter.end();
    return image;
}

const std::string kFace = Sjis("ＭＳ 明朝");
const std::string kText = Sjis("測定深度 Pg");

// PNG pages keep every pixel: grey pages become 8-bit grey, pages of few
// colours a palette, and the rest stay as they are.
TEST(PngPages, CompactFormatsKeepEveryPixel) {
    QImage grey(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            const int v = (x * 7 + y * 3) % 256;
            grey.setPixel(x, y, qRgb(v, v, v));
        }
    }
    const QImage g = CompactPageImage(grey);
    EXPECT_EQ(g.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(g.convertToFormat(QImage::Format_RGB32), grey);

    QImage few = grey;
    for (int y = 0; y < few.height(); ++y) {
        for (int x = 0; x < few.width(); ++x) {
            const int v = (x + y) % 8 * 32;
            few.setPixel(x, y, qRgb(v, v, v));
        }
    }
    few.setPixel(3, 4, qRgb(255, 0, 0));
    const QImage f = CompactPageImage(few);
    EXPECT_EQ(f.format(), QImage::Format_Indexed8);
    EXPECT_EQ(f.convertToFormat(QImage::Format_RGB32), few);

    QImage many = grey;
    for (int i = 0; i < 300; ++i) {
        many.setPixel(i % 40, i / 40, qRgb(i % 256, i / 256, 7));
    }
    EXPECT_EQ(CompactPageImage(many).format(), QImage::Format_RGB32);
}

TEST(QPainterSurface, StandInFacesForWindowsFaces) {
    EXPECT_EQ(ResolveFontFamily(Sjis("ＭＳ 明朝")), "IPAMincho");
    EXPECT_EQ(ResolveFontFamily(Sjis("ＭＳ ゴシック")), "IPAGothic");
    EXPECT_EQ(ResolveFontFamily(Sjis("ＭＳ Ｐゴシック")), "IPAPGothic");
    EXPECT_EQ(ResolveFontFamily("No Such Face"), "IPAMincho");
    EXPECT_EQ(ResolveFontFamily("IPAGothic"), "IPAGothic");
}

TEST(QPainterSurface, TextSitsInItsCellByTheAlignment) {
    const int h = 60;
    const QImage top = Draw([&](QPainterSurface& s) {
        s.SelectFont(kFace, h, 0, 0);
        s.SetTextAlign(TextAlign::leftTop);
        s.DrawText(100, 200, kText);
    });
    const QRect a = InkBounds(top);
    EXPECT_GE(a.top(), 200);
    EXPECT_LE(a.bottom(), 200 + h);
    EXPECT_GE(a.left(), 100);
    EXPECT_LE(a.left(), 110);

    const QImage bottom = Draw([&](QPainterSurface& s) {
        s.SelectFont(kFace, h, 0, 0);
        s.SetTextAlign(TextAlign::rightBottom);
        s.DrawText(500, 300, kText);
    });
    const QRect b = InkBounds(bottom);
    EXPECT_LE(b.bottom(), 300);
    EXPECT_GE(b.top(), 300 - h);
    EXPECT_LE(b.right(), 500);
    EXPECT_GE(b.right(), 490);
    // The same text, the same size wherever it is placed.
    EXPECT_EQ(a.width(), b.width());
}

TEST(QPainterSurface, AngleNinetyWritesUpwards) {
    const QImage image = Draw([&](QPainterSurface& s) {
        s.SelectFont(kFace, 40, 90, 0);
        s.SetTextAlign(TextAlign::leftTop);
        s.DrawText(300, 500, kText);
    });
    const QRect r = InkBounds(image);
    EXPECT_GT(r.height(), 3 * r.width());
    EXPECT_LE(r.bottom(), 500);
    EXPECT_GE(r.left(), 300);  // the top of the cell faces left
    EXPECT_LE(r.right(), 340);
}

TEST(QPainterSurface, BoxesCentreAndLinesHaveTheirWidth) {
    const QImage image = Draw([&](QPainterSurface& s) {
        s.SelectFont(kFace, 40, 0, 0);
        s.DrawTextInBox(100, 100, 500, 200, "kN");
    });
    const QRect r = InkBounds(image);
    EXPECT_NEAR(r.center().x(), 300, 3);
    EXPECT_NEAR(r.center().y(), 150, 6);

    const QImage lines = Draw([&](QPainterSurface& s) {
        s.DrawLine(100, 100, 100, 400, 0, 0);  // width 0 draws nothing
        s.DrawLine(200, 100, 200, 400, 6, 0x0000FF);
    });
    const QRect l = InkBounds(lines);
    EXPECT_GE(l.left(), 196);
    EXPECT_LE(l.width(), 8);
    EXPECT_EQ(QColor(lines.pixel(200, 250)), QColor(255, 0, 0));
}

// A document drawn in parts, each a PDF of its own joined into one file, is
// the document drawn into one PDF: a file qpdf finds sound, with the same
// pages, the same text on each and the same drawing (each page rasterised
// by poppler); and the same bytes on one thread or four.
TEST(PdfParts, JoinedPartsAreTheOnePdfsPages) {
    test::ScratchDir dir;
    Workspace ws;
    test::WriteStandardSettings(dir.file("settings"));
    ws.settings.fixedFolder = dir.file("settings");
    SilentMessages quiet;
    StartProgram(ws, quiet);
    ASSERT_TRUE(OpenDataFile(ws, KARNEA_EXAMPLES_DIR "/test.kdw", quiet, true));
    const PageSource source = PagesOf(ws);
    const std::vector<int> pages = AllPages(source);
    // Every page twice: parts of one page each, with fonts of their own.
    const std::size_t count = 2 * pages.size();
    const PartDrawing part = [&](std::size_t i, PageTarget& target, Messages& said) {
        return DrawPages(source, {pages[i % pages.size()]}, target, said);
    };
    const PartDrawing whole = [&](std::size_t, PageTarget& target, Messages& said) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!part(i, target, said)) {
                return false;
            }
        }
        return true;
    };
    const std::string one = dir.file("one.pdf");
    ASSERT_TRUE(ExportPdf(1, 1, whole, one, 72, quiet));
    ASSERT_TRUE(ExportPdf(count, 1, part, dir.file("parts1.pdf"), 72, quiet));
    ASSERT_TRUE(ExportPdf(count, 4, part, dir.file("parts4.pdf"), 72, quiet));
    const std::regex date("/CreationDate \\(D:[0-9Z]*\\)");
    EXPECT_EQ(std::regex_replace(test::ReadBytes(dir.file("parts1.pdf")), date, ""),
              std::regex_replace(test::ReadBytes(dir.file("parts4.pdf")), date, ""));

    const std::string joined = dir.file("parts4.pdf");
    const test::CommandRun check = test::RunProgram("qpdf", {"--check", joined});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    const auto text = [&](const std::string& pdf) {
        const test::CommandRun run = test::RunProgram("pdftotext", {"-layout", pdf, "-"});
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    };
    const std::string pageText = text(one);
    EXPECT_EQ(std::count(pageText.begin(), pageText.end(), '\f'), std::ptrdiff_t(count));
    EXPECT_TRUE(test::Contains(pageText, "測定"));
    EXPECT_EQ(text(joined), pageText);
    for (const auto& [pdf, stem] :
         {std::pair{one, dir.file("o")}, std::pair{joined, dir.file("j")}}) {
        ASSERT_EQ(test::RunProgram("pdftoppm", {"-r", "30", "-png", pdf, stem}).status, 0);
    }
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string page = FormatText("-%0*zu.png", int(std::to_string(count).size()), i);
        const std::string drawn = test::ReadBytes(dir.file("o") + page);
        EXPECT_FALSE(drawn.empty()) << page;
        EXPECT_EQ(test::ReadBytes(dir.file("j") + page), drawn) << page;
    }
}

}  // namespace
}  // namespace karnea

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
