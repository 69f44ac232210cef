// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/KeyCapture.h"

#include "hotkeys/KeyLabels.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QObject>

namespace Dartline {

namespace {

class ApplicationKeyCapture final : public QObject, public KeyCapture
{
public:
    explicit ApplicationKeyCapture(KeyboardPlatform &keyboard)
        : m_keyboard(keyboard)
    { }
    ~ApplicationKeyCapture() override { end(); }

    void begin(Receiver receiver) override
    {
        end();
        m_receiver = std::move(receiver);
        if (QCoreApplication *application = QCoreApplication::instance()) {
            application->installEventFilter(this);
            m_filtering = true;
        }
    }

    void end() override
    {
        if (m_filtering) {
            m_filtering = false;
            if (QCoreApplication *application = QCoreApplication::instance())
                application->removeEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            // Accepting the override keeps the shortcut map from acting on the
            // press; the press itself then comes through as a KeyPress.
            event->accept();
            return true;
        }
        if (event->type() != QEvent::KeyPress || !m_filtering)
            return false;
        const auto shortcut = shortcutFromKeyEvent(*static_cast<QKeyEvent *>(event), m_keyboard);
        if (!shortcut)
            return true;
        // The receiver may end the capture, or begin another: it runs from
        // a copy.
        const Receiver receiver = m_receiver;
        receiver(*shortcut);
        return true;
    }

private:
    KeyboardPlatform &m_keyboard;
    Receiver m_receiver;
    bool m_filtering = false;
};

} // namespace

std::unique_ptr<KeyCapture> KeyCapture::forApplication(KeyboardPlatform &keyboard)
{
    return std::make_unique<ApplicationKeyCapture>(keyboard);
}

} // namespace Dartline
