// The image list: numbering, the current picture, and drawing it when shown.
#include "widgets/McImageList.h"

#include <QPainter>

McImageList::McImageList(QWidget* parent) : QWidget(parent) {
    setVisible(false);
}

void McImageList::setListImages(const QList<QImage>& images) {
    m_images.clear();
    for (const QImage& image : images) {
        if (!image.isNull()) m_images.append(image);
    }
    m_current = m_images.isEmpty() ? -1 : 0;
    updateGeometry();
    update();
}

QImage McImageList::Image(int index) const {
    return index >= 0 && index < ImageCount() ? m_images.at(index) : QImage();
}

void McImageList::setCurrentImage(int index) {
    if (index < 0 || index >= ImageCount()) return;
    m_current = index;
    updateGeometry();
    update();
}

int McImageList::AddNewImage(const QImage& picture) {
    if (picture.isNull()) return -1;
    m_images.append(picture);
    if (m_current < 0) m_current = 0;
    update();
    return ImageCount() - 1;
}

bool McImageList::RemoveImage(int index) {
    if (index < 0 || index >= ImageCount()) return false;
    m_images.removeAt(index);
    if (index < m_current) --m_current;
    m_current = qMin(m_current, ImageCount() - 1);
    update();
    return true;
}

bool McImageList::MoveImageTo(int index, int newIndex) {
    if (index < 0 || index >= ImageCount() || newIndex < 0 || newIndex >= ImageCount())
        return false;
    m_images.move(index, newIndex);
    if (m_current == index)
        m_current = newIndex;
    else if (index < m_current && newIndex >= m_current)
        --m_current;
    else if (index > m_current && newIndex <= m_current)
        ++m_current;
    update();
    return true;
}

int McImageList::CyclePic() {
    if (ImageCount() > 0) setCurrentImage((m_current + 1) % ImageCount());
    return m_current;
}

QSize McImageList::sizeHint() const {
    const QImage current = CurrentPicture();
    return current.isNull() ? QSize(32, 32) : current.size();
}

void McImageList::paintEvent(QPaintEvent*) {
    const QImage current = CurrentPicture();
    if (current.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, current);
}
