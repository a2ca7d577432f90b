#pragma once

#include <QLabel>
#include <QString>

// An image box: shows a picture loaded from a file, stretched to the box.
class ImageBox : public QLabel {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    // Replaces the picture by the one in the file; false (picture unchanged)
    // when the file is missing or not a picture.
    bool loadPicture(const QString& file);
    // Shows the "no preview" placeholder instead of a picture.
    void showPlaceholder();
    bool hasPicture() const { return !picture_.isNull(); }
    const QImage& picture() const { return picture_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();
    QImage picture_;
};
