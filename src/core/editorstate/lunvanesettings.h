#pragma once
// The template editor's settings file "Lunvane.ini": where it lives and its section "其他",
// whose five values the editor keeps and writes back exactly as read.
#include <QPointF>
#include <QString>

namespace karvell::Lunvane {

// "Lunvane.ini" in the user's configuration folder: $XDG_CONFIG_HOME, else ~/.config.
QString SettingsFile();

struct OtherSettings {
    int toolbar = 1;
    int statusbar = 1;
    int autosave = 1;
    int savetime = 120000;
    int fonts = 1;
};

// loadini: the five keys of "其他", the defaults for missing keys (also for a damaged file).
OtherSettings LoadOther(const QString& file);
// SaveIni: toolbar, statusbar, autosave and fonts (never savetime). Failures are not reported:
// the editor says nothing about its settings file; answers whether every write succeeded.
bool SaveOther(const QString& file, const OtherSettings& settings);

// The form offset for pre-printed paper, in millimetres right and down: section "Offset", keys
// OffsetX and OffsetY; 0 for a missing or unreadable value or one outside ±kMaxFormOffsetMm,
// which would print off the paper. Only the page setup writes them.
QPointF LoadOffset(const QString& file);
bool SaveOffset(const QString& file, QPointF offsetMm);

} // namespace karvell::Lunvane
