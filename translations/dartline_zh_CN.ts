<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Dartline::AboutView</name>
    <message>
        <source>Every display, one key away.</source>
        <translation>多屏之间，一键即达。</translation>
    </message>
</context>
<context>
    <name>Dartline::AppVersion</name>
    <message>
        <source>Version %1</source>
        <translation>版本 %1</translation>
    </message>
</context>
<context>
    <name>Dartline::DisplayMap</name>
    <message>
        <source>Display arrangement; the numbers match the list below</source>
        <translation>屏幕布局示意图，编号与下方列表对应</translation>
    </message>
</context>
<context>
    <name>Dartline::DisplayRow</name>
    <message>
        <source>Jump</source>
        <translation>跳转</translation>
    </message>
    <message>
        <source>Built-in display</source>
        <translation>内建屏幕</translation>
    </message>
    <message>
        <source>External display</source>
        <translation>外接屏幕</translation>
    </message>
    <message>
        <source>%1, connected</source>
        <translation>%1，已连接</translation>
    </message>
    <message>
        <source>Jump to display %1</source>
        <translation>跳转到屏幕 %1</translation>
    </message>
    <message>
        <source>Jump Back</source>
        <translation>跳回</translation>
    </message>
    <message>
        <source>Back to the point before the last jump</source>
        <translation>回到上次跳转前光标所在的位置</translation>
    </message>
    <message>
        <source>Jump back shortcut</source>
        <translation>跳回快捷键</translation>
    </message>
    <message>
        <source>Jump back</source>
        <translation>跳回</translation>
    </message>
</context>
<context>
    <name>Dartline::IdentifyTile</name>
    <message>
        <source>Display %1</source>
        <translation>屏幕 %1</translation>
    </message>
</context>
<context>
    <name>Dartline::KeyLabels</name>
    <message>
        <source>Key %1</source>
        <translation>键 %1</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>空格</translation>
    </message>
</context>
<context>
    <name>Dartline::PortalHotKeyPlatform</name>
    <message>
        <source>Dartline: move the pointer (%1)</source>
        <translation>Dartline：移动光标（%1）</translation>
    </message>
</context>
<context>
    <name>Dartline::ProjectLinks</name>
    <message>
        <source>Dartline open-source project</source>
        <translation>Dartline 开源项目</translation>
    </message>
    <message>
        <source>Project home page</source>
        <translation>项目主页</translation>
    </message>
    <message>
        <source>Made by the Dartline open-source community</source>
        <translation>由 Dartline 开源社区制作</translation>
    </message>
    <message>
        <source>Visit the project home page</source>
        <translation>访问项目主页</translation>
    </message>
</context>
<context>
    <name>Dartline::SettingsView</name>
    <message>
        <source>Displays and Shortcuts</source>
        <translation>屏幕与快捷键</translation>
    </message>
    <message>
        <source>No usable display found; please check the monitor connections.</source>
        <translation>暂未检测到可用屏幕，请检查显示器连接。</translation>
    </message>
    <message>
        <source>Clear Offline Settings</source>
        <translation>清除离线设置</translation>
    </message>
    <message>
        <source>Enlarge the pointer after a jump</source>
        <translation>跳转时放大光标</translation>
    </message>
    <message>
        <source>%1 connected</source>
        <translation>%1 块已连接</translation>
    </message>
    <message>
        <source>Disconnected displays with kept settings: %1</source>
        <translation>已保留 %1 块未连接屏幕的设置</translation>
    </message>
    <message>
        <source>Press the new combination; Esc cancels, Delete clears. Jumps pause while recording.</source>
        <translation>按下新组合键；Esc 取消，Delete 清除。录制时暂停屏幕跳转。</translation>
    </message>
    <message>
        <source>Click a key cap to set it again. Closed, Dartline stays in the system tray.</source>
        <translation>点击键帽可重新设置。关闭窗口后，Dartline 会留在系统托盘。</translation>
    </message>
    <message>
        <source>Land where the pointer last was on each display</source>
        <translation>跳转时落在光标上次离开该屏幕的位置</translation>
    </message>
    <message>
        <source>Change All Shortcuts…</source>
        <translation>更改全部快捷键…</translation>
    </message>
    <message>
        <source>Browsers and terminals switch tabs with %1, %2 and so on. Give every display a combination they leave free?</source>
        <translation>浏览器和终端用 %1、%2 等切换标签页。要给每块屏幕换用它们不占用的组合吗？</translation>
    </message>
    <message>
        <source>Keep %1…</source>
        <translation>保留 %1…</translation>
    </message>
    <message>
        <source>Use %1…</source>
        <translation>改用 %1…</translation>
    </message>
    <message>
        <source>This Wayland desktop offers Dartline no way to move the pointer or to take shortcuts of its own: they work only while a Dartline window has the focus. Bind %1 to keys in the desktop&apos;s own settings instead, N being the display&apos;s number.</source>
        <translation>这个 Wayland 桌面没有给 Dartline 移动光标或注册全局快捷键的途径：只有 Dartline 的窗口获得焦点时它们才起作用。请在桌面自己的设置里把 %1 绑定到按键上，N 为屏幕编号。</translation>
    </message>
    <message>
        <source>This desktop gives programs no global shortcuts. Dartline can put the shortcuts below into the desktop&apos;s own keyboard settings, where each runs %1.</source>
        <translation>此桌面不给程序提供全局快捷键。Dartline 可以把下面的快捷键写入桌面自己的键盘设置，每个快捷键运行 %1。</translation>
    </message>
    <message>
        <source>Remove from Keyboard Settings</source>
        <translation>从键盘设置中移除</translation>
    </message>
    <message>
        <source>Update Keyboard Settings</source>
        <translation>更新键盘设置</translation>
    </message>
    <message>
        <source>Add to Keyboard Settings</source>
        <translation>添加到键盘设置</translation>
    </message>
    <message>
        <source>Shortcuts in the keyboard settings: %1</source>
        <translation>键盘设置中的快捷键：%1</translation>
    </message>
    <message>
        <source>The keyboard settings could not be changed: %1</source>
        <translation>无法更改键盘设置：%1</translation>
    </message>
    <message>
        <source>Jumps go through GNOME&apos;s screen sharing: its indicator shows for a few seconds after each jump.</source>
        <translation>跳转经由 GNOME 的屏幕共享进行：每次跳转后，它的指示图标会显示几秒钟。</translation>
    </message>
    <message>
        <source>Jumps need GNOME&apos;s screen sharing, which needs PipeWire, and PipeWire is not running. Start it (%1), then jump.</source>
        <translation>跳转需要 GNOME 的屏幕共享，而屏幕共享需要 PipeWire，但 PipeWire 没有运行。请先启动它（%1），然后再跳转。</translation>
    </message>
    <message>
        <source>KDE Plasma lets Dartline move the pointer only when Dartline is installed with its desktop entry. Install it, then start Dartline again.</source>
        <translation>只有在 Dartline 随其桌面条目一起安装时，KDE Plasma 才允许它移动光标。请安装它，然后重新启动 Dartline。</translation>
    </message>
    <message>
        <source>Jumps go through the desktop&apos;s remote control: the first jump asks you to allow it, and the desktop remembers your answer.</source>
        <translation>跳转通过桌面的远程控制完成：第一次跳转时会请你允许，桌面会记住你的选择。</translation>
    </message>
</context>
<context>
    <name>Dartline::ShortcutRecorderButton</name>
    <message>
        <source>Press a shortcut…</source>
        <translation>请按快捷键…</translation>
    </message>
    <message>
        <source>Set Shortcut</source>
        <translation>设置快捷键</translation>
    </message>
    <message>
        <source>Click to set the shortcut; Esc cancels, Delete clears</source>
        <translation>点击设置快捷键；Esc 取消；Delete 清除</translation>
    </message>
    <message>
        <source>Display %1 shortcut</source>
        <translation>屏幕 %1 快捷键</translation>
    </message>
    <message>
        <source>Recording; press a shortcut</source>
        <translation>正在录制，请按快捷键</translation>
    </message>
    <message>
        <source>Clear Shortcut</source>
        <translation>清除快捷键</translation>
    </message>
</context>
<context>
    <name>Dartline::TrayApplication</name>
    <message>
        <source>Dartline · Every display, one key away</source>
        <translation>Dartline · 多屏之间，一键即达</translation>
    </message>
    <message>
        <source>no system tray found; the shortcuts work. To open the settings run: %1
</source>
        <translation>未找到系统托盘，快捷键照常可用。打开设置请运行：%1
</translation>
    </message>
    <message>
        <source>Dartline finds no display.</source>
        <translation>Dartline 没有找到任何屏幕。</translation>
    </message>
    <message>
        <source>There is no display %1: the displays are numbered 1 to %2.</source>
        <translation>没有屏幕 %1：屏幕编号为 1 到 %2。</translation>
    </message>
    <message>
        <source>No display has the identifier %1.</source>
        <translation>没有标识为 %1 的屏幕。</translation>
    </message>
</context>
<context>
    <name>Dartline::UiText</name>
    <message>
        <source>Could not register the shortcut; the system or another app may be using it. (%1)</source>
        <translation>快捷键注册失败，可能已被系统或其他应用占用。（%1）</translation>
    </message>
    <message>
        <source>The current keyboard layout has no such key; the shortcut cannot be registered. (%1)</source>
        <translation>当前键盘布局中没有这个键，快捷键无法注册。（%1）</translation>
    </message>
    <message>
        <source>Could not register the shortcut. (%1)</source>
        <translation>快捷键注册失败。（%1）</translation>
    </message>
    <message>
        <source>About Dartline</source>
        <translation>关于 Dartline</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>设置…</translation>
    </message>
    <message>
        <source>Quit Dartline</source>
        <translation>退出 Dartline</translation>
    </message>
    <message>
        <source>Close Window</source>
        <translation>关闭窗口</translation>
    </message>
    <message>
        <source>Identify Displays</source>
        <translation>识别屏幕</translation>
    </message>
    <message>
        <source>Not set</source>
        <translation>未设置</translation>
    </message>
    <message>
        <source>This shortcut is not valid; please set it again.</source>
        <translation>快捷键无效，请重新设置。</translation>
    </message>
    <message>
        <source>%1 is reserved for Dartline&apos;s own windows; please set it again.</source>
        <translation>%1 保留给 Dartline 自己的窗口，请重新设置。</translation>
    </message>
    <message>
        <source>Cannot move to this display; please check its connection. (%1)</source>
        <translation>无法移动到该屏幕，请检查显示器连接。（%1）</translation>
    </message>
    <message>
        <source>Include Ctrl, Alt or Super; Ctrl+Q, Ctrl+W and Ctrl+, are reserved for Dartline&apos;s own windows.</source>
        <translation>请包含 Ctrl、Alt 或 Super；Ctrl+Q、Ctrl+W 和 Ctrl+, 保留给 Dartline 自己的窗口。</translation>
    </message>
    <message>
        <source>This shortcut is already used by another display (including disconnected ones).</source>
        <translation>该快捷键已绑定另一块屏幕（包括暂未连接的屏幕）。</translation>
    </message>
    <message>
        <source>%1 The previous setting was kept.</source>
        <translation>%1 已保留原设置。</translation>
    </message>
    <message>
        <source>The display the pointer came from is no longer there; the pointer stays.</source>
        <translation>光标原先所在的屏幕已不在，光标保持不动。</translation>
    </message>
    <message>
        <source>This shortcut is already used by Jump Back.</source>
        <translation>此快捷键已被“跳回”占用。</translation>
    </message>
    <message>
        <source>This desktop gives programs no global shortcuts; bind %2 to this shortcut in the desktop&apos;s own keyboard settings instead. (%1)</source>
        <translation>此桌面不给程序提供全局快捷键；请在桌面自己的键盘设置里把 %2 绑定到这个快捷键上。（%1）</translation>
    </message>
    <message>
        <source>This desktop does not let Dartline move the pointer. On KDE Plasma install Dartline with its desktop entry, which asks for that right; on GNOME start PipeWire; then start Dartline again. (%1)</source>
        <translation>此桌面不允许 Dartline 移动光标。在 KDE Plasma 上请连同桌面文件一起安装 Dartline（它会申请这项权限）；在 GNOME 上请启动 PipeWire；然后重新启动 Dartline。（%1）</translation>
    </message>
    <message>
        <source>The desktop did not allow Dartline to move the pointer. Jump again to be asked again. (%1)</source>
        <translation>桌面没有允许 Dartline 移动光标。再次跳转即可重新询问。（%1）</translation>
    </message>
    <message>
        <source>The desktop did not take this shortcut. Open the settings again to be asked again. (%1)</source>
        <translation>桌面没有接受这个快捷键。再次打开设置即可重新询问。（%1）</translation>
    </message>
</context>
<context>
    <name>Dartline::main</name>
    <message>
        <source>Every display, one key away: one global shortcut per display moves the pointer to its centre.</source>
        <translation>多屏之间，一键即达：每块屏幕一个全局快捷键，把鼠标指针移到它的中央。</translation>
    </message>
    <message>
        <source>Open the settings window; when Dartline is already running, open the running one&apos;s.</source>
        <translation>打开设置窗口；Dartline 已在运行时，打开正在运行的那一个的设置窗口。</translation>
    </message>
    <message>
        <source>Report every jump and the start-up on standard error (by default only warnings and errors).</source>
        <translation>在标准错误上报告每次跳转和启动过程（默认只报告警告和错误）。</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>多余的参数“%1”</translation>
    </message>
    <message>
        <source>For usage, see %1
</source>
        <translation>用法见 %1
</translation>
    </message>
    <message>
        <source>Dartline is already running but does not answer (%1).
</source>
        <translation>Dartline 已在运行，但没有响应（%1）。
</translation>
    </message>
    <message>
        <source>Ask the running Dartline to move the pointer to display &lt;number&gt;, as numbered in its menu and tiles.</source>
        <translation>让正在运行的 Dartline 把光标移到屏幕 &lt;number&gt;（编号同菜单和屏幕标识）。</translation>
    </message>
    <message>
        <source>number</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Ask the running Dartline to move the pointer to the display with this identifier.</source>
        <translation>让正在运行的 Dartline 把光标移到具有此标识的屏幕。</translation>
    </message>
    <message>
        <source>id</source>
        <translation>标识</translation>
    </message>
    <message>
        <source>--jump and --jump-id cannot be used together</source>
        <translation>--jump 与 --jump-id 不能同时使用</translation>
    </message>
    <message>
        <source>--jump-id needs a display identifier</source>
        <translation>--jump-id 需要一个屏幕标识</translation>
    </message>
    <message>
        <source>--jump needs a display number from 1 on, not &apos;%1&apos;</source>
        <translation>--jump 需要从 1 开始的屏幕编号，而不是“%1”</translation>
    </message>
    <message>
        <source>Dartline is not running on this display (%1); start it first.
</source>
        <translation>Dartline 没有在此显示（%1）上运行；请先启动它。
</translation>
    </message>
    <message>
        <source>no X display (DISPLAY is not set); start it from a desktop session (X11, or Wayland with XWayland).
</source>
        <translation>没有 X 显示（未设置 DISPLAY）；请在桌面会话中启动（X11，或带 XWayland 的 Wayland）。
</translation>
    </message>
</context>
</TS>
