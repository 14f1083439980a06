#pragma once
// The field list of a data-set field window and what it drags: the field name under a format
// of its own, so that the grid knows a field from any other dragged data.
#include <QListWidget>
#include <optional>

class QMimeData;

namespace karvell {

inline constexpr const char* FIELD_MIME = "application/x-karvell-field";

// A list of field names; pressing the left button on an item selects it and dragging it
// carries its name.
class TFieldList : public QListWidget {
    Q_OBJECT
public:
    explicit TFieldList(QWidget* parent = nullptr);

protected:
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
};

// The dragged data for a field name, and the field name in dragged data (nothing when the
// data did not come from a field list).
QMimeData* FieldMime(const QString& fieldName);
std::optional<QString> FieldFromMime(const QMimeData* data);

} // namespace karvell
