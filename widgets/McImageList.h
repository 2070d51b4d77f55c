#pragma once
// The image list: a numbered list of pictures (from 0) with one of them current. The main window
// keeps the diagram's server picture and its two mouse pointers in one. It is a store and stays
// hidden; shown, it draws its current picture.
#include <QImage>
#include <QList>
#include <QWidget>

class McImageList : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QList<QImage> ListImages READ ListImages WRITE setListImages)
    Q_PROPERTY(int ImageCount READ ImageCount)
    // The current picture (a null image while the list is empty).
    Q_PROPERTY(QImage Image READ CurrentPicture)
    // -1 while the list is empty; numbers outside the list are ignored.
    Q_PROPERTY(int CurrentImage READ CurrentImage WRITE setCurrentImage)

public:
    explicit McImageList(QWidget* parent = nullptr);

    QList<QImage> ListImages() const { return m_images; }
    // Replaces every picture; the first becomes current.
    void setListImages(const QList<QImage>& images);
    int ImageCount() const { return int(m_images.size()); }
    // The picture numbered index, or a null image.
    QImage Image(int index) const;
    QImage CurrentPicture() const { return Image(m_current); }
    int CurrentImage() const { return m_current; }
    void setCurrentImage(int index);

    // Appends picture and answers its number (-1, nothing added, for a null picture). The first
    // picture of an empty list becomes current.
    int AddNewImage(const QImage& picture);
    // The current picture stays current while others move or go; when it goes itself, the one
    // that takes its number (or the new last) becomes current.
    bool RemoveImage(int index);
    bool MoveImageTo(int index, int newIndex);
    // Makes the next picture current, the first after the last; answers the new number.
    int CyclePic();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QImage> m_images;
    int m_current = -1;
};
