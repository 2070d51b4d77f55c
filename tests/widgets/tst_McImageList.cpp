// The image list as the diagram uses it: numbered pictures (server, pointer, dragging pointer),
// the current picture, and moving, removing and cycling through them.
#include "widgets/McImageList.h"

#include <QTest>

namespace {

// A picture told apart by its size.
QImage picture(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return image;
}

// The sizes of the list's pictures, in order.
QList<int> sizes(const McImageList& list) {
    QList<int> out;
    for (int i = 0; i < list.ImageCount(); ++i)
        out << list.Image(i).width();
    return out;
}

} // namespace

class tst_McImageList : public QObject {
    Q_OBJECT

private slots:
    void theDiagramsPictures();
    void emptyList();
    void removeImage_data();
    void removeImage();
    void moveImageTo_data();
    void moveImageTo();
    void cyclePic();
    void drawsCurrentWhenShown();
};

void tst_McImageList::theDiagramsPictures() {
    McImageList iml;
    QCOMPARE(iml.AddNewImage(picture(48)), 0);
    QCOMPARE(iml.AddNewImage(picture(32)), 1);
    QCOMPARE(iml.AddNewImage(picture(33)), 2);
    iml.setCurrentImage(2);
    QCOMPARE(iml.ImageCount(), 3);
    QCOMPARE(iml.property("ImageCount").toInt(), 3);
    QCOMPARE(iml.CurrentImage(), 2);
    QCOMPARE(iml.Image(0).size(), QSize(48, 48));
    QCOMPARE(iml.property("Image").value<QImage>().width(), 33);
    QCOMPARE(iml.ListImages().size(), 3);
    QVERIFY(!iml.isVisible());
}

void tst_McImageList::emptyList() {
    McImageList iml;
    QCOMPARE(iml.CurrentImage(), -1);
    QVERIFY(iml.CurrentPicture().isNull());
    QVERIFY(iml.Image(0).isNull());
    QCOMPARE(iml.AddNewImage(QImage()), -1);
    QCOMPARE(iml.ImageCount(), 0);
    QCOMPARE(iml.CyclePic(), -1);
    QVERIFY(!iml.RemoveImage(0));
    QVERIFY(!iml.MoveImageTo(0, 0));
    iml.setCurrentImage(3);
    QCOMPARE(iml.CurrentImage(), -1);
    QCOMPARE(iml.AddNewImage(picture(5)), 0);
    QCOMPARE(iml.CurrentImage(), 0); // the first picture becomes current
}

void tst_McImageList::removeImage_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QList<int>>("expectedSizes");
    QTest::addColumn<int>("expectedCurrentSize");

    QTest::newRow("before the current") << 2 << 0 << QList<int>{11, 12, 13} << 12;
    QTest::newRow("after the current") << 1 << 3 << QList<int>{10, 11, 12} << 11;
    QTest::newRow("the current") << 1 << 1 << QList<int>{10, 12, 13} << 12;
    QTest::newRow("the current, last") << 3 << 3 << QList<int>{10, 11, 12} << 12;
}

void tst_McImageList::removeImage() {
    QFETCH(int, current);
    QFETCH(int, removed);
    QFETCH(QList<int>, expectedSizes);
    QFETCH(int, expectedCurrentSize);
    McImageList iml;
    for (int s : {10, 11, 12, 13})
        iml.AddNewImage(picture(s));
    iml.setCurrentImage(current);
    QVERIFY(iml.RemoveImage(removed));
    QCOMPARE(sizes(iml), expectedSizes);
    QCOMPARE(iml.CurrentPicture().width(), expectedCurrentSize);
}

void tst_McImageList::moveImageTo_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("expectedSizes");
    QTest::newRow("first to last") << 0 << 3 << QList<int>{11, 12, 13, 10};
    QTest::newRow("last to first") << 3 << 0 << QList<int>{13, 10, 11, 12};
    QTest::newRow("current moves") << 1 << 2 << QList<int>{10, 12, 11, 13};
    QTest::newRow("in place") << 2 << 2 << QList<int>{10, 11, 12, 13};
}

void tst_McImageList::moveImageTo() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, expectedSizes);
    McImageList iml;
    for (int s : {10, 11, 12, 13})
        iml.AddNewImage(picture(s));
    iml.setCurrentImage(1);
    QVERIFY(iml.MoveImageTo(from, to));
    QCOMPARE(sizes(iml), expectedSizes);
    QCOMPARE(iml.CurrentPicture().width(), 11); // the same picture stays current
    QVERIFY(!iml.MoveImageTo(0, 4));
    QVERIFY(!iml.MoveImageTo(-1, 0));
}

void tst_McImageList::cyclePic() {
    McImageList iml;
    for (int s : {10, 11, 12})
        iml.AddNewImage(picture(s));
    iml.setCurrentImage(1);
    QCOMPARE(iml.CyclePic(), 2);
    QCOMPARE(iml.CyclePic(), 0);
    QCOMPARE(iml.CurrentImage(), 0);
}

void tst_McImageList::drawsCurrentWhenShown() {
    McImageList iml;
    QImage blue(8, 8, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    iml.AddNewImage(picture(8));
    iml.AddNewImage(blue);
    iml.setCurrentImage(1);
    iml.resize(iml.sizeHint());
    QCOMPARE(iml.sizeHint(), QSize(8, 8));
    const QImage shown = iml.grab().toImage();
    QCOMPARE(QColor(shown.pixel(4, 4)), QColor(Qt::blue));
}

QTEST_MAIN(tst_McImageList)
#include "tst_McImageList.moc"
