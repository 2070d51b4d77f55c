// The diagram's drawing surface: clearing, text output and the current position, boxes, rounded
// rectangles, lines, scaled copies and pictures as they land in the surface's pixels, the image
// following the widget's size, and the record of drawn items.
#include "views/CMemoryDC.h"
#include "raster/Pixels.h"
#include "views/PictureBox.h"
#include "views/modColor.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {

QRgb rgbOf(qint32 color) {
    const qint32 c = TranslateColor(color);
    return qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c));
}

qint32 colorAt(const PictureBox& pic, int x, int y) {
    const QRgb p = pic.Image().pixel(x, y);
    return RGBColor(qRed(p), qGreen(p), qBlue(p));
}

// Pixels of the surface that differ from the back colour.
QRect inkBounds(const PictureBox& pic) {
    const QImage& image = pic.Image();
    const QRgb back = rgbOf(pic.BackColor());
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffffu) != (back & 0xffffffu)) r |= QRect(x, y, 1, 1);
    return r;
}

std::unique_ptr<PictureBox> surface(int w = 200, int h = 120) {
    auto pic = std::make_unique<PictureBox>();
    pic->resize(w, h);
    pic->Cls();
    return pic;
}

constexpr qint32 kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

} // namespace

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startState();
    void cls_data();
    void cls();
    void print_data();
    void print();
    void textMixedAsWholeRows_data();
    void textMixedAsWholeRows();
    void textAtTheRightEdge_data();
    void textAtTheRightEdge();
    void mixPixels();
    void lineBoxFilled();
    void line_data();
    void line();
    void roundRect_data();
    void roundRect();
    void stretchBlt_data();
    void stretchBlt();
    void paintPicture();
    void followsWidgetSize();
    void recording();
    void coveredDrawingLeftOut_data();
    void coveredDrawingLeftOut();
    void coverOverTheAdvanceOnly_data();
    void coverOverTheAdvanceOnly();
    void coverOverPartOfACharacter_data();
    void coverOverPartOfACharacter();
};

void TestPictureBox::initTestCase() {
    QVERIFY(EnsureTahomaFont());
    QVERIFY(QFontDatabase::hasFamily(QStringLiteral("Tahoma")));
}

void TestPictureBox::startState() {
    const PictureBox pic;
    QCOMPARE(pic.objectName(), QStringLiteral("pic"));
    QCOMPARE(pic.BackColor(), SystemColor(5));
    QCOMPARE(pic.FontSize(), 8.25f);
    QCOMPARE(pic.DrawWidth(), 1);
    QVERIFY(!pic.FontBold() && !pic.FontItalic() && !pic.FontUnderline());
    QVERIFY(!pic.Recording());
    QFont f(QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(f).family(), QStringLiteral("Tahoma"));
    // Sizes that are not positive numbers are refused; huge ones are held.
    PictureBox sized;
    for (float bad : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()})
        sized.setFontSize(bad);
    QCOMPARE(sized.FontSize(), 8.25f);
    sized.setFontSize(1e9f);
    QCOMPARE(sized.FontSize(), 500.0f);
}

void TestPictureBox::cls_data() {
    QTest::addColumn<qint32>("back");
    QTest::newRow("system window colour") << SystemColor(5);
    QTest::newRow("plain colour") << RGBColor(10, 200, 30);
}

void TestPictureBox::cls() {
    QFETCH(qint32, back);
    auto pic = surface();
    pic->setForeColor(kRed);
    pic->Print(QStringLiteral("something"));
    pic->LineBoxFilled(5, 5, 50, 50, kBlue);
    pic->setBackColor(back);
    pic->setCurrentX(33);
    pic->Cls();
    QCOMPARE(pic->CurrentX(), 0.0f);
    QCOMPARE(pic->CurrentY(), 0.0f);
    QVERIFY(inkBounds(*pic).isNull());
    QCOMPARE(pic->Image().pixel(17, 23) & 0xffffffu, rgbOf(back) & 0xffffffu);
}

void TestPictureBox::print_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::newRow("regular") << QStringLiteral("/index.html") << 8.25f << false << false << false;
    QTest::newRow("bold underlined")
        << QStringLiteral("83.149.9.216") << 8.25f << true << false << true;
    QTest::newRow("italic") << QStringLiteral("UNITED STATES") << 8.25f << false << true << false;
    QTest::newRow("large") << QStringLiteral("Servidor") << 20.0f << false << false << false;
    QTest::newRow("small") << QStringLiteral("Servidor") << 4.0f << false << false << false;
    QTest::newRow("code page characters")
        << QStringLiteral("Pekín €ß") << 8.25f << false << false << false;
    QTest::newRow("empty") << QString() << 8.25f << false << false << false;
    QTest::newRow("control characters and a lone surrogate")
        << (QStringLiteral("a\x01\tb") + QChar(0xD800) + QStringLiteral("c")) << 8.25f << false
        << false << false;
}

void TestPictureBox::print() {
    QFETCH(QString, text);
    QFETCH(float, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    auto pic = surface(300, 120);
    pic->setFontSize(size);
    pic->setFontBold(bold);
    pic->setFontItalic(italic);
    pic->setFontUnderline(underline);
    pic->setForeColor(kRed);
    pic->setCurrentX(40);
    pic->setCurrentY(30);
    const float tw = pic->TextWidth(text), th = pic->TextHeight(text);
    pic->Print(text);

    // The next print goes to the start of the following line.
    QCOMPARE(pic->CurrentX(), 0.0f);
    QCOMPARE(pic->CurrentY(), 30 + th);
    QVERIFY(th > size); // a line is taller than the font's point size in pixels at 96 dpi
    const QRect ink = inkBounds(*pic);
    if (text.isEmpty()) {
        QVERIFY(ink.isNull());
        return;
    }
    // The ink lies in the text's box (a glyph's edge may reach a pixel beyond it, italics a pixel
    // or two past the end).
    QVERIFY2(ink.left() >= 39 && ink.top() >= 29 && ink.right() < 40 + tw + (italic ? 3 : 1) &&
                 ink.bottom() < 30 + th,
             qPrintable(QStringLiteral("ink %1,%2 %3x%4, box 40,30 %5x%6")
                            .arg(ink.x())
                            .arg(ink.y())
                            .arg(ink.width())
                            .arg(ink.height())
                            .arg(tw)
                            .arg(th)));
    QVERIFY(ink.width() > tw / 2);
    // Printed in the fore colour: the strongest ink is nearly pure red on the white surface.
    int strongest = 255;
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x) {
            const qint32 c = colorAt(*pic, x, y);
            if (ColorRed(c) >= 200)
                strongest = std::min(strongest, std::max(ColorGreen(c), ColorBlue(c)));
        }
    QVERIFY2(strongest <= 120, qPrintable(QString::number(strongest)));
    if (underline) {
        // A full-width rule under the text.
        int ruled = 0;
        for (int y = ink.top(); y <= ink.bottom(); ++y) {
            int n = 0;
            for (int x = 40; x < 40 + int(tw); ++x)
                n += colorAt(*pic, x, y) == kRed;
            ruled = std::max(ruled, n);
        }
        QCOMPARE(ruled, int(tw));
    }
}

void TestPictureBox::textMixedAsWholeRows_data() {
    QTest::addColumn<float>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("8.25") << 8.25f << false << false;
    QTest::newRow("8.25 bold") << 8.25f << true << false;
    QTest::newRow("8.25 italic") << 8.25f << false << true;
    QTest::newRow("4") << 4.0f << false << false;
    QTest::newRow("14.5") << 14.5f << false << false;
    QTest::newRow("36") << 36.0f << true << true;
}

// Glyphs that lie wholly inside the surface are mixed in several pixels at a time; glyphs cut by
// its left edge pixel by pixel. Each character drawn both ways over rows of varied colours must
// give the same pixels where both are visible.
namespace {

// Takes on the font of the current row of textMixedAsWholeRows_data.
void useFontOfRow(PictureBox& pic) {
    QFETCH(float, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    pic.setFontSize(size);
    pic.setFontBold(bold);
    pic.setFontItalic(italic);
}

} // namespace

void TestPictureBox::textMixedAsWholeRows() {
    constexpr int kWidth = 320, kShift = 160;
    QImage rows(kWidth, 100, QImage::Format_RGB32);
    for (int y = 0; y < rows.height(); ++y)
        for (int x = 0; x < kWidth; ++x)
            rows.setPixel(x, y, qRgb((y * 37) % 256, (y * 91 + 40) % 256, (y * 53 + 100) % 256));
    auto pic = surface(kWidth, 100);
    useFontOfRow(*pic);
    pic->setForeColor(0x3080F0);
    int compared = 0;
    for (char16_t c = 0x21; c < 0x7f; ++c) {
        const QString text(QChar{c});
        pic->Cls();
        pic->PaintPicture(rows, 0, 0);
        pic->setCurrentX(-2); // cut
        pic->setCurrentY(4);
        pic->Print(text);
        pic->setCurrentX(kShift - 2); // whole
        pic->setCurrentY(4);
        pic->Print(text);
        const QImage& image = pic->Image();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < kShift / 2; ++x) {
                const QRgb cut = image.pixel(x, y), whole = image.pixel(x + kShift, y);
                if (cut != whole)
                    QFAIL(qPrintable(QStringLiteral("'%1' at %2,%3: %4 cut, %5 whole")
                                         .arg(text)
                                         .arg(x)
                                         .arg(y)
                                         .arg(cut, 8, 16)
                                         .arg(whole, 8, 16)));
                compared += cut != rows.pixel(x, y);
            }
    }
    QVERIFY(compared > 200); // ink was compared, not only background
}

void TestPictureBox::textAtTheRightEdge_data() {
    textMixedAsWholeRows_data();
}

// Text that ends at the right edge keeps its ink, slanted or not, on its own rows: nothing of it
// reaches the start of the next rows.
void TestPictureBox::textAtTheRightEdge() {
    constexpr int kWidth = 240;
    auto pic = surface(kWidth, 90);
    pic->setBackColor(kWhite);
    useFontOfRow(*pic);
    pic->setForeColor(0);
    int inked = 0;
    for (char16_t c = 0x21; c < 0x7f; ++c) {
        const QString text = QStringLiteral("ab") + QChar{c};
        pic->Cls();
        for (const int y : {2, 40}) { // in one band, and across two
            pic->setCurrentX(kWidth - pic->TextWidth(text));
            pic->setCurrentY(float(y));
            pic->Print(text);
        }
        const QImage& image = pic->Image();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool ink = image.pixel(x, y) != qRgb(255, 255, 255);
                if (ink && x < 8) // the texts start 100 pixels or more to the right
                    QFAIL(qPrintable(QStringLiteral("'%1' reaches %2,%3").arg(text).arg(x).arg(y)));
                inked += ink;
            }
    }
    QVERIFY(inked > 1000);
}

// Text is laid on the picture by mixing its colour in with its coverage as the weight, each
// channel rounded to the nearest. Every colour channel value, picture channel value and weight is
// checked, in a run that starts and ends off the eight-pixel steps of the vector code.
void TestPictureBox::mixPixels() {
    constexpr int kRun = 256 * 256 + 5;
    constexpr QRgb kGuard = 0xff123456u;
    std::vector<QRgb> pixels(kRun + 2);
    std::vector<uchar> weights(kRun + 2, 255);
    const auto channels = [](int v) { return std::array{v, 255 - v, (v * 77) & 255}; };
    // Weight and pixel both change from one pixel to the next, and every weight meets every pixel
    // value: for weight k % 256 the pixel values are k / 256 + 3 * (k % 256), modulo 256.
    const auto pixelOf = [](int k) { return ((k >> 8) + 3 * k) & 255; };
    int wrong = 0;
    QString first;
    for (int c = 0; c < 256; ++c) {
        const auto color = channels(c);
        pixels.front() = pixels.back() = kGuard;
        for (int k = 0; k < kRun; ++k) {
            const auto d = channels(pixelOf(k));
            pixels[size_t(k) + 1] = qRgb(d[0], d[1], d[2]);
            weights[size_t(k) + 1] = uchar(k & 255);
        }
        ov::raster::MixPixels(pixels.data() + 1, weights.data() + 1, kRun,
                              qRgb(color[0], color[1], color[2]));
        for (int k = 0; k < kRun; ++k) {
            const auto d = channels(pixelOf(k));
            const int a = k & 255;
            const QRgb got = pixels[size_t(k) + 1];
            const std::array have{qRed(got), qGreen(got), qBlue(got)};
            for (size_t ch = 0; ch < 3; ++ch) {
                const int want = (color[ch] * a + d[ch] * (255 - a) + 127) / 255;
                if (have[ch] == want && qAlpha(got) == 255) continue;
                if (!wrong++)
                    first = QStringLiteral("colour %1, pixel %2, weight %3: %4 for %5 (%6)")
                                .arg(color[ch])
                                .arg(d[ch])
                                .arg(a)
                                .arg(have[ch])
                                .arg(want)
                                .arg(got, 8, 16);
            }
        }
        QCOMPARE(pixels.front(), kGuard);
        QCOMPARE(pixels.back(), kGuard);
    }
    QVERIFY2(wrong == 0, qPrintable(QString::number(wrong) + QStringLiteral(" wrong; ") + first));
}

void TestPictureBox::lineBoxFilled() {
    auto pic = surface();
    pic->LineBoxFilled(30, 20, 10.4f, 5, kGreen); // corners in either order, rounded
    QCOMPARE(inkBounds(*pic), QRect(QPoint(10, 5), QPoint(30, 20)));
    QCOMPARE(colorAt(*pic, 10, 5), kGreen);
    QCOMPARE(colorAt(*pic, 30, 20), kGreen);
    QCOMPARE(pic->CurrentX(), 10.4f);
    QCOMPARE(pic->CurrentY(), 5.0f);
    // Boxes past the edges are clipped, not refused.
    pic->LineBoxFilled(-50, -50, 1000, 3, kBlue);
    QCOMPARE(colorAt(*pic, 0, 0), kBlue);
    QCOMPARE(colorAt(*pic, 199, 3), kBlue);
}

void TestPictureBox::line_data() {
    QTest::addColumn<QLineF>("line");
    QTest::addColumn<int>("width");
    QTest::newRow("horizontal, 1") << QLineF(20, 50, 120, 50) << 1;
    QTest::newRow("horizontal, 3") << QLineF(20, 50, 120, 50) << 3;
    QTest::newRow("vertical, 2") << QLineF(60, 10, 60, 110) << 2;
    QTest::newRow("steep, 2") << QLineF(100, 100, 80, 10) << 2;
    QTest::newRow("shallow backwards, 3") << QLineF(150, 30, 10, 70) << 3;
    QTest::newRow("from outside, 2") << QLineF(-400, -300, 100, 60) << 2;
    QTest::newRow("a point") << QLineF(50, 50, 50, 50) << 1;
}

void TestPictureBox::line() {
    QFETCH(QLineF, line);
    QFETCH(int, width);
    auto pic = surface();
    pic->setDrawWidth(width);
    pic->Line(line.x1(), line.y1(), line.x2(), line.y2(), kBlue);
    const QImage& image = pic->Image();
    const auto inside = [&](QPointF p) { return image.rect().contains(p.toPoint()); };
    if (inside(line.p1())) QCOMPARE(colorAt(*pic, int(line.x1()), int(line.y1())), kBlue);
    QCOMPARE(colorAt(*pic, int(line.x2()), int(line.y2())), kBlue);
    // Across the line (near its end, which is always inside), `width` pixels are painted.
    const QPointF mid = line.pointAt(0.9);
    const bool xMajor = std::abs(line.dx()) >= std::abs(line.dy());
    int across = 0;
    for (int k = -6; k <= 6; ++k) {
        const int x = int(std::lround(mid.x())) + (xMajor ? 0 : k);
        const int y = int(std::lround(mid.y())) + (xMajor ? k : 0);
        across += colorAt(*pic, x, y) == kBlue;
    }
    if (line.length() > 0) QCOMPARE(across, width);
    // Nothing strays from the line.
    const QRect ink = inkBounds(*pic);
    const QRectF span =
        QRectF(line.p1(), line.p2()).normalized().adjusted(-width, -width, width, width);
    QVERIFY(span.contains(QRectF(ink)));
    QCOMPARE(pic->CurrentX(), float(line.x2()));
}

void TestPictureBox::roundRect_data() {
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<int>("fillStyle");
    QTest::addColumn<qint32>("pen");
    QTest::addColumn<qint32>("fill");
    QTest::newRow("solid, outline in the fill colour")
        << 1 << int(PictureBox::kFillSolid) << kRed << kRed;
    QTest::newRow("solid, black outline") << 1 << int(PictureBox::kFillSolid) << 0 << kGreen;
    QTest::newRow("transparent") << 1 << int(PictureBox::kFillTransparent) << kBlue << kGreen;
    QTest::newRow("thick outline") << 3 << int(PictureBox::kFillSolid) << kBlue << kWhite;
}

void TestPictureBox::roundRect() {
    QFETCH(int, penWidth);
    QFETCH(int, fillStyle);
    QFETCH(qint32, pen);
    QFETCH(qint32, fill);
    auto pic = surface();
    pic->setBackColor(RGBColor(200, 200, 200));
    pic->Cls();
    pic->setForeColor(pen);
    pic->setFillColor(fill);
    pic->setFillStyle(fillStyle);
    pic->setDrawWidth(penWidth);
    pic->RoundRect(20, 10, 120, 60);
    const qint32 back = RGBColor(200, 200, 200);

    // Left and top included, right and bottom excluded.
    QCOMPARE(inkBounds(*pic), QRect(QPoint(20, 10), QPoint(119, 59)));
    // The edges' middles are outline; the corners are cut by the 10 x 10 ellipse.
    for (const QPoint p : {QPoint(20, 35), QPoint(119, 35), QPoint(70, 10), QPoint(70, 59)})
        QCOMPARE(colorAt(*pic, p.x(), p.y()), pen);
    for (const QPoint p : {QPoint(20, 10), QPoint(119, 10), QPoint(20, 59), QPoint(119, 59)})
        QCOMPARE(colorAt(*pic, p.x(), p.y()), back);
    // Inside the outline: the fill, or what was there before when transparent.
    QCOMPARE(colorAt(*pic, 20 + penWidth, 35), fillStyle == PictureBox::kFillSolid ? fill : back);
    QCOMPARE(colorAt(*pic, 20 + penWidth - 1, 35), pen);
    QCOMPARE(colorAt(*pic, 70, 35), fillStyle == PictureBox::kFillSolid ? fill : back);
}

void TestPictureBox::stretchBlt_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("half-tone") << int(PictureBox::kStretchHalftone);
    QTest::newRow("colour on colour") << int(PictureBox::kStretchColorOnColor);
}

void TestPictureBox::stretchBlt() {
    QFETCH(int, mode);
    // A 16 x 11 picture: left half red, right half blue.
    QImage source(16, 11, QImage::Format_RGB32);
    source.fill(QColor(255, 0, 0));
    for (int y = 0; y < 11; ++y)
        for (int x = 8; x < 16; ++x)
            source.setPixel(x, y, qRgb(0, 0, 255));
    CMemoryDC dc;
    dc.setPicture(source);
    auto pic = surface();
    pic->SetStretchBltMode(mode);
    pic->StretchBlt(40, 30, 32, 22, dc, 0, 0, 16, 11);
    QCOMPARE(inkBounds(*pic), QRect(40, 30, 32, 22));
    QCOMPARE(colorAt(*pic, 45, 40), kRed);
    QCOMPARE(colorAt(*pic, 66, 40), kBlue);
    // At the seam smooth scaling mixes, plain scaling does not.
    const qint32 seam = colorAt(*pic, 55, 40);
    const bool mixed = seam != kRed && seam != kBlue;
    QCOMPARE(mixed, mode == PictureBox::kStretchHalftone);
    // Drawing the same copy again gives the same pixels; a part of the source scales alone.
    const QImage first = pic->Image();
    pic->StretchBlt(40, 30, 32, 22, dc, 0, 0, 16, 11);
    QCOMPARE(pic->Image(), first);
    pic->StretchBlt(100, 10, 20, 20, dc, 8, 0, 8, 11);
    QCOMPARE(colorAt(*pic, 101, 11), kBlue);
    QCOMPARE(colorAt(*pic, 118, 28), kBlue);
    // Empty rectangles draw nothing.
    pic->Cls();
    pic->StretchBlt(10, 10, 0, 5, dc, 0, 0, 16, 11);
    pic->StretchBlt(10, 10, 5, 5, dc, 0, 0, 0, 11);
    QVERIFY(inkBounds(*pic).isNull());
}

void TestPictureBox::paintPicture() {
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            picture.setPixel(x, y, qRgba(0, 255, 0, 255));
    picture.setPixel(0, 7, qRgba(255, 0, 0, 128));
    auto pic = surface();
    pic->setBackColor(kWhite);
    pic->Cls();
    pic->PaintPicture(picture, 10.4f, 20);
    QCOMPARE(colorAt(*pic, 12, 22), kGreen);
    QCOMPARE(colorAt(*pic, 10, 20), kWhite); // transparent: the surface shows through
    const qint32 half = colorAt(*pic, 10, 27);
    QVERIFY(ColorRed(half) == 255 && ColorGreen(half) > 100 && ColorGreen(half) < 150);
    QCOMPARE(inkBounds(*pic), QRect(QPoint(10, 22), QPoint(15, 27)));
    // Partly outside: the rest is drawn.
    pic->PaintPicture(picture, -4, -4);
    QCOMPARE(colorAt(*pic, 0, 0), kGreen);
}

void TestPictureBox::followsWidgetSize() {
    PictureBox pic;
    pic.resize(100, 80);
    pic.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pic));
    QSignalSpy resized(&pic, &PictureBox::Resize);
    pic.Cls();
    pic.LineBoxFilled(0, 0, 9, 9, kRed);
    pic.resize(160, 120);
    QTRY_VERIFY_WITH_TIMEOUT(resized.count() >= 1, 5000);
    QCOMPARE(pic.ScaleWidth(), 160);
    QCOMPARE(pic.ScaleHeight(), 120);
    QCOMPARE(pic.Image().size(), QSize(160, 120));
    QCOMPARE(colorAt(pic, 9, 9), kRed); // what was drawn stays
    QCOMPARE(pic.Image().pixel(150, 110) & 0xffffffu, rgbOf(pic.BackColor()) & 0xffffffu);
    // A surface that was never shown follows its size too.
    PictureBox hidden;
    hidden.resize(70, 50);
    hidden.Cls();
    QCOMPARE(hidden.Image().size(), QSize(70, 50));
    QCOMPARE(hidden.ScaleWidth(), 70);
}

void TestPictureBox::recording() {
    auto pic = surface();
    pic->Print(QStringLiteral("not kept"));
    QVERIFY(pic->Drawn().empty());
    pic->setRecording(true);
    pic->setCurrentX(12.5f);
    pic->setCurrentY(7);
    pic->setForeColor(kRed);
    pic->setFontBold(true);
    pic->Print(QStringLiteral("abc"));
    pic->setDrawWidth(3);
    pic->Line(1, 2, 30, 40, kBlue);
    pic->setFillStyle(PictureBox::kFillTransparent);
    pic->RoundRect(5, 6, 50, 60);
    QCOMPARE(pic->Drawn().size(), size_t(3));
    const DrawnItem& text = pic->Drawn()[0];
    QCOMPARE(text.kind, DrawnItem::Kind::Text);
    QCOMPARE(text.text, QStringLiteral("abc"));
    QCOMPARE(text.rect.topLeft(), QPointF(12.5, 7));
    QCOMPARE(text.rect.width(), double(pic->TextWidth(QStringLiteral("abc"))));
    QVERIFY(text.bold && !text.italic);
    QCOMPARE(text.color, kRed);
    QCOMPARE(pic->Drawn()[1].line, QLineF(1, 2, 30, 40));
    QCOMPARE(pic->Drawn()[1].width, 3);
    QCOMPARE(pic->Drawn()[2].fillColor, -1);
    pic->Cls();
    QVERIFY(pic->Drawn().empty());
}

namespace {

// A random scene: texts of several faces, some underlined, under and over boxes, rounded
// rectangles with and without fill, pictures with and without transparency and lines; some texts
// and boxes are kept as lists and replayed elsewhere.
struct SceneStep {
    enum Kind { Text, Box, Round, Picture, Line, Keep, Replay } kind;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0, width = 1;
    qint32 color = 0, fill = 0;
    bool filled = false, opaque = false, bold = false, italic = false, underline = false;
    float size = 8.25f;
    QString text;
    int list = 0; // Replay: the Keep step (its index among them) that is replayed
};

std::vector<SceneStep> randomScene(quint32 seed, int w, int h) {
    QRandomGenerator r(seed);
    const auto in = [&r](int lo, int hi) { return int(r.bounded(lo, hi + 1)); };
    const float sizes[] = {8.25f, 8.25f, 4.0f, 14.5f};
    std::vector<SceneStep> steps;
    int kept = 0;
    for (int i = 0; i < 220; ++i) {
        SceneStep s;
        const int roll = in(0, 99);
        s.kind = roll < 45   ? SceneStep::Text
                 : roll < 63 ? SceneStep::Box
                 : roll < 75 ? SceneStep::Round
                 : roll < 82 ? SceneStep::Picture
                 : roll < 88 ? SceneStep::Line
                 : roll < 94 ? SceneStep::Keep
                             : SceneStep::Replay;
        if (s.kind == SceneStep::Replay && kept == 0) s.kind = SceneStep::Keep;
        s.x1 = in(-40, w + 5);
        s.y1 = in(-20, h + 5);
        s.x2 = s.x1 + in(-60, 120);
        s.y2 = s.y1 + in(-20, 50);
        s.width = in(1, 3);
        s.color = qint32(r.generate() & 0xffffffu);
        s.fill = qint32(r.generate() & 0xffffffu);
        if (in(0, 2) == 0) s.fill = s.color; // a rounded box all of one colour
        s.filled = in(0, 2) != 0;
        s.opaque = in(0, 1) != 0;
        s.size = sizes[in(0, 3)];
        s.bold = in(0, 3) == 0;
        s.italic = in(0, 3) == 0;
        s.underline = in(0, 4) == 0;
        for (int n = in(1, 30); n > 0; --n)
            s.text += QChar(char16_t(in(0x21, 0x7e)));
        if (s.kind == SceneStep::Keep) ++kept;
        if (s.kind == SceneStep::Replay) s.list = in(0, kept - 1);
        steps.push_back(s);
    }
    return steps;
}

void printAt(PictureBox& pic, const SceneStep& s, int dx, int dy) {
    pic.setFontSize(s.size);
    pic.setFontBold(s.bold);
    pic.setFontItalic(s.italic);
    pic.setFontUnderline(s.underline);
    pic.setForeColor(s.color);
    pic.setCurrentX(float(s.x1 + dx));
    pic.setCurrentY(float(s.y1 + dy));
    pic.Print(s.text);
}

// Draws the scene; step by step, every step is carried out on the pixels before the next is
// given, and kept lists are drawn again instead of replayed.
void drawScene(PictureBox& pic, const std::vector<SceneStep>& steps, bool stepByStep) {
    QImage seeThrough(9, 7, QImage::Format_ARGB32);
    seeThrough.fill(qRgba(200, 30, 90, 128));
    seeThrough.setPixel(4, 3, qRgba(0, 0, 0, 0));
    QImage solid(16, 11, QImage::Format_RGB32);
    solid.fill(qRgb(20, 140, 60));
    std::vector<PictureBox::OpList> lists;
    std::vector<const SceneStep*> keptSteps;
    const auto settle = [&] {
        if (stepByStep) (void)pic.Image();
    };
    const auto keep = [&](const SceneStep& s, int dx, int dy) {
        printAt(pic, s, dx, dy);
        settle();
        pic.LineBoxFilled(float(s.x1 + dx + 3), float(s.y1 + dy + 4), float(s.x1 + dx + 20),
                          float(s.y1 + dy + 9), s.fill);
        settle();
    };
    pic.Cls();
    for (const SceneStep& s : steps) {
        switch (s.kind) {
        case SceneStep::Text:
            printAt(pic, s, 0, 0);
            break;
        case SceneStep::Box:
            pic.LineBoxFilled(float(s.x1), float(s.y1), float(s.x2), float(s.y2), s.color);
            break;
        case SceneStep::Round:
            pic.setForeColor(s.color);
            pic.setFillColor(s.fill);
            pic.setFillStyle(s.filled ? PictureBox::kFillSolid : PictureBox::kFillTransparent);
            pic.setDrawWidth(s.width);
            pic.RoundRect(s.x1, s.y1, s.x2, s.y2);
            break;
        case SceneStep::Picture:
            pic.PaintPicture(s.opaque ? solid : seeThrough, float(s.x1), float(s.y1));
            break;
        case SceneStep::Line:
            pic.setDrawWidth(s.width);
            pic.Line(float(s.x1), float(s.y1), float(s.x2), float(s.y2), s.color);
            break;
        case SceneStep::Keep:
            keptSteps.push_back(&s);
            if (stepByStep) {
                keep(s, 0, 0);
                break;
            }
            pic.BeginList();
            keep(s, 0, 0);
            lists.push_back(pic.EndList());
            QVERIFY(!lists.back().isEmpty());
            break;
        case SceneStep::Replay: {
            const int dx = s.x2 - s.x1, dy = s.y2 - s.y1;
            if (stepByStep)
                keep(*keptSteps[size_t(s.list)], dx, dy);
            else
                QVERIFY(pic.Replay(lists[size_t(s.list)], dx, dy));
            break;
        }
        }
        settle();
    }
}

} // namespace

void TestPictureBox::coveredDrawingLeftOut_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("threads");
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u})
        for (int threads : {1, 0})
            QTest::addRow("scene %u, %s", seed, threads ? "one thread" : "all threads")
                << seed << threads;
}

// Characters that later boxes, filled rounded rectangles or opaque pictures paint over are left
// out when the collected drawing is carried out at once. The picture must be the one that
// carrying out each step before the next gives.
void TestPictureBox::coveredDrawingLeftOut() {
    QFETCH(quint32, seed);
    QFETCH(int, threads);
    constexpr int kWidth = 300, kHeight = 200;
    const std::vector<SceneStep> steps = randomScene(seed, kWidth, kHeight);
    auto atOnce = surface(kWidth, kHeight), stepwise = surface(kWidth, kHeight);
    atOnce->setDrawThreads(threads);
    stepwise->setDrawThreads(threads);
    drawScene(*atOnce, steps, false);
    drawScene(*stepwise, steps, true);
    const QImage& a = atOnce->Image();
    const QImage& b = stepwise->Image();
    int inked = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("at %1,%2: %3 at once, %4 step by step")
                                     .arg(x)
                                     .arg(y)
                                     .arg(a.pixel(x, y), 8, 16)
                                     .arg(b.pixel(x, y), 8, 16)));
            inked += a.pixel(x, y) != a.pixel(0, 0);
        }
    QVERIFY(inked > kWidth * kHeight / 2); // a crowded scene, not an empty one
}

void TestPictureBox::coverOverTheAdvanceOnly_data() {
    QTest::addColumn<float>("size");
    QTest::addColumn<bool>("italic");
    QTest::newRow("8.25") << 8.25f << false;
    QTest::newRow("8.25 italic") << 8.25f << true;
    QTest::newRow("14.5 italic") << 14.5f << true;
}

// A box over exactly the advance of a character does not hide the ink that reaches beyond it
// (italic slants, negative bearings).
namespace {

// Prints text in blue on both surfaces from a clean picture, start setting the font and the
// position, then paints cover over it; stepwise carries out the printing before the cover is
// given. Answers whether the two pictures are the same.
template <class Start, class Cover>
bool sameAtOnceAndStepwise(PictureBox& atOnce, PictureBox& stepwise, const QString& text,
                           const Start& start, const Cover& cover) {
    for (PictureBox* pic : {&atOnce, &stepwise}) {
        pic->Cls();
        pic->setForeColor(kBlue);
        start(*pic);
        pic->Print(text);
        if (pic == &stepwise) (void)pic->Image();
        cover(*pic);
    }
    return atOnce.Image() == stepwise.Image();
}

} // namespace

void TestPictureBox::coverOverTheAdvanceOnly() {
    QFETCH(float, size);
    QFETCH(bool, italic);
    auto atOnce = surface(120, 60), stepwise = surface(120, 60);
    int beyond = 0;
    for (char16_t c = 0x21; c < 0x7f; ++c) {
        const QString text(QChar{c});
        const auto start = [&](PictureBox& pic) {
            pic.setFontSize(size);
            pic.setFontItalic(italic);
            pic.setCurrentX(50);
            pic.setCurrentY(10);
        };
        const auto cover = [&](PictureBox& pic) {
            pic.LineBoxFilled(50, 0, 50 + pic.TextWidth(text) - 1, 59, kGreen);
        };
        if (!sameAtOnceAndStepwise(*atOnce, *stepwise, text, start, cover))
            QFAIL(qPrintable(QStringLiteral("'%1' drawn at once differs").arg(text)));
        // The box spans the advance; ink wider than that reaches out of it.
        beyond += inkBounds(*atOnce).width() > int(atOnce->TextWidth(text));
    }
    QVERIFY(beyond > 0);
}

void TestPictureBox::coverOverPartOfACharacter_data() {
    QTest::addColumn<int>("openFrom"); // the columns boxes leave open, the last included
    QTest::addColumn<int>("openTo");
    QTest::newRow("right of column 64 covered") << 0 << 63;
    QTest::newRow("left of column 64 covered") << 64 << 139;
    QTest::newRow("all but columns 62 and 63 covered") << 62 << 63;
}

// Characters lying across column 64 (where the cover's words of columns meet) with boxes over all
// but some columns of the picture: what the boxes leave open is drawn.
void TestPictureBox::coverOverPartOfACharacter() {
    QFETCH(int, openFrom);
    QFETCH(int, openTo);
    constexpr int kWidth = 140, kHeight = 60;
    auto atOnce = surface(kWidth, kHeight), stepwise = surface(kWidth, kHeight);
    const QRgb back = atOnce->Image().pixel(0, 0);
    int seen = 0;
    for (char16_t c = 0x21; c < 0x7f; ++c) {
        const QString text(QChar{c});
        const auto start = [&](PictureBox& pic) {
            pic.setFontSize(14.5f);
            pic.setCurrentX(64 - std::floor(pic.TextWidth(text) / 2));
            pic.setCurrentY(10);
        };
        const auto cover = [&](PictureBox& pic) {
            if (openFrom > 0) pic.LineBoxFilled(0, 0, float(openFrom - 1), kHeight, kGreen);
            if (openTo < kWidth - 1)
                pic.LineBoxFilled(float(openTo + 1), 0, kWidth, kHeight, kGreen);
        };
        if (!sameAtOnceAndStepwise(*atOnce, *stepwise, text, start, cover))
            QFAIL(qPrintable(QStringLiteral("'%1' drawn at once differs").arg(text)));
        const QImage& image = atOnce->Image();
        for (int y = 0; y < kHeight; ++y)
            for (int x = openFrom; x <= openTo; ++x)
                seen += image.pixel(x, y) != back;
    }
    QVERIFY(seen > 0); // ink shows between the boxes
}

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
