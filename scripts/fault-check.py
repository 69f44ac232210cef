#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Breaks the code on purpose, one plausible fault at a time, and records which
tests notice. Run it before and after changing the test suite: every fault
caught before must still be caught after.

    scripts/fault-check.py [--only N,N…] [--work DIR] [--worktree] [--tests a,b…]

It copies the committed tree (git archive HEAD; with --worktree, the files as
they are on disk) to DIR/src, builds it once in
DIR/build (RelWithDebInfo, through ccache when present), then for each fault
replaces one exact piece of text, rebuilds, runs ctest, and puts the text back.
A fault whose text is no longer found is reported as stale: edit FAULTS.
With --tests, only those test targets are built and run.
Prints a Markdown table: fault, what it breaks, the tests that failed.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

# (file, text as it stands, text with the fault, what it breaks)
FAULTS = [
    ("core/DisplayGeometry.cpp", "r.x() + r.width() / 2.0", "r.x() + r.width() / 2.0 + 1",
     "centre one pixel off"),
    ("displays/DisplayService.cpp", "    if (DisplayGeometry::orderedBefore(a.bounds, b.bounds))\n        return true;",
     "    if (DisplayGeometry::orderedBefore(b.bounds, a.bounds))\n        return true;",
     "displays listed right to left"),
    ("displays/DisplayService.cpp", "    return a.id < b.id;", "    return false;",
     "tie order left to RandR's order"),
    ("platform/x11/X11HotKeyPlatform.cpp",
     "{ quint16(XCB_MOD_MASK_LOCK), masks.numLock, masks.scrollLock }",
     "{ quint16(XCB_MOD_MASK_LOCK), masks.scrollLock }",
     "no grab variant with Num Lock on"),
    ("platform/x11/X11HotKeyPlatform.cpp",
     "            xcb_ungrab_key(m_connection, *keycode, m_root, mask | variant);\n        xcb_flush",
     "            (void)variant;\n        xcb_flush",
     "half-taken grab not rolled back"),
    ("platform/x11/X11HotKeyPlatform.cpp", "other.keycode == *keycode && other.mask == mask)",
     "other.keycode == *keycode && other.mask == mask && false)",
     "two registrations share one grab"),
    ("platform/x11/X11HotKeyPlatform.cpp",
     "~(XCB_MOD_MASK_LOCK | masks.numLock | masks.scrollLock)",
     "~(XCB_MOD_MASK_LOCK | masks.scrollLock)",
     "a press with Num Lock on is not matched"),
    ("model/AppModel.cpp", "    if (registerAgain)\n        registerShortcuts();",
     "    (void)registerAgain;",
     "ending a recording leaves the hot keys unregistered"),
    ("core/Shortcut.cpp", "    return m_modifiers == Control\n", "    return (m_modifiers & Control)\n",
     "Ctrl+Shift+Q counted as reserved"),
    ("core/Shortcut.cpp", "(m_modifiers & (Super | Alt | Control)) != 0", "(m_modifiers & (Alt | Control)) != 0",
     "Super alone is no longer a valid modifier"),
    ("core/Shortcut.cpp", "index >= static_cast<int>(suggestionKeys.size())",
     "index >= static_cast<int>(suggestionKeys.size()) - 1", "the ninth display gets no default"),
    ("core/Preferences.cpp", "if (it.key() != excluding && it.value() == shortcut)",
     "if (((void)excluding, it.value() == shortcut))", "a display conflicts with itself"),
    ("core/Preferences.cpp", "    if (!suggestion || conflictingDisplay(*suggestion, id))",
     "    if (!suggestion)", "a default steals a combination another display holds"),
    ("core/Preferences.cpp", "    if (knownDisplays.contains(id))\n        return;",
     "    if (false)\n        return;", "a cleared shortcut comes back at the next refresh"),
    ("core/Shortcut.cpp", "!(number >= 0.0 && number <= 4294967295.0)", "!(number <= 4294967295.0)",
     "negative key codes accepted from the store"),
    ("model/AppModel.cpp", "    if (displays.isActive(number)) {", "    if (true) {",
     "jump to a display that is gone"),
    ("model/AppModel.cpp", "    if (const auto holder = m_preferences.conflictingDisplay(shortcut, id)) {",
     "    if (const auto holder = std::optional<QString>(); holder) {",
     "recording accepts a combination another display holds"),
    ("model/AppModel.cpp", "        m_preferences.bindings.insert(id, *old);", "        (void)old;",
     "a refused recording loses the old binding"),
    ("model/AppModel.cpp", "    keepUnreadable(value);\n", "",
     "an unreadable document is overwritten without a copy"),
    ("model/AppModel.cpp", "stored.toByteArray() == value", "stored.toByteArray() != value",
     "preferences never written"),
    ("displays/CursorAnimator.cpp", "std::hypot(moved.x(), moved.y()) > endDistance",
     "std::hypot(moved.x(), moved.y()) >= endDistance", "pulse ends at exactly 3 px"),
    ("displays/CursorAnimator.cpp", "pointer.leftButtonDown || pointer.rightButtonDown",
     "pointer.leftButtonDown", "right button does not end the pulse"),
    ("app/SingleInstance.cpp", "    return credentials.uid == getuid();", "    return true;",
     "another user's process may hand arguments over"),
    ("app/InstanceMessage.cpp", "    if (length < 2 || length > MaximumPayload)", "    if (length < 2)",
     "oversized hand-over message accepted"),
    ("app/TrayApplication.cpp", "        if (window)\n            window->hide();", "        (void)window;",
     "quit leaves the settings window on screen and its frame unsaved"),
    ("hotkeys/KeyLabels.cpp", "{ Shortcut::Alt, QLatin1StringView(\"Alt\") }",
     "{ Shortcut::Alt, QLatin1StringView(\"Super\") }", "Alt labelled Super"),
    ("model/AppModel.cpp", "keyCode == KeyCode::Backspace || keyCode == KeyCode::Delete",
     "keyCode == KeyCode::Delete", "Backspace no longer clears a shortcut while recording"),
    ("ui/UiText.cpp", "    return reason.arg(status);", "    return reason.arg(QString());",
     "a refused registration no longer shows its code"),
    ("platform/x11/X11DisplayPlatform.cpp", "result[i].outputDriven = crtc && crtc->mode != XCB_NONE;",
     "result[i].outputDriven = bool(crtc);", "a monitor whose CRTC is switched off counts as active"),
    ("platform/x11/X11Keymap.cpp", "    m_learnt = false;\n    m_keycodes.clear();", "    m_keycodes.clear();",
     "a keyboard mapping change leaves the keys learnt from the old map"),
    ("hotkeys/HotKeyService.cpp", "        m_platform.unregisterHotKey(ref);\n    m_refs.clear();",
     "        (void)ref;\n    m_refs.clear();", "re-registering leaves the old grabs taken"),
    ("displays/DisplayOverlay.cpp", "std::make_unique<IdentifyTile>(static_cast<int>(i + 1)",
     "std::make_unique<IdentifyTile>(static_cast<int>(i)", "tiles numbered from 0"),
    ("displays/DisplayOverlay.cpp", "    if (!m_tiles.empty())\n        m_dismissal.start();", "",
     "identify tiles never go away"),
    ("app/TrayApplication.cpp", "[&id](const Display &display) { return display.id == id; }",
     "[&id](const Display &display) { return display.id != id; }",
     "the tray menu jumps to the wrong display"),
    ("core/DisplayGeometry.cpp", "    return na.y() < nb.y();", "    return na.y() > nb.y();",
     "displays in one column listed bottom to top"),
    ("platform/x11/X11Coordinates.cpp", "const double x = std::floor(global.x());",
     "const double x = std::ceil(global.x());", "the centre of an odd-width monitor rounded up"),
    ("platform/Edid.cpp", "    if (serialNumber == 0 && serialString.isEmpty())\n", "    if (false)\n",
     "two identical monitors without serials share one id"),
    ("platform/Edid.cpp", "        if (byteAt(bytes, i) != header[i])\n", "        if (byteAt(bytes, i) != header[i] && i < 0)\n",
     "bytes without the EDID header parsed as an EDID"),
    ("app/MenuText.cpp", "            safe.append(QStringLiteral(\"&&\"));", "            safe.append(c);",
     "an ampersand in a monitor name becomes a menu accelerator"),
    ("model/SettingsStore.cpp", "        if (text == QLatin1String(\"false\"))\n            return false;", "",
     "a stored false flag reads as unset"),
    ("app/InstanceMessage.cpp", "    if (received.size() > total)\n        return Status::Invalid;", "",
     "bytes after a hand-over message accepted"),
    ("model/AppModel.cpp", "AnimateCursorKey).value_or(true)", "AnimateCursorKey).value_or(false)",
     "the pulse is off on a first start"),
    ("platform/x11/X11HotKeyPlatform.cpp", "        const HotKeyStatus status = grab(registration);",
     "        const HotKeyStatus status = HotKeyStatus::NoError;", "hot keys not grabbed again after a keymap change"),
    ("platform/x11/X11HotKeyPlatform.cpp", "    if (repeat)\n", "    if (repeat && false)\n",
     "a held key jumps again on every auto-repeat"),
    ("ui/SettingsView.cpp", 'tr("Enlarge the pointer after a jump")', 'QStringLiteral("Enlarge the pointer after a jump")',
     "a label skips translation"),
    ("app/TrayApplication.cpp", "id = m_model->displays().at(target->number - 1).id;",
     "id = m_model->displays().at(qMin<qsizetype>(target->number, count - 1)).id;",
     "--jump N counts the displays from 0"),
    ("app/TrayApplication.cpp", "    return { error.isEmpty(), error };", "    return { true, error };",
     "--jump reports a refused jump as done"),
    ("app/TrayApplication.cpp", "    if (!m_instance->isRunning())\n", "    if (false)\n",
     "--jump without a running copy waits and blames the running copy"),
    ("model/AppModel.cpp", "    // Pressed again, it goes forward again.\n    m_returnPoint = from;",
     "    // Pressed again, it goes forward again.\n    m_returnPoint = from ? point : point;",
     "a second jump back does not go forward again"),
    ("model/AppModel.cpp", "m_leftOff.insert(display.id, *from - bounds.topLeft());",
     "m_leftOff.insert(display.id, *from);", "the left-off point kept in layout coordinates"),
    ("model/AppModel.cpp", "&& bounds.contains(bounds.topLeft() + *leftOff))", ")",
     "a left-off point no longer on its display is used anyway"),
    ("core/Preferences.cpp", "if (id == except || !current.isDefaultLike() ||", "if (id == except ||",
     "choosing Ctrl+Alt rewrites combinations the user picked"),
    ("model/AppModel.cpp", "std::optional(displays.bindings.take(JumpBackId))",
     "std::optional(displays.bindings.value(JumpBackId))",
     "the jump back's binding written into the displays' document"),
    ("platform/x11/X11CursorPlatform.cpp", "    if (settingsWindow != XCB_WINDOW_NONE && asked.settingsGuess != settingsWindow)",
     "    if (settingsWindow != XCB_WINDOW_NONE && asked.settingsGuess == XCB_WINDOW_NONE)",
     "a new settings daemon's reduced motion is never read along with a jump"),
    ("platform/wayland/GnomeCursorPlatform.cpp", "&& ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0",
     "&& QFile::exists(QFile::decodeName(path))", "a stopped PipeWire counted as running from its socket file"),
    ("model/AppModel.cpp", "    if (!notice && !m_message)\n        return;", "    if (!notice)\n        return;",
     "a successful jump leaves the last error on the message line"),
    ("platform/wayland/GnomeCursorPlatform.h", "m_portalUse == PortalUse::Always || m_portal.version() >= 2",
     "m_portalUse == PortalUse::Always || m_portal.version() >= 1",
     "the portal's route taken where it would ask before every run of jumps"),
    ("model/AppModel.cpp", "        return 0; // the desktop asks its user first",
     "        return code; // the desktop asks its user first",
     "a jump waiting for the desktop's answer reported as failed"),
    ("platform/wayland/RemoteDesktopPortal.cpp", "            if (response == 0)\n                next(results);",
     "            if (response != 2)\n                next(results);", "the user's refusal taken as permission"),
    ("platform/wayland/PortalHotKeyPlatform.cpp", "    qRegisterMetaType<QDBusObjectPath>();\n", "",
     "the portal's shortcut presses never reach the program"),
    ("platform/wayland/PortalHotKeyPlatform.cpp", "            if (response != 0 && !m_bindings.isEmpty()) {",
     "            if (response > 1 && !m_bindings.isEmpty()) {", "shortcuts the user declined shown as registered"),
    ("model/AppModel.cpp", "        if (binding == m_preferences.bindings.cend() || !binding->isValid() || m_refused.contains(id))",
     "        if (binding == m_preferences.bindings.cend() || !binding->isValid() || !m_refused.contains(id))",
     "the desktop's later refusal of the shortcuts not shown"),
    ("platform/wayland/RemoteDesktopPortal.cpp", "                options.insert(QStringLiteral(\"restore_token\"), token);",
     "                (void)token;", "the desktop asks again each session: the kept token is never shown to it"),
    ("platform/wayland/RemoteDesktopPortal.cpp",
     " || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)", "", "the token that stands for the user's permission readable by every user"),
]


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--only", default="")
    parser.add_argument("--work", default="/tmp/dartline-faults")
    parser.add_argument("--worktree", action="store_true")
    parser.add_argument("--tests", default="")
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    src = os.path.join(args.work, "src")
    build = os.path.join(args.work, "build")
    shutil.rmtree(src, ignore_errors=True)
    os.makedirs(src)
    if args.worktree:
        files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=root,
                               stdout=subprocess.PIPE, check=True).stdout
        archive = subprocess.run(["tar", "-c", "--null", "-T", "-", "--ignore-failed-read"], cwd=root,
                                 input=files, stdout=subprocess.PIPE, check=True).stdout
    else:
        archive = subprocess.run(["git", "archive", "HEAD"], cwd=root, stdout=subprocess.PIPE, check=True).stdout
    subprocess.run(["tar", "-x", "-C", src], input=archive, check=True)
    tests = [t for t in args.tests.split(",") if t]
    build_command = ["cmake", "--build", build, "-j", str(os.cpu_count())]
    if tests:
        build_command += ["--target"] + tests
    ctest_filter = ["-R", "^(" + "|".join(tests) + ")$"] if tests else ["-E", "preferences_fuzz"]
    env = dict(os.environ, CCACHE_BASEDIR=src, CCACHE_NOHASHDIR="1")
    os.environ.update(env)
    # The flags of the strict build, so that ccache serves what is unchanged.
    configure = ["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DDARTLINE_WERROR=ON", "-DDARTLINE_BENCH=OFF"]
    if shutil.which("ccache"):
        configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
    if run(build_command, src).returncode != 0:
        sys.exit("the unbroken tree does not build")

    chosen = {int(n) for n in args.only.split(",") if n}
    print("| # | fault | caught by |\n|---|---|---|")
    for number, (path, old, new, what) in enumerate(FAULTS, 1):
        if chosen and number not in chosen:
            continue
        file = os.path.join(src, path)
        text = open(file, encoding="utf-8").read()
        if text.count(old) != 1:
            print(f"| {number} | {what} | STALE: text not found once in {path} |", flush=True)
            continue
        open(file, "w", encoding="utf-8").write(text.replace(old, new))
        try:
            built = run(build_command, src)
            if built.returncode != 0:
                caught = "the compiler"
            else:
                tests = run(["ctest", "--test-dir", build, "-j", str(os.cpu_count()), "--timeout", "300"]
                        + ctest_filter, src)
                failed = re.findall(r"^\s*\d+ - (\S+) \(", tests.stdout, re.M)
                caught = ", ".join(sorted(set(failed))) or "NOTHING"
        finally:
            open(file, "w", encoding="utf-8").write(text)
        print(f"| {number} | {what} | {caught} |", flush=True)


if __name__ == "__main__":
    main()
