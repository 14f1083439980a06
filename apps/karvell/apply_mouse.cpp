// karvell apply: the mouse and edit-box steps. They drive the same mouse operations as the grid
// window, with points in window pixels (document pixels at zoom 100).
#include "apply_step.h"
#include "command.h"
#include "model/gridmouse.h"
#include "model/headlessgrid.h"

namespace karvell::cli {

namespace {

QString CursorName(MouseCursor cursor) {
    switch (cursor) {
    case MouseCursor::SizeWE:
        return QStringLiteral("IDC_SIZEWE");
    case MouseCursor::SizeNS:
        return QStringLiteral("IDC_SIZENS");
    case MouseCursor::IBeam:
        return QStringLiteral("IDC_IBEAM");
    case MouseCursor::Arrow:
        break;
    }
    return QStringLiteral("IDC_ARROW");
}

} // namespace

MouseSteps::MouseSteps(THeadlessGrid& grid)
    : m_grid(grid), m_mouse(std::make_unique<TGridMouse>(grid)) {}

MouseSteps::~MouseSteps() = default;

bool MouseSteps::Run(Step& step) {
    TGridMouse& mouse = *m_mouse;
    const bool tracking = mouse.Tracking() != MouseTracking::None;
    auto keys = [&step](int held) {
        int state = held;
        if (step.Has("shift")) state = step.Bool("shift") ? state | MK_SHIFT : state & ~MK_SHIFT;
        if (step.Has("ctrl")) state = step.Bool("ctrl") ? state | MK_CONTROL : state & ~MK_CONTROL;
        return state;
    };
    if (step.Has("press")) {
        const QPoint p = step.Point("press");
        if (tracking) Step::Fail(QStringLiteral("a press while the button is held"));
        m_keys = keys(MK_LBUTTON);
        step.Finish();
        mouse.LeftPress(p, m_keys);
        return true;
    }
    if (step.Has("move")) {
        const QPoint p = step.Point("move");
        if (tracking) m_keys = keys(m_keys);
        step.Finish();
        mouse.Move(p, m_keys);
        return true;
    }
    if (step.Has("release")) {
        const QPoint p = step.Point("release");
        step.Finish();
        if (!tracking) Step::Fail(QStringLiteral("a release without a press"));
        mouse.Move(p, m_keys);
        mouse.Release();
        return true;
    }
    if (step.Has("doubleclick")) {
        const QPoint p = step.Point("doubleclick");
        step.Finish();
        if (tracking) Step::Fail(QStringLiteral("a double click while the button is held"));
        mouse.DoubleClick(p);
        return true;
    }
    if (step.Has("contextmenu")) {
        const QPoint p = step.Point("contextmenu");
        step.Finish();
        mouse.ContextMenu(p);
        return true;
    }
    if (step.Has("hover")) {
        const QPoint p = step.Point("hover");
        step.Finish();
        PrintOut(
            QStringLiteral("%1 %2: %3\n").arg(p.x()).arg(p.y()).arg(CursorName(mouse.CursorAt(p))));
        return true;
    }
    for (const char* name : {"type", "paste"}) {
        if (!step.Has(name)) continue;
        const QString text = step.String(name);
        step.Finish();
        if (!m_grid.BoxOpen()) Step::Fail(QStringLiteral("no edit box is open"));
        if (QLatin1String(name) == QLatin1String("type"))
            m_grid.TypeText(text);
        else
            m_grid.PasteText(text);
        return true;
    }
    if (step.Has("canceledit")) {
        if (!step.Bool("canceledit")) Step::Fail(QStringLiteral("\"canceledit\" must be true"));
        step.Finish();
        m_grid.CancelEdit();
        return true;
    }
    return false;
}

void MouseSteps::Finish() {
    if (m_mouse->Tracking() != MouseTracking::None) m_mouse->Release();
}

QString MouseSteps::Help() {
    return QStringLiteral(
        "      Mouse steps, points [x, y] in window pixels (document pixels at zoom 100), the\n"
        "      same rules as the grid window:\n"
        "        {\"press\": [x, y], \"shift\": false, \"ctrl\": false}  left press: at a zoom\n"
        "            other than 100 only restores 100; else commits an open edit box, then\n"
        "            selects (Shift alone adds) or, within 3 px of a right or bottom edge,\n"
        "            starts a column- or line-border drag\n"
        "        {\"move\": [x, y]}  with the button held: rubber band or drag line (\"shift\",\n"
        "            \"ctrl\" change the keys held)\n"
        "        {\"release\": [x, y]}  ends the press; a drag is applied there (clamped)\n"
        "        {\"doubleclick\": [x, y]}  clears the selection, opens the edit box on the\n"
        "            cell (wider than 10 px)\n"
        "        {\"type\": \"text\"}  types into the edit box, character by character;\n"
        "        {\"paste\": \"text\"}  in one piece; \"\\n\" breaks the line (CR LF in the\n"
        "            cell); characters GBK cannot hold are dropped, the box takes 3000 bytes\n"
        "        {\"canceledit\": true}  closes the edit box (the cell keeps what was typed)\n"
        "        {\"contextmenu\": [x, y]}  right-button release: an unselected cell becomes\n"
        "            the selection, a selected one keeps it, no cell clears it\n"
        "        {\"hover\": [x, y]}  prints the cursor shape there (IDC_ARROW, IDC_IBEAM,\n"
        "            IDC_SIZEWE, IDC_SIZENS)\n"
        "      A press still held after the last step is released where the mouse last was.\n");
}

} // namespace karvell::cli
