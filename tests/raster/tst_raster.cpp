// The pixel engine through the pictures it makes: shapes where the operator sees them, every
// character's coverage as Qt renders it mixed into the picture by the stated formula, and crowded
// scenes drawn at once, on several threads and from kept lists, against the same scene carried
// out one operation at a time.
#include "raster/Raster.h"

#include <QFontDatabase>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

using namespace ov::raster;

namespace {

constexpr QRgb kBack = 0xffc8c8c8u, kRed = 0xffff0000u, kGreen = 0xff00ff00u, kBlue = 0xff0000ffu,
               kWhite = 0xffffffffu, kBlack = 0xff000000u;

std::unique_ptr<Surface> surface(int w, int h, QRgb back = kBack) {
    auto s = std::make_unique<Surface>();
    s->Resize({w, h}, back);
    s->Clear(back);
    return s;
}

QFont font(float size, bool bold, bool italic) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// A random scene: texts of several faces, some underlined, under and over boxes (some exactly
// over a text's advance, some leaving columns around a 64-column word open), rounded rectangles
// with and without fill, pictures with and without transparency and lines; some texts with a box
// over them are kept as lists and replayed elsewhere. Step by step, every operation is carried
// out on the pixels before the next is given, and kept lists are drawn again instead.
void drawScene(Surface& s, quint32 seed, bool stepByStep) {
    QRandomGenerator r(seed);
    const auto in = [&r](int lo, int hi) { return int(r.bounded(lo, hi + 1)); };
    QImage seeThrough(9, 7, QImage::Format_ARGB32), solid(16, 11, QImage::Format_RGB32);
    seeThrough.fill(qRgba(200, 30, 90, 128));
    seeThrough.setPixel(4, 3, 0);
    solid.fill(qRgb(20, 140, 60));
    struct Kept {
        QFont face;
        QString text;
        int x, y;
        QRgb color;
        bool underline;
    };
    std::vector<Kept> kept;
    std::vector<OpList> lists;
    QRect last;
    const auto settle = [&] {
        if (stepByStep) (void)s.Image();
    };
    const auto keep = [&](const Kept& k, int dx, int dy) {
        s.Text(k.x + dx, k.y + dy, k.text, s.Face(k.face), k.color, k.underline);
        settle();
        s.Box(k.x + dx + 3, k.y + dy + 4, k.x + dx + 20, k.y + dy + 9, ~k.color | kBlack);
    };
    s.Clear(kWhite);
    for (int i = 0; i < 240; ++i) {
        const int roll = in(0, 99), x = in(-40, 305), y = in(-20, 205);
        const int x2 = x + in(-60, 120), y2 = y + in(-20, 50), width = in(1, 3);
        const QRgb color = r.generate() | kBlack, fill = in(0, 2) ? ~color | kBlack : color;
        const bool flag = in(0, 2) != 0, underline = in(0, 4) == 0;
        const QFont face = font(QList<float>{8.25f, 4, 14.5f}[in(0, 2)], !in(0, 3), !in(0, 3));
        QString text;
        for (int n = in(1, 30); n > 0; --n)
            text += QChar(char16_t(in(0x21, 0x7e)));
        if (roll < 40) {
            GlyphFont& glyphs = s.Face(face);
            last = QRect(x, y, s.Text(x, y, text, glyphs, color, underline), glyphs.Height());
        } else if (roll < 55) {
            s.Box(x, y, x2, y2, color);
        } else if (roll < 66) {
            s.RoundRect(x, y, x2, y2, 10, 10, color, width,
                        flag ? std::optional(fill) : std::nullopt);
        } else if (roll < 73) {
            s.Picture(x, y, flag ? solid : seeThrough);
        } else if (roll < 79) {
            s.Line(x, y, x2, y2, width, color);
        } else if (roll < 85 || (roll < 91 && kept.empty())) {
            kept.push_back({face, text, x, y, color, underline});
            if (!stepByStep) s.BeginList();
            keep(kept.back(), 0, 0);
            if (!stepByStep) lists.push_back(s.EndList());
            QVERIFY(stepByStep || !lists.back().isEmpty());
        } else if (roll < 91) {
            const int k = in(0, int(kept.size()) - 1);
            if (stepByStep)
                keep(kept[size_t(k)], x2 - x, y2 - y);
            else
                QVERIFY(s.Replay(lists[size_t(k)], x2 - x, y2 - y));
        } else if (roll < 97) {
            s.Box(last.left(), last.top() - 20, last.right(), last.bottom() + 20, color);
        } else {
            s.Box(0, y, 61, y2, color);
            s.Box(64, y, 400, y2, color);
        }
        settle();
    }
}

} // namespace

class TestRaster : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        QVERIFY(QFontDatabase::hasFamily(QStringLiteral("Tahoma")));
    }

    // Shapes as the operator sees them, compared with a picture checked by eye
    // (tests/raster/shapes.png; OV_WRITE_PICTURES=1 in the environment writes it anew, after a
    // deliberate change): boxes with their corners given either way and past the edges; rounded
    // rectangles without their right and bottom edges, corners cut, outlines of 1 to 3 pixels
    // inside the shape, filled or not; lines of 1 to 3 pixels in every direction, from outside
    // the picture; pictures copied whole or blended by their alpha, cut by the edges.
    void shapes() {
        QImage seeThrough(8, 8, QImage::Format_ARGB32);
        seeThrough.fill(qRgba(255, 0, 0, 128));
        seeThrough.setPixel(2, 2, qRgba(0, 0, 0, 0));
        seeThrough.setPixel(5, 5, kGreen);
        auto s = surface(240, 160);
        s->Box(30, 20, 10, 5, kGreen);
        s->Box(-50, 150, 1000, 1000, kBlue);
        for (int pen = 1; pen <= 3; ++pen) {
            s->RoundRect(40 + 60 * pen, 10, 90 + 60 * pen, 50, 10, 10, kBlack, pen, std::nullopt);
            s->RoundRect(40 + 60 * pen, 60, 90 + 60 * pen, 100, 10 * pen, 6, kRed, pen, kWhite);
        }
        s->RoundRect(40, 60, 90, 100, 10, 10, kGreen, 1, kGreen);
        for (int width = 1; width <= 3; ++width) {
            s->Line(10, 40 + 20 * width, 70, 50 + 20 * width, width, kBlue);
            s->Line(10 + 8 * width, 110, 4 * width, 145, width, kRed);
            s->Line(-100, -100 + 30 * width, 239, 159, width, 0xff808000u);
        }
        s->Line(200, 120, 200, 120, 1, kBlack);
        s->Picture(150, 110, seeThrough);
        s->Picture(236, 120, seeThrough);
        QImage solid(16, 11, QImage::Format_RGB32);
        solid.fill(kBlue);
        s->Picture(-4, -4, solid);
        const QString name = OV_SOURCE_DIR "/tests/raster/shapes.png";
        if (qEnvironmentVariableIsSet("OV_WRITE_PICTURES")) QVERIFY(s->Image().save(name));
        const QImage expected = QImage(name).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(expected.size() == s->Image().size(), qPrintable(name + " is missing"));
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 240; ++x)
                if (s->Image().pixel(x, y) != expected.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("first difference at %1,%2: %3 for %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(s->Image().pixel(x, y), 8, 16)
                                         .arg(expected.pixel(x, y), 8, 16)));
    }

    void text_data() {
        QTest::addColumn<QFont>("face");
        QTest::newRow("8.25") << font(8.25f, false, false);
        QTest::newRow("8.25 bold") << font(8.25f, true, false);
        QTest::newRow("8.25 italic") << font(8.25f, false, true);
        QTest::newRow("4") << font(4, false, false);
        QTest::newRow("14.5") << font(14.5f, false, false);
        QTest::newRow("36 bold italic") << font(36, true, true);
    }
    // Each character, cut by the left edge, inside and cut by the right edge, over pixels of many
    // colours: every pixel is the colour mixed in with the coverage Qt gives that character at
    // that place, (colour * w + pixel * (255 - w)) / 255 rounded to the nearest.
    void text() {
        QFETCH(QFont, face);
        constexpr int kW = 320, kH = 100;
        constexpr QRgb kInk = 0xff3080f0u;
        QImage back(kW, kH, QImage::Format_RGB32);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                back.setPixel(x, y, qRgb((y * 37 + x) % 256, (y * 91 + 40) % 256, (x * 53) % 256));
        auto s = surface(kW, kH);
        GlyphFont& glyphs = s->Face(face);
        int inked = 0;
        for (char16_t c = 0x21; c < 0x81; ++c) { // and two beyond ASCII
            const QString text(QChar(c == 0x7f ? u'€' : c == 0x80 ? u'é' : c));
            QImage coverage(kW, kH, QImage::Format_ARGB32_Premultiplied);
            coverage.fill(Qt::transparent);
            QPainter p(&coverage);
            p.setFont(face);
            s->Clear(kBack);
            s->Picture(0, 0, back);
            for (const int x : {-2, 150, kW - 3}) {
                p.drawText(QPointF(x, 10 + glyphs.Ascent()), text);
                s->Text(x, 10, text, glyphs, kInk, false);
            }
            p.end();
            const QImage& image = s->Image();
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const int w = qAlpha(coverage.pixel(x, y));
                    const QRgb d = back.pixel(x, y);
                    const auto mix = [w](int c, int d) {
                        return (c * w + d * (255 - w) + 127) / 255;
                    };
                    const QRgb want = qRgb(mix(qRed(kInk), qRed(d)), mix(qGreen(kInk), qGreen(d)),
                                           mix(qBlue(kInk), qBlue(d)));
                    if (image.pixel(x, y) != want)
                        QFAIL(qPrintable(QStringLiteral("'%1' at %2,%3: %4, not %5")
                                             .arg(text)
                                             .arg(x)
                                             .arg(y)
                                             .arg(image.pixel(x, y), 8, 16)
                                             .arg(want, 8, 16)));
                    inked += w > 0;
                }
        }
        QVERIFY(inked > 1000);
    }

    // Drawing left out because later opaque paint covers it, bands drawn on several threads and
    // kept lists replayed: the picture is the one that carrying out each step before the next
    // gives.
    void scene() {
        for (const quint32 seed : {1u, 2u, 3u, 4u, 5u})
            for (const int threads : {1, 0}) {
                auto atOnce = surface(300, 200), stepwise = surface(300, 200);
                atOnce->setThreads(threads);
                drawScene(*atOnce, seed, false);
                drawScene(*stepwise, seed, true);
                const QImage &a = atOnce->Image(), &b = stepwise->Image();
                int inked = 0;
                for (int y = 0; y < 200; ++y)
                    for (int x = 0; x < 300; ++x) {
                        if (a.pixel(x, y) != b.pixel(x, y))
                            QFAIL(qPrintable(
                                QStringLiteral("scene %1, %2 threads, at %3,%4: %5 at once, %6 "
                                               "step by step")
                                    .arg(seed)
                                    .arg(threads)
                                    .arg(x)
                                    .arg(y)
                                    .arg(a.pixel(x, y), 8, 16)
                                    .arg(b.pixel(x, y), 8, 16)));
                        inked += a.pixel(x, y) != kWhite;
                    }
                QVERIFY(inked > 300 * 200 / 2); // a crowded scene, not an empty one
            }
    }
};

QTEST_MAIN(TestRaster)
#include "tst_raster.moc"
