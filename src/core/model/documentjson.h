#pragma once
// The JSON form of a document for tools and tests: the header and trailer fields, the lines with
// their fields and the cells with all of theirs, each under the name the model gives it. Texts
// and face names are decoded from GBK; rectangles are [left, top, right, bottom]; cell
// references are [line, cell] positions.
#include <QJsonObject>
#include <QList>
#include <QString>

#include "model/templatestream.h"
#include "platform/logfont.h"

namespace karvell {

class TReportDocument;
class TReportLine;

// The document as the grid holds it.
QJsonObject DocumentToJson(const TReportDocument& doc);
// A document read from a stream (or a page the runtime produced), in the same form.
QJsonObject DocumentToJson(const TemplateHeader& header, const QList<TReportLine*>& lines,
                           const TemplateTrailer& trailer);
QJsonObject DocumentToJson(const TemplateData& data);

// A LOGFONT as an object of its lf… fields (lfFaceName as text).
QJsonObject LogFontToJson(const LOGFONTA& font);
// Overwrites the fields of `font` named in `json`; false with `error` set for an unknown key
// or a value of the wrong type or range (nothing is changed then).
bool LogFontFromJson(const QJsonObject& json, LOGFONTA* font, QString* error);

} // namespace karvell
