"""The main window as a screen reader meets it, over the accessibility bus.

The offscreen tests ask Qt's accessibility interfaces directly; this asks
what really reaches assistive tools: the program on a real X server, its
AT-SPI tree read and driven over D-Bus as a screen reader does. ctest runs
it (the `accessibility_bus` test) when Xvfb, D-Bus and Debian's
python3-pyatspi are installed; by hand:
    /usr/bin/python3 accessibility_bus.py build/dayscrib
It runs itself again in a D-Bus session of its own, with a runtime folder of
its own (where the accessibility bus puts its socket), and starts an X server
of its own (Xvfb picks a free display itself): runs beside each other share
nothing. Then it starts the program at its first start (empty settings, so
the default 670x505 window), and checks through AT-SPI alone: every control shown has a name,
the named ones are where they should be, the whole tool bar lies inside the
window, Bold's Toggle action makes the selected text bold (and stored so
when Save is pressed through the bus), and Help opens a window.
Prints what it found; exits 0 when all holds, 77 (skipped) without pyatspi.
"""
import datetime
import importlib.util
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import zipfile

if importlib.util.find_spec("pyatspi") is None:
    print("python3-pyatspi is not installed: skipped")
    sys.exit(77)
pyatspi = None  # imported once the X server is up
GLib = None


def start_x_server():
    """An Xvfb on a free display of its choosing, once it accepts clients."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x900x24",
                               "-nolisten", "tcp"], pass_fds=[write])
    os.close(write)
    with os.fdopen(read) as f:
        display = f.readline().strip()
    if not display:
        server.kill()
        sys.exit("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + display
    # Clients are taken once its socket answers.
    deadline = time.time() + 60
    while time.time() < deadline:
        with socket.socket(socket.AF_UNIX) as probe:
            try:
                probe.connect("/tmp/.X11-unix/X" + display)
                break
            except OSError:
                time.sleep(0.1)
    return server


# The outer run owns the X server: whatever becomes of the inner one, the
# server goes when this ends, and the program with it.
if os.environ.get("DAYSCRIB_ACCESSIBILITY_SESSION") != "1":
    runtime = tempfile.mkdtemp(prefix="dayscrib-a11y-")  # 0700, as the bus wants it
    x_server = start_x_server()
    try:
        sys.exit(subprocess.call(
            ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__)] + sys.argv[1:],
            env=dict(os.environ, XDG_RUNTIME_DIR=runtime, DAYSCRIB_ACCESSIBILITY_SESSION="1")))
    finally:
        x_server.terminate()
        x_server.wait()
        shutil.rmtree(runtime, ignore_errors=True)

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def wait_for(predicate, seconds=120):
    """The predicate's first true value. While the window is still being laid
    out, an object read a moment ago may be gone when its name is asked for
    (the bus answers "No such object path"): that counts as not yet."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            value = predicate()
        except GLib.GError:
            value = None
        if value:
            return value
        time.sleep(0.2)
    return None


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "Dayscrib":
            return a
    return None


def nodes_of(root):
    out = []

    def walk(n):
        out.append(n)
        for i in range(n.childCount):
            c = n.getChildAtIndex(i)
            if c is not None:
                walk(c)

    walk(root)
    return out


def showing(n):
    return n.getState().contains(pyatspi.STATE_SHOWING)


def named(nodes, role, name):
    return [n for n in nodes if n.getRoleName() == role and n.name == name]


def extents(n):
    e = n.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.x + e.width, e.y + e.height)


def inside(inner, outer):
    return (inner[0] >= outer[0] and inner[1] >= outer[1] and inner[2] <= outer[2]
            and inner[3] <= outer[3])


def do(node, name):
    """Runs `node`'s action `name` (its first action when None)."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(0 if name is None else names.index(name))


def main():
    global pyatspi, GLib
    import pyatspi as module
    from gi.repository import GLib as glib
    pyatspi = module
    GLib = glib
    program = sys.argv[1]
    home = tempfile.mkdtemp()
    env = dict(os.environ, XDG_CONFIG_HOME=home + "/config", XDG_DATA_HOME=home + "/data",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
               LC_ALL="C.UTF-8")
    # A program that could not reach the X server (it may refuse clients for
    # a moment while it starts beside other servers) is started again: what
    # is checked here is the bus, not the server's start.
    proc = None
    app = None
    for attempt in range(5):
        proc = subprocess.Popen([program], env=env)
        app = wait_for(lambda: find_app() or (proc.poll() is not None and "exited"))
        if app != "exited":
            break
        print("the program ended at its start (exit %s); starting it again" % proc.returncode)
        app = None
    try:
        check(app is not None, "the program is on the accessibility bus")
        if app is None:
            return
        today = datetime.date.today()
        title = "%s %d %s %d" % (today.strftime("%A"), today.day, today.strftime("%B"), today.year)
        # The editor takes its name once today's entry is loaded.
        nodes = wait_for(lambda: (lambda ns: ns if named(ns, "text", title) else None)(
            nodes_of(app)), 60) or nodes_of(app)

        controls = {"push button", "check box", "toggle button", "text", "combo box",
                    "spin button", "page tab", "tree", "table", "menu item"}
        unnamed = [n.getRoleName() for n in nodes
                   if n.getRoleName() in controls and showing(n) and not n.name.strip()]
        check(not unnamed, "every control shown has a name (unnamed: %s)" % unnamed)
        for role, name in [("tree", "Date tree"), ("table", "Calendar"),
                           ("push button", "Previous month"), ("push button", "Next month"),
                           ("page tab", "User1"), ("text", title), ("check box", "Bold"),
                           ("check box", "Bullets"), ("spin button", "Font Size")]:
            check(len(named(nodes, role, name)) == 1, "%s named %r" % (role, name))
        frames = [n for n in nodes if n.getRoleName() == "frame" and n.name == "Dayscrib"]
        bullets = named(nodes, "check box", "Bullets")
        if frames and bullets:
            window = extents(frames[0])
            check(showing(bullets[0]) and inside(extents(bullets[0]), window),
                  "Bullets is shown inside the window %s: %s" % (window, extents(bullets[0])))
            print("window", window)

        # Bold from the bus: type, select, toggle.
        editor = named(nodes, "text", title)[0]
        editor.queryEditableText().insertText(0, "loud words", len("loud words"))
        check(wait_for(lambda: editor.queryText().getText(0, -1).startswith("loud words"), 30),
              "text typed through the bus")
        editor.queryText().setSelection(0, 0, 4)
        bold = named(nodes, "check box", "Bold")[0]
        action = bold.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        check("Toggle" in names, "Bold offers Toggle (%s)" % names)
        action.doAction(names.index("Toggle"))
        check(wait_for(lambda: bold.getState().contains(pyatspi.STATE_CHECKED), 30),
              "Bold shows as checked")
        attrs = wait_for(lambda: (lambda a: a if "bold" in a or "700" in a else None)(
            editor.queryText().getAttributes(1)[0]), 30)
        check(attrs is not None, "the selection is bold: %r" % editor.queryText().getAttributes(1)[0])
        plain = editor.queryText().getAttributes(6)[0]
        check("bold" not in plain and "700" not in plain, "the rest is not: %r" % plain)

        # Stored as the user sees it: Save pressed through the bus.
        do(named(nodes, "push button", "Save")[0], "Press")
        archive = home + "/data/Dayscrib/Data/Daybank.zip"
        check(wait_for(lambda: os.path.exists(archive), 30), "Save wrote " + archive)
        if os.path.exists(archive):
            with zipfile.ZipFile(archive) as z:
                rtf = z.read(z.namelist()[0]).decode("latin-1")
            check("\\b loud\\b0" in rtf.replace("\\b0 ", "\\b0").replace("\r\n", "")
                  or "\\b loud" in rtf, "the stored entry has 'loud' bold: %s" % rtf[-120:])

        # Help, chosen from the menu through the bus, opens a window of its own.
        contents = [n for n in nodes if n.getRoleName() == "menu item"
                    and n.name.startswith("Contents")]
        check(len(contents) == 1, "Help has its Contents item")
        if contents:
            do(contents[0], None)
            help_window = wait_for(lambda: [n for i in range(app.childCount)
                                            for n in [app.getChildAtIndex(i)]
                                            if n is not None and n.name == "Dayscrib Help"], 30)
            check(bool(help_window) and help_window[0].getRoleName() in ("frame", "dialog"),
                  "the help window is a window: %s" %
                  ([n.getRoleName() for n in help_window] if help_window else "not found"))
    finally:
        proc.terminate()
        try:
            proc.wait(30)
        except subprocess.TimeoutExpired:
            proc.kill()
        shutil.rmtree(home, ignore_errors=True)


main()
print("FAILED: %d" % len(failures) if failures else "ALL OK")
sys.exit(1 if failures else 0)
