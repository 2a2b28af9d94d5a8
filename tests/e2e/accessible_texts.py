#!/usr/bin/python3
"""Prints what a screen reader finds in a window of the program: one line for each object
under the window titled TITLE, its role and its name, indented by depth. Reads the program
through the desktop's accessibility bus (AT-SPI), as a screen reader does."""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def walk(node, depth, out):
    try:
        name = node.get_name() or ""
        role = node.get_role_name() or ""
        count = node.get_child_count()
    except gi.repository.GLib.Error:
        return  # gone while being read
    out.append("%s%s: %s" % ("  " * depth, role, name.replace("\n", "\\n")))
    for i in range(count):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1, out)


def main():
    title = sys.argv[1]
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None:
            continue
        for j in range(app.get_child_count()):
            window = app.get_child_at_index(j)
            if window is not None and window.get_name() == title:
                out = []
                walk(window, 0, out)
                print("\n".join(out))
                return 0
    print("no window titled %r on the accessibility bus" % title, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
