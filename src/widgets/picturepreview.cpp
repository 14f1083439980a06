#include "picturepreview.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace karvell {

void AddPicturePreview(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) return;
    auto* box = new QWidget(&dialog);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* picture = new QLabel(box);
    picture->setObjectName(QStringLiteral("PicturePreview"));
    picture->setFixedSize(180, 180);
    picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    picture->setAlignment(Qt::AlignCenter);
    auto* size = new QLabel(box);
    size->setObjectName(QStringLiteral("PictureSize"));
    size->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    layout->addWidget(size);
    layout->addStretch(1);
    grid->addWidget(box, 1, grid->columnCount(), 2, 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, box, [picture, size](const QString& f) {
        QImageReader reader(f);
        reader.setAutoTransform(true);
        const QImage image = reader.canRead() ? reader.read() : QImage();
        if (image.isNull()) {
            picture->clear();
            size->clear();
            return;
        }
        const QSize room = picture->contentsRect().size() - QSize(4, 4);
        const QImage shown = image.width() > room.width() || image.height() > room.height()
                                 ? image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                 : image;
        picture->setPixmap(QPixmap::fromImage(shown));
        size->setText(QStringLiteral("%1 × %2").arg(image.width()).arg(image.height()));
    });
}

} // namespace karvell
