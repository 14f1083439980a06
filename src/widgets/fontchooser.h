#pragma once
// The face, style and size part of the font dialog, as the platform's font dialog lays it out:
// each with a line and a list, the effects, and a sample. It lists the stored face names
// (宋体, 黑体) beside the installed families and offers a face's real styles plus synthesised
// bold and italic, so a cell's font is shown under its own name.
#include <QString>
#include <QWidget>

#include "platform/facestyles.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace karvell {

struct TFontChoice {
    QString face;
    int points = 12;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

class TFontChooser : public QWidget {
    Q_OBJECT
public:
    explicit TFontChooser(QWidget* parent = nullptr);

    void SetChoice(const TFontChoice& choice);
    TFontChoice Choice() const;

    QLineEdit* FaceEdit = nullptr;
    QListWidget* FaceList = nullptr;
    QListWidget* StyleList = nullptr;
    QLineEdit* SizeEdit = nullptr;
    QListWidget* SizeList = nullptr;
    QCheckBox* StrikeOutBox = nullptr;
    QCheckBox* UnderlineBox = nullptr;
    QLabel* Sample = nullptr;

private:
    void FaceChosen(const QString& face);
    void UpdateSample();
    QList<FaceStyle> m_styles;
    QString m_face;
};

} // namespace karvell
