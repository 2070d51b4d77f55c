// The diagram's drawing surface `pic` as a widget over the pixel engine: its drawing state (the
// current position, colours, fill style, pen width and font) turned into a picture, scaled
// copies, the image following the widget's size, the record of drawn items and kept lists.
#include "views/CMemoryDC.h"
#include "views/PictureBox.h"
#include "views/modColor.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr qint32 kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kGrey = 0xC8C8C8;

qint32 colorAt(const PictureBox& pic, int x, int y) {
    const QRgb p = pic.Image().pixel(x, y);
    return RGBColor(qRed(p), qGreen(p), qBlue(p));
}

} // namespace

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(EnsureTahomaFont()); }

    // A picture made through the drawing state, compared with one checked by eye
    // (tests/views/pictures/picturebox.png; OV_WRITE_PICTURES=1 writes it anew): the back colour
    // of the system palette; boxes, lines and texts at positions rounded to the nearest pixel,
    // halves to even; texts in the fore colour, bold, italic, underlined, at the current
    // position; rounded rectangles outlined in the fore colour and pen width, filled with the
    // fill colour when the fill style is solid; a picture; scaled copies, smooth in half-tone.
    void drawingState() {
        PictureBox pic;
        QCOMPARE(pic.objectName(), QStringLiteral("pic"));
        for (const float bad : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()})
            pic.setFontSize(bad); // refused
        QCOMPARE(pic.FontSize(), 8.25f);
        pic.setFontSize(1e9f);
        QCOMPARE(pic.FontSize(), 500.0f);
        pic.setFontSize(8.25f);
        pic.setDrawWidth(0);
        QCOMPARE(pic.DrawWidth(), 1);
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Active, QPalette::Base, QColor(12, 34, 56));
        QApplication::setPalette(palette);
        pic.resize(240, 160);
        pic.Cls();
        QCOMPARE(colorAt(pic, 239, 159), RGBColor(12, 34, 56));
        pic.LineBoxFilled(30, 20, 10.4f, 5.5f, kGreen); // corners either way
        QCOMPARE(QPointF(pic.CurrentX(), pic.CurrentY()), QPointF(10.4f, 5.5f));
        pic.Line(40, 10, 100.5f, 30, kBlue);
        QCOMPARE(QPointF(pic.CurrentX(), pic.CurrentY()), QPointF(100.5f, 30));
        pic.setForeColor(kRed);
        pic.setCurrentX(10.5f);
        pic.setCurrentY(40);
        for (int style = 0; style < 4; ++style) {
            pic.setFontBold(style == 1);
            pic.setFontItalic(style == 2);
            pic.setFontUnderline(style == 3);
            pic.Print(QStringLiteral("Servidor"));
            QCOMPARE(QPointF(pic.CurrentX(), pic.CurrentY()),
                     QPointF(0, 40 + (style + 1) * pic.TextHeight("S")));
        }
        pic.setFillColor(kGreen);
        for (const int style : {PictureBox::kFillSolid, PictureBox::kFillTransparent}) {
            pic.setFillStyle(style);
            pic.setDrawWidth(3 - style);
            pic.RoundRect(120, 10 + 50 * style, 200, 50 + 50 * style);
        }
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::black);
        pic.PaintPicture(picture, 80.4f, 120.6f);
        QImage source(16, 11, QImage::Format_RGB32); // left half red, right half blue
        source.fill(Qt::red);
        for (int y = 0; y < 11; ++y)
            for (int x = 8; x < 16; ++x)
                source.setPixel(x, y, qRgb(0, 0, 255));
        CMemoryDC dc;
        dc.setPicture(source);
        for (const int mode : {PictureBox::kStretchHalftone, PictureBox::kStretchColorOnColor}) {
            pic.SetStretchBltMode(mode);
            pic.StretchBlt(100, 110 + 25 * (mode - 3), 32, 22, dc, 0, 0, 16, 11);
            pic.StretchBlt(140, 110 + 25 * (mode - 3), 20, 20, dc, 8, 0, 8, 11); // a part alone
            pic.StretchBlt(170, 110, 0, 5, dc, 0, 0, 16, 11);                    // nothing
        }
        const QString name = OV_SOURCE_DIR "/tests/views/pictures/picturebox.png";
        if (qEnvironmentVariableIsSet("OV_WRITE_PICTURES")) QVERIFY(pic.Image().save(name));
        QCOMPARE(pic.Image(), QImage(name).convertToFormat(QImage::Format_RGB32));
    }

    void followsWidgetSize() {
        PictureBox pic;
        pic.resize(100, 80);
        pic.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pic));
        QSignalSpy resized(&pic, &PictureBox::Resize);
        pic.setBackColor(kGrey);
        pic.Cls();
        pic.LineBoxFilled(0, 0, 9, 9, kRed);
        pic.resize(160, 120);
        QTRY_VERIFY_WITH_TIMEOUT(resized.count() >= 1, 5000);
        QCOMPARE(QSize(pic.ScaleWidth(), pic.ScaleHeight()), QSize(160, 120));
        QCOMPARE(pic.Image().size(), QSize(160, 120));
        QCOMPARE(colorAt(pic, 9, 9), kRed); // what was drawn stays; new room shows the back colour
        QCOMPARE(colorAt(pic, 150, 110), kGrey);
        PictureBox hidden; // a surface never shown follows its size too
        hidden.resize(70, 50);
        QCOMPARE(hidden.Image().size(), QSize(70, 50));
    }

    void recordingAndLists() {
        PictureBox pic;
        pic.resize(200, 120);
        pic.Print(QStringLiteral("not kept"));
        QVERIFY(pic.Drawn().empty());
        pic.setRecording(true);
        pic.setCurrentX(12.5f);
        pic.setCurrentY(7);
        pic.setForeColor(kRed);
        pic.setFontBold(true);
        pic.Print(QStringLiteral("abc"));
        pic.setDrawWidth(3);
        pic.Line(1, 2, 30, 40, kBlue);
        pic.setFillStyle(PictureBox::kFillTransparent);
        pic.RoundRect(5, 6, 50, 60);
        QCOMPARE(pic.Drawn().size(), size_t(3));
        const DrawnItem& text = pic.Drawn()[0];
        QCOMPARE(text.text, QStringLiteral("abc"));
        QCOMPARE(text.rect, QRectF(12.5, 7, pic.TextWidth("abc"), pic.TextHeight("abc")));
        QVERIFY(text.bold && !text.italic && text.color == kRed);
        QCOMPARE(pic.Drawn()[1].line, QLineF(1, 2, 30, 40));
        QVERIFY(pic.Drawn()[1].width == 3 && pic.Drawn()[2].fillColor == -1);
        pic.BeginList(); // lists are not kept while recording
        pic.Print(QStringLiteral("x"));
        QVERIFY(pic.EndList().isEmpty());
        pic.Cls();
        QVERIFY(pic.Drawn().empty());
        // A list replayed elsewhere draws the same pixels there and leaves the state it left,
        // moved as well.
        pic.setRecording(false);
        pic.BeginList();
        pic.LineBoxFilled(5, 5, 14, 8, kGreen);
        pic.setForeColor(kBlue);
        pic.Print(QStringLiteral("W"));
        const PictureBox::OpList list = pic.EndList();
        QVERIFY(!list.isEmpty() && list.Extent() == 14);
        pic.setForeColor(kGreen);
        const QImage once = pic.Image().copy(0, 0, 60, 40);
        QVERIFY(pic.Replay(list, 100, 50));
        QCOMPARE(pic.Image().copy(100, 50, 60, 40), once);
        QCOMPARE(pic.ForeColor(), kBlue);
        QCOMPARE(QPointF(pic.CurrentX(), pic.CurrentY()),
                 QPointF(100, 8 + 50 + pic.TextHeight("W")));
    }

    // A bitmap a memory surface has adopted is never deleted when an own one replaces it.
    void memorySurfaceAdopts() {
        const HBitmap adopted = MakeBitmap(QImage(7, 4, QImage::Format_RGB32));
        CMemoryDC dc;
        dc.setHBitmap(adopted);
        dc.setWidth(2);
        QVERIFY(dc.hBitmap() != adopted && !adopted->deleted);
    }
};

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
