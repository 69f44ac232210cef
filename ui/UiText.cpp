// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/UiText.h"

#include "hotkeys/KeyLabels.h"
#include "model/AppModel.h"
#include "platform/CursorPlatform.h"

#include <QCoreApplication>

namespace Dartline {

namespace {

QString registrationText(int status)
{
    QString reason;
    switch (static_cast<HotKeyStatus>(status)) {
    case HotKeyStatus::HotKeyExists:
        reason = QCoreApplication::translate(
            "Dartline::UiText", "Could not register the shortcut; the system or another app may be using it. (%1)");
        break;
    case HotKeyStatus::NoKeyCode:
        reason = QCoreApplication::translate(
            "Dartline::UiText", "The current keyboard layout has no such key; the shortcut cannot be registered. (%1)");
        break;
    case HotKeyStatus::DesktopRefused:
        reason = QCoreApplication::translate("Dartline::UiText",
            "The desktop did not take this shortcut. Open the settings again to be asked again. (%1)");
        break;
    case HotKeyStatus::NoHandler:
        // Where a session has no way (GNOME, or no window system at all).
        return QCoreApplication::translate("Dartline::UiText",
            "This desktop gives programs no global shortcuts; bind %2 to this shortcut in the desktop's own keyboard "
            "settings instead. (%1)")
            .arg(status)
            .arg(QStringLiteral("dartline --jump N"));
    default:
        reason = QCoreApplication::translate("Dartline::UiText", "Could not register the shortcut. (%1)");
        break;
    }
    return reason.arg(status);
}

} // namespace

QString UiText::aboutLabel()
{
    return QCoreApplication::translate("Dartline::UiText", "About Dartline");
}

QString UiText::settingsLabel()
{
    return QCoreApplication::translate("Dartline::UiText", "Settings…");
}

QString UiText::quitLabel()
{
    return QCoreApplication::translate("Dartline::UiText", "Quit Dartline");
}

QString UiText::closeWindowLabel()
{
    return QCoreApplication::translate("Dartline::UiText", "Close Window");
}

QString UiText::identifyLabel()
{
    return QCoreApplication::translate("Dartline::UiText", "Identify Displays");
}

QString UiText::unset()
{
    return QCoreApplication::translate("Dartline::UiText", "Not set");
}

QString UiText::notice(const Notice &notice, KeyboardPlatform &keyboard)
{
    QString text;
    switch (notice.kind) {
    case Notice::Kind::InvalidShortcut:
        text = QCoreApplication::translate("Dartline::UiText", "This shortcut is not valid; please set it again.");
        break;
    case Notice::Kind::ReservedShortcut:
        text = QCoreApplication::translate(
            "Dartline::UiText", "%1 is reserved for Dartline's own windows; please set it again.")
                   .arg(shortcutText(notice.shortcut, keyboard));
        break;
    case Notice::Kind::RegistrationFailed:
        text = registrationText(notice.code);
        break;
    case Notice::Kind::JumpFailed:
        if (notice.code == CursorPlatform::WarpNotAllowed) {
            text = QCoreApplication::translate("Dartline::UiText",
                "This desktop does not let Dartline move the pointer. On KDE Plasma install Dartline with its desktop "
                "entry, which asks for that right; on GNOME start PipeWire; then start Dartline again. (%1)");
        } else if (notice.code == CursorPlatform::WarpRefused) {
            text = QCoreApplication::translate("Dartline::UiText",
                "The desktop did not allow Dartline to move the pointer. Jump again to be asked again. (%1)");
        } else {
            text = QCoreApplication::translate(
                "Dartline::UiText", "Cannot move to this display; please check its connection. (%1)");
        }
        text = text.arg(notice.code);
        break;
    case Notice::Kind::NeedsModifier:
        text = QCoreApplication::translate("Dartline::UiText",
            "Include Ctrl, Alt or Super; Ctrl+Q, Ctrl+W and Ctrl+, are reserved for Dartline's own windows.");
        break;
    case Notice::Kind::ShortcutTaken:
        text = notice.code == 1
            ? QCoreApplication::translate("Dartline::UiText", "This shortcut is already used by Jump Back.")
            : QCoreApplication::translate(
                "Dartline::UiText", "This shortcut is already used by another display (including disconnected ones).");
        break;
    case Notice::Kind::ReturnPointGone:
        text = QCoreApplication::translate(
            "Dartline::UiText", "The display the pointer came from is no longer there; the pointer stays.");
        break;
    }
    if (notice.keptPrevious)
        text = QCoreApplication::translate("Dartline::UiText", "%1 The previous setting was kept.").arg(text);
    return text;
}

} // namespace Dartline
