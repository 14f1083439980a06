#include "editor/fieldmime.h"

#include <QMimeData>

namespace karvell {

TFieldList::TFieldList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

QMimeData* TFieldList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty()) return nullptr;
    return FieldMime(items.constFirst()->text());
}

QMimeData* FieldMime(const QString& fieldName) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(FIELD_MIME), fieldName.toUtf8());
    data->setText(fieldName);
    return data;
}

std::optional<QString> FieldFromMime(const QMimeData* data) {
    if (!data || !data->hasFormat(QString::fromLatin1(FIELD_MIME))) return std::nullopt;
    return QString::fromUtf8(data->data(QString::fromLatin1(FIELD_MIME)));
}

} // namespace karvell
