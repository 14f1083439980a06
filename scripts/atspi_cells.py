#!/usr/bin/python3
# Lists what a screen reader sees of a running program's report grids: every accessible table
# with its size and the text of each cell. Run the program with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# in the same D-Bus session, e.g.
#   dbus-run-session -- sh -c 'QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 danmere & sleep 5;
#                              scripts/atspi_cells.py danmere'
# Usage: atspi_cells.py [APPLICATION-NAME]   (default: every application)
import sys

import pyatspi


def walk(node, depth=0):
    try:
        role = node.getRole()
    except Exception:
        return
    if role == pyatspi.ROLE_TABLE:
        table = node.queryTable()
        print(f"table '{node.name}': {table.nRows} rows x {table.nColumns} columns, "
              f"{node.childCount} cells")
        for i in range(node.childCount):
            cell = node.getChildAtIndex(i)
            row = table.getRowAtIndex(i)
            col = table.getColumnAtIndex(i)
            states = cell.getState()
            marks = "".join(m for m, s in (("*", pyatspi.STATE_SELECTED),
                                           (">", pyatspi.STATE_FOCUSED)) if states.contains(s))
            print(f"  [{row},{col}]{marks} {cell.name!r}")
        return
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1)


def main():
    wanted = sys.argv[1] if len(sys.argv) > 1 else None
    desktop = pyatspi.Registry.getDesktop(0)
    found = False
    for app in desktop:
        if app is None or (wanted and app.name != wanted):
            continue
        found = True
        print(f"application '{app.name}'")
        walk(app)
    if not found:
        print("no such application on the accessibility bus", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
