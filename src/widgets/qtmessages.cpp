#include "qtmessages.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "fontcolordialog.h"
#include "picturepreview.h"
#include "platform/dpi.h"
#include "platform/logfont.h"
#include "platform/printer.h"
#include "printersetupdialog.h"
#include "windowlook.h"

namespace karvell {
namespace {

QMessageBox::Icon QtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonDef {
    QMessageBox::StandardButton button;
    const char* caption;
    MsgResult result;
};

QList<ButtonDef> ButtonsFor(MsgButtons buttons) {
    const ButtonDef ok{QMessageBox::Ok, "确定", MsgResult::Ok};
    const ButtonDef cancel{QMessageBox::Cancel, "取消", MsgResult::Cancel};
    const ButtonDef yes{QMessageBox::Yes, "是(&Y)", MsgResult::Yes};
    const ButtonDef no{QMessageBox::No, "否(&N)", MsgResult::No};
    switch (buttons) {
    case MsgButtons::OkCancel:
        return {ok, cancel};
    case MsgButtons::YesNo:
        return {yes, no};
    case MsgButtons::YesNoCancel:
        return {yes, no, cancel};
    case MsgButtons::Ok:
        break;
    }
    return {ok};
}

// File dialogs take either a file name or a map with "file", "title" and "defaultSuffix".
struct FileRequest {
    QString file;
    QString title;
    QString defaultSuffix;
    bool askType = false; // the answer also names the file type chosen
};

FileRequest ReadFileRequest(const QVariant& initial) {
    FileRequest r;
    if (initial.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = initial.toMap();
        r.file = map.value(QStringLiteral("file")).toString();
        r.title = map.value(QStringLiteral("title")).toString();
        r.defaultSuffix = map.value(QStringLiteral("defaultSuffix")).toString();
        r.askType = map.value(QStringLiteral("askType")).toBool();
    } else {
        r.file = initial.toString();
    }
    if (r.defaultSuffix.startsWith(u'.')) r.defaultSuffix.remove(0, 1);
    return r;
}

std::optional<QVariant> RunFileDialog(DialogKind kind, const QVariant& initial,
                                      const QString& filter) {
    const FileRequest request = ReadFileRequest(initial);
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    if (kind == DialogKind::OpenPicture) AddPicturePreview(dialog);
    dialog.setNameFilter(QtFileFilter(filter));
    // The file-type box shows its longest filter whole.
    if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        types->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    if (kind == DialogKind::SaveFile) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.defaultSuffix);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.file.isEmpty()) {
        const QFileInfo info(request.file);
        if (info.path() != QStringLiteral(".")) dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    if (!request.askType) return QVariant(dialog.selectedFiles().constFirst());
    QVariantMap answer;
    answer.insert(QStringLiteral("file"), dialog.selectedFiles().constFirst());
    answer.insert(QStringLiteral("type"),
                  int(dialog.nameFilters().indexOf(dialog.selectedNameFilter())));
    return answer;
}

// The font dialog with its colour box. The initial value is the LOGFONT's bytes, or a map with
// "font" (the bytes) and "color" (RGB); the answer has the form of the initial value.
std::optional<QVariant> RunFontDialog(const QVariant& initial) {
    const bool withColor = initial.typeId() == QMetaType::QVariantMap;
    const QVariantMap map = withColor ? initial.toMap() : QVariantMap();
    const QByteArray bytes =
        withColor ? map.value(QStringLiteral("font")).toByteArray() : initial.toByteArray();
    const LOGFONTA base = bytes.size() == int(sizeof(LOGFONTA))
                              ? LogFontFromBytes(bytes.constData())
                              : DefaultCellFont();
    // The dialog opens on the cell's own face name and keeps it; a size, style or effect left
    // as it was keeps the stored value it came from.
    TFontChoice start;
    start.face = FaceName(base);
    start.points = PointSizeOf(base);
    start.weight = base.lfWeight;
    start.italic = base.lfItalic != 0;
    start.underline = base.lfUnderline != 0;
    start.strikeOut = base.lfStrikeOut != 0;
    TFontColorDialog dialog(QApplication::activeWindow());
    dialog.FontPart->SetChoice(start);
    dialog.SetColor(map.value(QStringLiteral("color"), 0u).toUInt());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const TFontChoice chosen = dialog.FontPart->Choice();
    LOGFONTA result = base;
    if (chosen.face != start.face) SetFaceName(result, chosen.face);
    if (chosen.points != start.points) result.lfHeight = -MulDiv(chosen.points, LOGPIXELSY, 72);
    const bool heavy = chosen.weight >= 600;
    if (heavy != (base.lfWeight >= 600) || chosen.italic != start.italic) {
        result.lfWeight = chosen.weight;
        result.lfItalic = chosen.italic ? 1 : 0;
    }
    result.lfUnderline = chosen.underline ? 1 : 0;
    result.lfStrikeOut = chosen.strikeOut ? 1 : 0;
    if (!withColor) return QVariant(LogFontToBytes(result));
    QVariantMap answer;
    answer.insert(QStringLiteral("font"), LogFontToBytes(result));
    answer.insert(QStringLiteral("color"), uint(dialog.Color()));
    return QVariant(answer);
}

std::optional<QVariant> RunColorDialog(const QVariant& initial) {
    QColor start = initial.value<QColor>();
    if (!start.isValid()) start = Qt::black;
    const QColor chosen = QColorDialog::getColor(start, QApplication::activeWindow());
    if (!chosen.isValid()) return std::nullopt;
    return QVariant(chosen);
}

// The printer setup dialog: the installed printers with the current one chosen, opened on its
// DEVMODE's paper and orientation; the choice makes the printer current and lands in its DEVMODE.
std::optional<QVariant> RunPrinterSetup() {
    TPrinterSetupDialog dialog(QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return QVariant(true);
}

} // namespace

QString QtFileFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ').trimmed();
        if (pattern.isEmpty()) continue;
        const QString desc = parts[i].trimmed().isEmpty() ? pattern : parts[i];
        // A description that names its patterns already ("Lunvane Files (*.ept)") keeps them.
        const QString named = QStringLiteral("(%1)").arg(parts[i + 1].trimmed());
        if (desc.trimmed().endsWith(named))
            filters << desc.trimmed().chopped(named.size()).trimmed() +
                           QStringLiteral(" (%1)").arg(pattern);
        else
            filters << QStringLiteral("%1 (%2)").arg(desc, pattern);
    }
    return filters.join(QStringLiteral(";;"));
}

MsgResult QtMessages::Show(const QString& title, const QString& text, MsgIcon icon,
                           MsgButtons buttons) {
    InstallWindowLook(); // no minimise or maximise button, the whole caption shown
    QMessageBox box(QtIcon(icon), title, text, QMessageBox::NoButton, QApplication::activeWindow());
    const QList<ButtonDef> defs = ButtonsFor(buttons);
    for (const ButtonDef& def : defs) {
        QPushButton* button = box.addButton(def.button);
        button->setText(QString::fromUtf8(def.caption));
    }
    box.setDefaultButton(defs.constFirst().button);
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const ButtonDef& def : defs)
        if (def.button == clicked) return def.result;
    // Closed without a button: what the box's escape answer would be.
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::YesNo:
        return MsgResult::No;
    default:
        return MsgResult::Cancel;
    }
}

std::optional<QVariant> QtMessages::Dialog(DialogKind kind, const QVariant& initial,
                                           const QString& filter) {
    switch (kind) {
    case DialogKind::Font:
        return RunFontDialog(initial);
    case DialogKind::Color:
        return RunColorDialog(initial);
    case DialogKind::OpenFile:
    case DialogKind::SaveFile:
    case DialogKind::OpenPicture:
        return RunFileDialog(kind, initial, filter);
    case DialogKind::PrinterSetup:
        return RunPrinterSetup();
    }
    return std::nullopt;
}

} // namespace karvell
