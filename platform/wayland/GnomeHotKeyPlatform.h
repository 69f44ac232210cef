// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyPlatform.h"

namespace Dartline {

// mutter offers clients no global shortcuts: every registration is refused,
// so the user is told the shortcuts cannot be registered. GNOME's own custom
// keybindings (GnomeCustomKeybindings) run Dartline with --jump-id instead.
class GnomeHotKeyPlatform : public HotKeyPlatform
{
public:
    bool installHandler(Handler) override { return false; }
    HotKeyStatus registerHotKey(const Shortcut &, const HotKeyId &, Ref *) override { return HotKeyStatus::NoHandler; }
    void unregisterHotKey(Ref) override { }
    void removeHandler() override { }
};

} // namespace Dartline
