// SPDX-License-Identifier: GPL-3.0-or-later
// The custom-painted views, rendered offscreen and looked at as a user would:
// where the display pictures land, how the cards, caps and buttons are
// drawn, and the two palettes.

#include "tests/ui/UiFixture.h"
#include "tests/ui/UiImages.h"
#include "ui/AppIcon.h"
#include "ui/DartlineTheme.h"
#include "ui/DisplayMap.h"
#include "ui/DisplayRow.h"
#include "ui/LinkButton.h"
#include "ui/SecondaryButton.h"
#include "ui/ShortcutRecorderButton.h"
#include "ui/StandardButton.h"
#include "ui/ThemedLabel.h"
#include "ui/ThemeMonitor.h"
#include "ui/ToggleSwitch.h"
#include "ui/UiFonts.h"

#include <QBoxLayout>
#include <QDir>
#include <QEnterEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Dartline;

using namespace Qt::StringLiterals;
using UiImages::blend;
using UiImages::near;

namespace {

// A white window holding one widget at (10, 10), as tall as the widget wants,
// shown so layouts settle.
struct Host
{
    // `width` 0 keeps the child's own width; the height is always its own.
    explicit Host(QWidget *child, int width = 0)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->addWidget(child);
        layout->activate();
        window.resize(width > 0 ? width : window.sizeHint().width(), window.sizeHint().height());
        window.show();
        layout->activate();
    }
    QImage image() { return UiImages::render(window); }
    QWidget window;
};

void hover(QWidget *widget, bool in)
{
    if (in) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
}

Dartline::Display display(const QString &name, const QRectF &bounds, bool builtIn = false)
{
    return Dartline::Display { u"id-"_s + name, 1, name, bounds, builtIn };
}

// The drawn parts of a display picture: far from the light panel behind it
// (the soft shadow is not).
bool pictureInk(QRgb pixel)
{
    return qGray(pixel) < 200;
}

} // namespace

class TestUiViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void mapPlacement_data();
    void mapPlacement();
    void laptopAndMonitorShapes();
    void cardGeometry_data();
    void cardGeometry();
    void longNameKeepsClearOfTheField();
    void keycapEdgeAndFace();
    void recorderLooks_data();
    void recorderLooks();
    void secondaryButtonOpacity_data();
    void secondaryButtonOpacity();
    void keyboardActivation_data();
    void keyboardActivation();
    void paletteFollowsAppearance_data();
    void paletteFollowsAppearance();
    void detailText_data();
    void detailText();
    void chineseSemiboldIsHeavier();
    void appIconPrefersTheTheme_data();
    void appIconPrefersTheTheme();
};

void TestUiViews::initTestCase()
{
    UiFixture::isolateTheme();
    UiFixture::setDarkPalette(false);
    QVERIFY(!DartlineTheme::isDark());
}

void TestUiViews::mapPlacement_data()
{
    QTest::addColumn<QList<Dartline::Display>>("displays");
    QTest::addColumn<QSize>("panel");
    QTest::addColumn<QList<QRectF>>("pictures"); // expected frames, left to right

    // s = min((624 - 80) / 4480, (192 - 40) / 1080) = 0.121429; frames are
    // s x size - 10, centred on s x (centre - union centre) + panel centre.
    QTest::newRow("1920 and 2560 side by side")
        << QList<Dartline::Display> { display(u"A"_s, QRectF(0, 0, 1920, 1080)),
               display(u"B"_s, QRectF(1920, 0, 2560, 1080)) }
        << QSize(624, 192)
        << QList<QRectF> { QRectF(45.0, 35.43, 223.14, 121.14), QRectF(278.14, 35.43, 300.86, 121.14) };
    // s = min(544 / 1920, 152 / 2160) = 0.070370.
    QTest::newRow("display above the main one") << QList<Dartline::Display> {
        display(u"Main"_s, QRectF(0, 0, 1920, 1080)), display(u"Above"_s, QRectF(0, -1080, 1920, 1080))
    } << QSize(624, 192) << QList<QRectF> { QRectF(249.44, 25.0, 125.11, 66.0), QRectF(249.44, 101.0, 125.11, 66.0) };
    // A negative ratio means a scale of 0: every picture 8 x 8 on the centre.
    QTest::newRow("panel narrower than 80") << QList<Dartline::Display> { display(u"A"_s, QRectF(0, 0, 1920, 1080)),
        display(u"B"_s, QRectF(1920, 0, 1280, 1024)) }
                                            << QSize(60, 192) << QList<QRectF> { QRectF(26, 92, 8, 8) };
    // s = min(544 / 1930, 152 / 1080) = 0.140741; the tiny one stays 8 x 8.
    QTest::newRow("tiny display") << QList<Dartline::Display> {
        display(u"Big"_s, QRectF(0, 0, 1920, 1080)), display(u"Tiny"_s, QRectF(1920, 0, 10, 10))
    } << QSize(624, 192) << QList<QRectF> { QRectF(181.19, 25.0, 260.22, 142.0), QRectF(443.11, 16.7, 8.0, 8.0) };
}

void TestUiViews::mapPlacement()
{
    QFETCH(QList<Dartline::Display>, displays);
    QFETCH(QSize, panel);
    QFETCH(QList<QRectF>, pictures);

    auto *map = new DisplayMap;
    map->setDisplays(displays);
    map->setFixedWidth(panel.width());
    Host host(map);
    const QImage image = host.image().copy(map->geometry());
    QCOMPARE(image.size(), panel);

    const QList<QRect> found = UiImages::regions(image, pictureInk);
    QCOMPARE(found.size(), pictures.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        const QRectF want = pictures.at(i);
        const QRect got = found.at(i);
        // Antialiased edges: a pixel either way.
        QVERIFY2(std::abs(got.left() - want.left()) <= 1.5 && std::abs(got.right() + 1 - want.right()) <= 1.5
                && std::abs(got.top() - want.top()) <= 1.5 && std::abs(got.bottom() + 1 - want.bottom()) <= 1.5,
            qPrintable(u"picture %1 at %2,%3 %4x%5, expected %6,%7 %8x%9"_s.arg(i)
                           .arg(got.x())
                           .arg(got.y())
                           .arg(got.width())
                           .arg(got.height())
                           .arg(want.x())
                           .arg(want.y())
                           .arg(want.width())
                           .arg(want.height())));
    }
}

void TestUiViews::laptopAndMonitorShapes()
{
    // Two equal frames: a laptop's screen is 91 % of its base, a monitor's
    // screen spans the frame above a narrow stand.
    auto *map = new DisplayMap;
    map->setDisplays(
        { display(u"Laptop"_s, QRectF(0, 0, 1600, 1000), true), display(u"Monitor"_s, QRectF(1600, 0, 1600, 1000)) });
    Host host(map);
    const QImage image = host.image().copy(map->geometry());
    const QList<QRect> pictures = UiImages::regions(image, pictureInk);
    QCOMPARE(pictures.size(), 2);

    auto widthOfRow = [&](const QRect &box, int y) {
        int first = -1, last = -1;
        for (int x = box.left(); x <= box.right(); ++x) {
            if (pictureInk(image.pixel(x, y))) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        return last - first + 1;
    };
    const QRect laptop = pictures.at(0);
    const QRect monitor = pictures.at(1);
    const int middle = laptop.center().y() - 10;
    QVERIFY(std::abs(widthOfRow(laptop, middle) - 0.91 * laptop.width()) <= 2);
    QVERIFY(std::abs(widthOfRow(laptop, laptop.bottom() - 1) - laptop.width()) <= 2);
    QVERIFY(std::abs(widthOfRow(monitor, middle) - monitor.width()) <= 1);
    QVERIFY(widthOfRow(monitor, monitor.bottom() - 1) < monitor.width() * 0.35);
}

void TestUiViews::cardGeometry_data()
{
    QTest::addColumn<QStringList>("caps");
    QTest::addColumn<bool>("withError");
    QTest::newRow("two caps") << QStringList { u"Alt"_s, u"1"_s } << false;
    QTest::newRow("two caps, error") << QStringList { u"Alt"_s, u"1"_s } << true;
    QTest::newRow("five caps") << QStringList { u"Ctrl"_s, u"Alt"_s, u"Shift"_s, u"Super"_s, u"Enter"_s } << false;
    QTest::newRow("five caps, error") << QStringList { u"Ctrl"_s, u"Alt"_s, u"Shift"_s, u"Super"_s, u"Enter"_s }
                                      << true;
}

void TestUiViews::cardGeometry()
{
    QFETCH(QStringList, caps);
    QFETCH(bool, withError);

    auto *row = new DisplayRow;
    DisplayRow::Fields fields { display(u"DELL U2723QE"_s, QRectF(0, 0, 2560, 1440)), 2, caps, false, true, {} };
    if (withError)
        fields.error = u"快捷键注册失败，可能已被系统或其他应用占用。（-9878）"_s;
    row->setFields(fields);
    Host host(row, 644);

    const ShortcutRecorderButton *field = row->recorder();
    const QRect fieldBox = field->geometry();
    const QRect jump = row->jumpButton()->geometry();
    // The field hugs the jump button, 12 to its left, however many caps.
    QCOMPARE(jump.left() - fieldBox.right() - 1, 12);
    QCOMPARE(row->width() - jump.right() - 1, DisplayRow::ContentInset);
    QVERIFY(fieldBox.height() >= 38);
    if (caps.size() == 5)
        QVERIFY(fieldBox.width() > 120);
    else
        QCOMPARE(fieldBox.width(), 120);

    // Caps: at least 26 x 25, 5 apart, the pencil last, all at the trailing edge.
    const QList<QRectF> capBoxes = field->keycapRects();
    QCOMPARE(capBoxes.size(), caps.size());
    for (qsizetype i = 0; i < capBoxes.size(); ++i) {
        QVERIFY(capBoxes.at(i).width() >= 26 && capBoxes.at(i).height() >= 25);
        if (i > 0)
            QCOMPARE(capBoxes.at(i).left() - capBoxes.at(i - 1).right(), 5.0);
    }
    const QRectF pencil = field->pencilRect().value();
    QCOMPARE(pencil.left() - capBoxes.last().right(), 8.0);
    QVERIFY(std::abs(pencil.right() - (field->width() - 4)) <= 1);

    // The card: 16 around a main line as tall as its tallest part (the field,
    // or the name over the details where the CJK font's lines are tall); an
    // error adds a line 10 below it, and nothing else.
    const ThemedLabel *error = row->errorLabel();
    QRect line;
    for (const QWidget *part : row->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (part != error && part->isVisible())
            line |= part->geometry();
    }
    QCOMPARE(line.top(), 16);
    QVERIFY(line.height() >= fieldBox.height() && line.height() <= fieldBox.height() + 4);
    const int mainLine = line.height();
    QCOMPARE(error->isVisible(), withError);
    if (withError) {
        QCOMPARE(error->geometry().top() - line.bottom() - 1, 10);
        QVERIFY(error->height() < 2 * error->fontMetrics().height()); // one line
        QCOMPARE(row->height(), 16 + mainLine + 10 + error->height() + 16);
    } else {
        QCOMPARE(row->height(), 16 + mainLine + 16);
    }

    // What shows: the card's surface to its edges, the red line only with an error.
    const QImage image = host.image();
    const QRect card = row->geometry();
    QVERIFY(near(image.pixel(card.center().x(), card.bottom() - 3), DartlineTheme::surface()));
    const auto red = UiImages::regions(image.copy(card), [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 120; });
    QCOMPARE(!red.isEmpty(), withError);
}

void TestUiViews::longNameKeepsClearOfTheField()
{
    // The name gives way (cut with an ellipsis): 12 + 8 + 12 stay free before
    // the shortcut field, and the field keeps its place at the trailing edge.
    auto *row = new DisplayRow;
    const QString longName = u"A display with a very long name that would run into the shortcut field"_s;
    row->setFields(
        { display(longName, QRectF(0, 0, 2560, 1440)), 1, QStringList { u"Alt"_s, u"1"_s }, false, true, {} });
    Host host(row, 584);
    const QList<ThemedLabel *> labels = row->findChildren<ThemedLabel *>();
    const auto name = std::find_if(labels.begin(), labels.end(), [&](ThemedLabel *l) { return l->text() == longName; });
    QVERIFY(name != labels.end());
    QCOMPARE(row->recorder()->geometry().left() - (*name)->geometry().right() - 1, 32);
    QCOMPARE(row->width() - row->jumpButton()->geometry().right() - 1, DisplayRow::ContentInset);
}

void TestUiViews::keycapEdgeAndFace()
{
    auto *field = new ShortcutRecorderButton;
    field->setShortcutLabels(QStringList { u"Alt"_s, u"K"_s });
    Host host(field);
    const QImage image = host.image();
    const QRectF cap = field->keycapRects().at(1).translated(field->pos());
    // The face in its light colour; the lower edge shows 2 below it, darker.
    QVERIFY(near(image.pixel(QPoint(cap.left() + 3, cap.top() + 3)), DartlineTheme::keyFace(), 4));
    const QColor edge = image.pixel(QPoint(cap.center().x(), cap.bottom() + 1));
    QVERIFY2(near(edge, DartlineTheme::keyEdge(), 8), qPrintable(edge.name()));
}

void TestUiViews::recorderLooks_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<bool>("hasShortcut");
    QTest::addColumn<int>("caps");
    QTest::addColumn<bool>("tinted"); // accent pill and outline
    QTest::addColumn<QString>("value");
    QTest::newRow("recording, shortcut set") << true << true << 0 << true << u"正在录制，请按快捷键"_s;
    QTest::newRow("recording, nothing set") << true << false << 0 << true << u"正在录制，请按快捷键"_s;
    QTest::newRow("shortcut") << false << true << 2 << false << u"Alt+3"_s;
    QTest::newRow("nothing set") << false << false << 0 << false << u"未设置"_s;
}

void TestUiViews::recorderLooks()
{
    QFETCH(bool, recording);
    QFETCH(bool, hasShortcut);
    QFETCH(int, caps);
    QFETCH(bool, tinted);
    QFETCH(QString, value);

    auto *field = new ShortcutRecorderButton;
    field->setScreenNumber(3);
    if (hasShortcut)
        field->setShortcutLabels(QStringList { u"Alt"_s, u"3"_s });
    field->setRecording(recording);
    Host host(field);

    QCOMPARE(field->keycapRects().size(), caps);
    QCOMPARE(field->pencilRect().has_value(), caps > 0);
    QCOMPARE(field->accessibleValue(), value);

    const QImage rest = host.image();
    const QPoint inside = field->pos() + QPoint(8, field->height() / 2);
    const QColor accent = DartlineTheme::accent();
    QVERIFY(near(rest.pixel(inside), tinted ? blend(Qt::white, accent, 0.06) : QColor(Qt::white), 2));
    const QColor rim = rest.pixel(field->pos() + QPoint(field->width() / 2, 0));
    QVERIFY(tinted ? rim.blue() - rim.red() > 60 : near(rim, Qt::white, 2));

    // Hovering only deepens the pencil: 0.35 to 0.8.
    hover(field, true);
    const QImage hovered = host.image();
    hover(field, false);
    if (const auto pencil = field->pencilRect()) {
        const QRect box = pencil->toAlignedRect().translated(field->pos());
        const double ratio = UiImages::inkIn(hovered, box) / UiImages::inkIn(rest, box);
        QVERIFY2(ratio > 0.8 / 0.35 * 0.85 && ratio < 0.8 / 0.35 * 1.15, qPrintable(QString::number(ratio)));
    } else {
        QCOMPARE(hovered, rest);
    }
}

void TestUiViews::secondaryButtonOpacity_data()
{
    QTest::addColumn<SecondaryButton::Appearance>("appearance");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<qreal>("pill"); // accent opacity seen behind the text
    using A = SecondaryButton::Appearance;
    QTest::newRow("tinted at rest") << A::Tinted << true << false << false << 0.08;
    QTest::newRow("tinted hovered") << A::Tinted << true << true << false << 0.14;
    QTest::newRow("tinted pressed") << A::Tinted << true << true << true << 0.2;
    // Disabled: the resting pill, faded with the whole button, deaf to hover.
    QTest::newRow("tinted disabled, hovered") << A::Tinted << false << true << false << 0.08 * 0.45;
    QTest::newRow("ghost at rest") << A::Ghost << true << false << false << 0.0;
    QTest::newRow("ghost hovered") << A::Ghost << true << true << false << 0.14;
    QTest::newRow("ghost pressed") << A::Ghost << true << false << true << 0.2;
    QTest::newRow("ghost disabled, pressed") << A::Ghost << false << false << true << 0.0;
}

void TestUiViews::secondaryButtonOpacity()
{
    QFETCH(SecondaryButton::Appearance, appearance);
    QFETCH(bool, enabled);
    QFETCH(bool, hovered);
    QFETCH(bool, pressed);
    QFETCH(qreal, pill);

    auto *button = new SecondaryButton(u"识别屏幕"_s, appearance);
    Host host(button);
    QCOMPARE(button->size(), button->sizeHint());
    button->setEnabled(enabled);
    hover(button, hovered);
    button->setDown(pressed);

    const QImage image = host.image();
    const QPoint side = button->pos() + QPoint(4, button->height() / 2);
    const QColor seen = image.pixel(side);
    const QColor expected = blend(Qt::white, DartlineTheme::accent(), pill);
    QVERIFY2(near(seen, expected, 2), qPrintable(seen.name() + u" != "_s + expected.name()));
}

void TestUiViews::keyboardActivation_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("activates");
    for (const char *control : { "standard", "secondary", "link", "recorder", "switch" }) {
        const QString name = QString::fromLatin1(control);
        QTest::addRow("%s, Return", control) << name << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true;
        QTest::addRow("%s, keypad Enter", control)
            << name << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true;
        QTest::addRow("%s, Space", control) << name << int(Qt::Key_Space) << Qt::KeyboardModifiers() << true;
        QTest::addRow("%s, Ctrl+Return", control)
            << name << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
    }
}

void TestUiViews::keyboardActivation()
{
    QFETCH(QString, control);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, activates);

    QAbstractButton *button = nullptr;
    if (control == u"standard")
        button = new StandardButton(u"清除离线设置"_s, UiFonts::Caption);
    else if (control == u"secondary")
        button = new SecondaryButton(u"跳转"_s, SecondaryButton::Appearance::Ghost);
    else if (control == u"link")
        button = new LinkButton(u"关于"_s, QUrl(), 11);
    else if (control == u"recorder")
        button = new ShortcutRecorderButton;
    else
        button = new ToggleSwitch(u"跳转时放大光标"_s, 12);
    Host host(button);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key(key), modifiers);
    // A click shows by the time the control lets go of the button.
    QTRY_COMPARE(clicked.size(), activates ? 1 : 0);
    QCOMPARE(button->isChecked(), activates && button->isCheckable());
    QTRY_VERIFY(!button->isDown());
    QCOMPARE(clicked.size(), activates ? 1 : 0);
}

void TestUiViews::paletteFollowsAppearance_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

void TestUiViews::paletteFollowsAppearance()
{
    QFETCH(bool, dark);

    // One card, drawn first in the other appearance, then switched live.
    auto *row = new DisplayRow;
    row->setFields(
        { display(u"Panel"_s, QRectF(0, 0, 1512, 982), true), 1, QStringList { u"Alt"_s, u"1"_s }, false, true, {} });
    Host host(row, 644);
    UiFixture::setDarkPalette(!dark);
    const QImage before = host.image();
    UiFixture::setDarkPalette(dark);
    QCOMPARE(DartlineTheme::isDark(), dark);
    const QImage after = host.image();
    const QColor surface = DartlineTheme::surface();
    const QColor keyFace = DartlineTheme::keyFace();
    const QColor keyEdge = DartlineTheme::keyEdge();
    const QColor accent = DartlineTheme::accent();
    UiFixture::setDarkPalette(false);

    const QRect card = row->geometry();
    const QPoint cardPoint(card.center().x(), card.bottom() - 4);
    QVERIFY(!near(before.pixel(cardPoint), surface));
    QVERIFY(near(after.pixel(cardPoint), surface));
    const QRectF cap = row->recorder()->keycapRects().at(1).translated(row->recorder()->pos() + card.topLeft());
    QVERIFY(near(after.pixel(QPoint(cap.left() + 3, cap.top() + 3)), keyFace, 4));
    QVERIFY(near(after.pixel(QPoint(cap.center().x(), cap.bottom() + 1)), keyEdge, 8));
    // The badge behind the number: accent at 0.06 over the card.
    const QPoint badge = card.topLeft() + QPoint(DisplayRow::ContentInset + 3, card.height() / 2);
    QVERIFY(near(after.pixel(badge), blend(surface, accent, 0.06), 2));
}

void TestUiViews::detailText_data()
{
    QTest::addColumn<QRectF>("bounds");
    QTest::addColumn<bool>("builtIn");
    QTest::addColumn<QString>("text");
    QTest::newRow("external") << QRectF(0, 0, 2560, 1440) << false << u"外接屏幕 · 2560 × 1440"_s;
    QTest::newRow("fractions dropped") << QRectF(0, 0, 1512.5, 982.9) << true << u"内建屏幕 · 1512 × 982"_s;
    QTest::newRow("never grouped") << QRectF(-5120, 0, 5120, 2880) << false << u"外接屏幕 · 5120 × 2880"_s;
}

void TestUiViews::detailText()
{
    QFETCH(QRectF, bounds);
    QFETCH(bool, builtIn);
    QFETCH(QString, text);
    // A locale that groups digits must not leak into the numbers.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DisplayRow row;
    row.setFields({ display(u"X"_s, bounds, builtIn), 1, {}, false, true, {} });
    QLocale::setDefault(previous);
    const QList<ThemedLabel *> labels = row.findChildren<ThemedLabel *>();
    const bool shown = std::any_of(labels.begin(), labels.end(), [&](ThemedLabel *l) { return l->text() == text; });
    QVERIFY2(shown, qPrintable(DisplayRow::detailText(row.fields().display)));
}

void TestUiViews::chineseSemiboldIsHeavier()
{
    // Card titles and headlines are semibold; with a single-weight CJK font
    // they came out exactly as heavy as body text.
    const auto ink = [](const QFont &font) {
        QImage image(240, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(image.rect(), Qt::AlignCenter, u"显示器设置窗口"_s);
        painter.end();
        qint64 sum = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                sum += 255 - qGray(image.pixel(x, y));
        }
        return sum;
    };
    const qint64 regular = ink(UiFonts::system(UiFonts::Headline));
    const qint64 semibold = ink(UiFonts::headline());
    QVERIFY2(semibold > regular * 11 / 10, qPrintable(u"regular %1, semibold %2"_s.arg(regular).arg(semibold)));
}

void TestUiViews::appIconPrefersTheTheme_data()
{
    QTest::addColumn<bool>("themed");
    QTest::newRow("theme has it") << true;
    QTest::newRow("compiled in") << false;
}

// The icon theme's org.dartline.Dartline first, the compiled-in sizes when the
// theme has none.
void TestUiViews::appIconPrefersTheTheme()
{
    QFETCH(bool, themed);
    QTemporaryDir dir;
    const QString theme = dir.filePath(u"test"_s);
    QVERIFY(QDir().mkpath(theme + u"/32x32/apps"_s));
    QFile index(theme + u"/index.theme"_s);
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=test\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\n");
    index.close();
    QImage themeIcon(32, 32, QImage::Format_ARGB32);
    themeIcon.fill(Qt::red);
    if (themed)
        QVERIFY(themeIcon.save(theme + u"/32x32/apps/org.dartline.Dartline.png"_s));
    const QStringList searchPaths = QIcon::themeSearchPaths();
    const QString themeName = QIcon::themeName();
    const auto restore = qScopeGuard([&] {
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(themeName);
    });
    QIcon::setThemeSearchPaths({ dir.path() });
    QIcon::setThemeName(u"test"_s);

    const QImage expected = themed ? themeIcon : QImage(u":/icons/dartline-32.png"_s);
    QVERIFY(!expected.isNull());
    const QImage shown = AppIcon::icon().pixmap(32).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
}

QTEST_MAIN(TestUiViews)
#include "tst_uiviews.moc"
