#include "platform/ImageBox.h"

#include <QImageReader>
#include <QPixmap>
#include <QResizeEvent>

namespace {
const char* const kPlaceholder = "No preview";
}

ImageBox::ImageBox(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    // The picture follows the box, never the other way round.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setMinimumSize(1, 1);
}

bool ImageBox::loadPicture(const QString& file)
{
    if (file.isEmpty()) return false;
    // The reader's allocation limit keeps a hostile header from asking for gigabytes.
    QImageReader reader(file);
    QImage image = reader.read();
    if (image.isNull()) return false;
    picture_ = std::move(image);
    render();
    return true;
}

void ImageBox::showPlaceholder()
{
    picture_ = QImage();
    setPixmap(QPixmap());
    setText(QString::fromLatin1(kPlaceholder));
}

void ImageBox::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    render();
}

void ImageBox::render()
{
    if (picture_.isNull()) return;
    const QSize box = contentsRect().size();
    if (box.isEmpty()) return;
    // Stretched to the box like the desktop's stretched image control, aspect ignored.
    setPixmap(QPixmap::fromImage(picture_.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}
