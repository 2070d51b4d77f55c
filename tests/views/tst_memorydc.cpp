// The off-screen surface: its size rules, real flag pictures copied in and out, adoption of
// bitmaps with their ownership rules, pixel access and scaled copies.
#include "core/raised_error.h"
#include "views/CMemoryDC.h"
#include "views/modColor.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPalette>
#include <QTest>

namespace {

const QString kFlagDir = QStringLiteral("/usr/share/flags/countries/16x11");

QImage loadFlag(const QString& code) {
    QImage image(kFlagDir + u'/' + code + QStringLiteral(".gif"));
    return image;
}

qint32 rgbOf(QRgb px) {
    return RGBColor(qRed(px), qGreen(px), qBlue(px));
}

HBitmap solidBitmap(int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    return MakeBitmap(image);
}

} // namespace

class TestMemoryDC : public QObject {
    Q_OBJECT
private slots:
    void newSurface();
    void sizeChanges_data();
    void sizeChanges();
    void flagPicture_data();
    void flagPicture();
    void pictureReadIsACopy();
    void invalidHandles_data();
    void invalidHandles();
    void nullPictureKeepsBitmap();
    void adoption();
    void terminateKillsBitmap_data();
    void terminateKillsBitmap();
    void ownBitmapDeletedWhenReplaced();
    void pixelColors_data();
    void pixelColors();
    void stretchBlt();
};

void TestMemoryDC::newSurface() {
    const CMemoryDC dc;
    QCOMPARE(dc.Width(), 1);
    QCOMPARE(dc.Height(), 1);
    QVERIFY(dc.TerminateKillsBitmap());
    QCOMPARE(dc.BitsPerPixel(), 32);
    QCOMPARE(dc.WidthBytes(), 4);
    QCOMPARE(dc.Planes(), 1);
    QCOMPARE(dc.bmType(), 0);
    QVERIFY(dc.Bits() != nullptr);
    QVERIFY(dc.hBitmap() && !dc.hBitmap()->deleted);
    QCOMPARE(dc.hDC().size(), QSize(1, 1));
}

// Width and height requests in turn; a value below 1 keeps the bitmap and its pixels.
void TestMemoryDC::sizeChanges_data() {
    QTest::addColumn<QList<int>>("widths"); // 0 where the step sets the height instead
    QTest::addColumn<QList<int>>("heights");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<bool>("pixelsKept");
    QTest::newRow("width 0 keeps") << QList<int>{0} << QList<int>{} << QSize(1, 1) << true;
    QTest::newRow("height -5 keeps") << QList<int>{} << QList<int>{-5} << QSize(1, 1) << true;
    QTest::newRow("width 20") << QList<int>{20} << QList<int>{} << QSize(20, 1) << false;
    QTest::newRow("both") << QList<int>{16} << QList<int>{11} << QSize(16, 11) << false;
    // The rejected width is still the requested one: the next height change cannot recreate.
    QTest::newRow("width 0 then height") << QList<int>{0} << QList<int>{7} << QSize(1, 1) << true;
}

void TestMemoryDC::sizeChanges() {
    QFETCH(QList<int>, widths);
    QFETCH(QList<int>, heights);
    QFETCH(QSize, expected);
    QFETCH(bool, pixelsKept);
    CMemoryDC dc;
    dc.setPixelColor(0, 0, RGBColor(1, 2, 3));
    const HBitmap before = dc.hBitmap();
    for (const int w : widths)
        dc.setWidth(w);
    for (const int h : heights)
        dc.setHeight(h);
    QCOMPARE(QSize(dc.Width(), dc.Height()), expected);
    QCOMPARE(dc.hDC().size(), expected);
    QCOMPARE(dc.hBitmap() == before, pixelsKept);
    QCOMPARE(dc.PixelColor(0, 0) == RGBColor(1, 2, 3), pixelsKept);
}

void TestMemoryDC::flagPicture_data() {
    QTest::addColumn<QString>("code");
    if (!QDir(kFlagDir).exists()) QSKIP("famfamfam-flag-gif is not installed (scripts/setup.sh)");
    for (const char* code : {"de", "fr", "jp", "br", "es", "ar"})
        QTest::newRow(code) << code;
}

void TestMemoryDC::flagPicture() {
    QFETCH(QString, code);
    const QImage flag = loadFlag(code);
    QVERIFY2(!flag.isNull(), qPrintable(code));
    const QImage original = flag.copy();
    CMemoryDC dc;
    dc.setPicture(flag);
    QCOMPARE(dc.Width(), 16);
    QCOMPARE(dc.Height(), 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 16; ++x) {
            QCOMPARE(dc.PixelColor(x, y), rgbOf(flag.pixel(x, y)));
            QCOMPARE(dc.hDC().pixel(x, y), flag.pixel(x, y) | 0xFF000000u);
        }
    // Drawing on the surface leaves the source picture as it was.
    {
        QPainter painter(&dc.hDC());
        painter.fillRect(QRect(0, 0, 16, 11), Qt::magenta);
    }
    QCOMPARE(dc.PixelColor(5, 5), RGBColor(255, 0, 255));
    QCOMPARE(flag, original);
}

void TestMemoryDC::pictureReadIsACopy() {
    CMemoryDC dc;
    dc.setWidth(4);
    dc.setHeight(3);
    dc.setPixelColor(3, 2, RGBColor(10, 20, 30));
    QImage picture = dc.Picture();
    QCOMPARE(picture.size(), QSize(4, 3));
    QCOMPARE(rgbOf(picture.pixel(3, 2)), RGBColor(10, 20, 30));
    picture.setPixel(3, 2, qRgb(0, 0, 0));
    QCOMPARE(dc.PixelColor(3, 2), RGBColor(10, 20, 30));
}

void TestMemoryDC::invalidHandles_data() {
    QTest::addColumn<HBitmap>("bitmap");
    QTest::newRow("null handle") << HBitmap();
    QTest::newRow("empty image") << std::make_shared<MemoryBitmap>();
    auto deleted = solidBitmap(2, 2, Qt::red);
    deleted->deleted = true;
    QTest::newRow("deleted bitmap") << deleted;
}

void TestMemoryDC::invalidHandles() {
    QFETCH(HBitmap, bitmap);
    CMemoryDC dc;
    dc.setWidth(3);
    const HBitmap before = dc.hBitmap();
    try {
        dc.setHBitmap(bitmap);
        QFAIL("no error raised");
    } catch (const ov::RaisedError& e) {
        QCOMPARE(e.Number, long(0x80040001u));
        QCOMPARE(e.Source, QStringLiteral("CMemoryDC.hBitmap"));
        QCOMPARE(e.Description, QStringLiteral("Invalid handle."));
    }
    QCOMPARE(dc.hBitmap(), before);
    QVERIFY(!before->deleted);
    QCOMPARE(dc.Width(), 3);
}

void TestMemoryDC::nullPictureKeepsBitmap() {
    CMemoryDC dc;
    dc.setWidth(5);
    const HBitmap before = dc.hBitmap();
    QVERIFY_THROWS_EXCEPTION(ov::RaisedError, dc.setPicture(QImage()));
    QCOMPARE(dc.hBitmap(), before);
    QCOMPARE(dc.Width(), 5);
}

void TestMemoryDC::adoption() {
    const HBitmap first = solidBitmap(7, 4, Qt::blue);
    const HBitmap second = solidBitmap(3, 9, Qt::green);
    CMemoryDC dc;
    const HBitmap own = dc.hBitmap();
    dc.setHBitmap(first);
    QVERIFY(own->deleted); // the own bitmap it replaced
    QCOMPARE(dc.hBitmap(), first);
    QCOMPARE(QSize(dc.Width(), dc.Height()), QSize(7, 4));
    QCOMPARE(dc.PixelColor(6, 3), RGBColor(0, 0, 255));
    // Drawing goes into the adopted bitmap itself.
    dc.setPixelColor(0, 0, RGBColor(9, 8, 7));
    QCOMPARE(rgbOf(first->image.pixel(0, 0)), RGBColor(9, 8, 7));
    // Replacing an adopted bitmap, by another or by an own one, never deletes it.
    dc.setHBitmap(second);
    QVERIFY(!first->deleted);
    QCOMPARE(QSize(dc.Width(), dc.Height()), QSize(3, 9));
    dc.setWidth(2);
    QVERIFY(!second->deleted);
    QCOMPARE(QSize(dc.Width(), dc.Height()), QSize(2, 9));
    QVERIFY(dc.hBitmap() != second);
}

void TestMemoryDC::terminateKillsBitmap_data() {
    QTest::addColumn<bool>("kills");
    QTest::newRow("kills") << true;
    QTest::newRow("spares") << false;
}

void TestMemoryDC::terminateKillsBitmap() {
    QFETCH(bool, kills);
    const HBitmap bmp = solidBitmap(4, 4, Qt::yellow);
    {
        CMemoryDC dc;
        dc.setHBitmap(bmp);
        dc.setTerminateKillsBitmap(kills);
        QCOMPARE(dc.TerminateKillsBitmap(), kills);
    }
    QCOMPARE(bmp->deleted, kills);
    if (kills) {
        CMemoryDC later;
        QVERIFY_THROWS_EXCEPTION(ov::RaisedError, later.setHBitmap(bmp));
        return;
    }
    // The spared bitmap is still usable by another surface.
    CMemoryDC later;
    later.setHBitmap(bmp);
    QCOMPARE(later.PixelColor(3, 3), RGBColor(255, 255, 0));
}

void TestMemoryDC::ownBitmapDeletedWhenReplaced() {
    HBitmap own;
    {
        CMemoryDC dc;
        dc.setTerminateKillsBitmap(false); // concerns adopted bitmaps only
        own = dc.hBitmap();
        dc.setHeight(6);
        QVERIFY(own->deleted);
        own = dc.hBitmap();
        QVERIFY(!own->deleted);
    }
    QVERIFY(own->deleted);
}

void TestMemoryDC::pixelColors_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<qint32>("written");
    QTest::addColumn<qint32>("read");
    QTest::newRow("plain") << 1 << 2 << RGBColor(1, 2, 3) << RGBColor(1, 2, 3);
    QTest::newRow("white") << 0 << 0 << 0xFFFFFF << 0xFFFFFF;
    QTest::newRow("unresolvable not written") << 3 << 3 << SystemColor(77) << 0;
    QTest::newRow("x outside") << 4 << 0 << 0x123456 << -1;
    QTest::newRow("y outside") << 0 << -1 << 0x123456 << -1;
}

void TestMemoryDC::pixelColors() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(qint32, written);
    QFETCH(qint32, read);
    CMemoryDC dc;
    dc.setWidth(4);
    dc.setHeight(4);
    dc.setPixelColor(x, y, written);
    QCOMPARE(dc.PixelColor(x, y), read);
}

void TestMemoryDC::stretchBlt() {
    // A system colour is stored as its RGB value.
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Active, QPalette::Base, QColor(12, 34, 56));
    QApplication::setPalette(pal);
    CMemoryDC src;
    src.setWidth(2);
    src.setHeight(1);
    src.setPixelColor(0, 0, SystemColor(5));
    src.setPixelColor(1, 0, RGBColor(200, 0, 0));
    QCOMPARE(src.PixelColor(0, 0), RGBColor(12, 34, 56));

    QImage dest(40, 20, QImage::Format_ARGB32_Premultiplied);
    dest.fill(Qt::white);
    {
        QPainter painter(&dest);
        StretchBlt(painter, QRect(0, 0, 40, 20), src, QRect(0, 0, 2, 1));
        StretchBlt(painter, QRect(0, 0, 0, 0), src, QRect(0, 0, 2, 1)); // nothing to draw
    }
    // Far from the middle each half shows its own pixel; the middle is a smooth mix.
    QCOMPARE(rgbOf(dest.pixel(1, 10)), RGBColor(12, 34, 56));
    QCOMPARE(rgbOf(dest.pixel(38, 10)), RGBColor(200, 0, 0));
    const int midRed = qRed(dest.pixel(20, 10));
    QVERIFY2(midRed > 12 && midRed < 200, qPrintable(QString::number(midRed)));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestMemoryDC test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_memorydc.moc"
