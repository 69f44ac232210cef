// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/KeyCodes.h"
#include "tests/ui/UiFixture.h"
#include "ui/DisplayMap.h"
#include "ui/DisplayRow.h"
#include "ui/SecondaryButton.h"
#include "ui/SettingsHeader.h"
#include "ui/SettingsView.h"
#include "ui/ShortcutRecorderButton.h"
#include "ui/StandardButton.h"
#include "ui/ThemedLabel.h"
#include "ui/Translations.h"

#include <QAccessible>
#include <QScopeGuard>
#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

const QString RecordingHint = u"Press the new combination; Esc cancels, Delete clears. Jumps pause while recording."_s;
const QString JumpFailed = u"Cannot move to this display; please check its connection. (-7)"_s;
const QString Refused = u"Could not register the shortcut; the system or another app may be using it. (-9878)"_s;
const Shortcut Taken(14, Shortcut::Alt | Shortcut::Shift); // Alt+Shift+E, held by another client

enum class Scene { Idle, Disconnected, RefusedAlt2, FailedJump };

struct Fixture
{
    explicit Fixture(int screens, Scene scene = Scene::Idle, QSize size = QSize(680, 650))
    {
        fake.platform.displays().setScreens(UiFixture::screens(screens));
        fake.platform.hotKeys().setStatus(Taken, HotKeyStatus::HotKeyExists);
        if (scene == Scene::RefusedAlt2)
            fake.platform.hotKeys().setStatus(Shortcut(19, Shortcut::Alt), HotKeyStatus::HotKeyExists);
        if (scene == Scene::Disconnected)
            fake.storeDisconnected(u"fallback-1-2-3-4"_s, Shortcut(26, Shortcut::Alt));
        model = &fake.start();
        model->setAnimateCursor(false);
        view = std::make_unique<SettingsView>(*model, fake.platform.keyboard(), [this] { ++identified; });
        view->resize(size);
        view->show();
        if (scene == Scene::FailedJump) {
            fake.platform.cursor().setWarpResult(-7);
            QTest::mouseClick(view->rows().first()->jumpButton(), Qt::LeftButton);
        }
        settle();
    }
    void settle() const { QTRY_VERIFY(!view->isRebuildPending()); }
    QString value(int card) const
    {
        return QAccessible::queryAccessibleInterface(view->rows().at(card)->recorder())->text(QAccessible::Value);
    }
    static ThemedLabel *shown(QWidget *in, const QString &text)
    {
        for (ThemedLabel *label : in->findChildren<ThemedLabel *>())
            if (label->isVisible() && label->text().contains(text))
                return label;
        return nullptr;
    }

    UiFixture fake;
    AppModel *model = nullptr;
    std::unique_ptr<SettingsView> view;
    int identified = 0;
};

// The strongest contrast (WCAG ratio) of any pixel of `area` with its corner.
double contrastIn(const QImage &image, const QRect &area)
{
    const auto luminance = [&](int x, int y) { return std::pow(qGray(image.pixel(x, y)) / 255.0, 2.2) + 0.05; };
    const double back = luminance(area.left(), area.top());
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max({ best, luminance(x, y) / back, back / luminance(x, y) });
    return best;
}

} // namespace

class TestSettingsView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        UiFixture::isolateTheme();
        UiFixture::setDarkPalette(false);
        // A locale that groups digits must not reach the sizes on the cards.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void cards_data()
    {
        QTest::addColumn<QStringList>("names"); // the screens left to right
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QString>("status"); // empty: hidden
        QTest::addColumn<QString>("secondCardError"); // empty: none
        QTest::addColumn<QString>("forget"); // empty: hidden
        const QStringList three { u"LG HDR 4K"_s, u"Built-in Display"_s, u"DELL U2723QE"_s };
        QTest::newRow("none") << QStringList() << Scene::Idle << QString() << QString() << QString();
        QTest::newRow("refused registration") << three << Scene::RefusedAlt2 << QString() << Refused << QString();
        QTest::newRow("failed jump") << three.mid(1) << Scene::FailedJump << JumpFailed << QString() << QString();
        QTest::newRow("one disconnected") << three.mid(1, 1) << Scene::Disconnected << QString() << QString()
                                          << u"Disconnected displays with kept settings: 1"_s;
    }
    void cards()
    {
        QFETCH(QStringList, names);
        QFETCH(Scene, scene);
        QFETCH(QString, status);
        QFETCH(QString, secondCardError);
        QFETCH(QString, forget);
        const int screens = int(names.size());
        Fixture f(screens, scene);
        SettingsView &view = *f.view;
        // Left to right, numbered as on the map, each with its default Alt+n.
        const QHash<QString, QString> details { { u"LG HDR 4K"_s, u"External display · 1920 × 1080"_s },
            { u"Built-in Display"_s, u"Built-in display · 1512 × 982"_s },
            { u"DELL U2723QE"_s, u"External display · 2560 × 1440"_s } };
        QCOMPARE(view.rows().size(), screens);
        QCOMPARE(view.countLabel()->text(), u"%1 connected"_s.arg(screens));
        QCOMPARE(view.emptyLabel()->isVisible(), screens == 0);
        QCOMPARE(view.header()->identifyButton()->isEnabled(), screens > 0);
        for (int i = 0; i < screens; ++i) {
            DisplayRow *row = view.rows().at(i);
            QVERIFY2(f.shown(row, names.at(i)), qPrintable(names.at(i)));
            QVERIFY2(f.shown(row, details.value(names.at(i))), qPrintable(details.value(names.at(i))));
            QCOMPARE(view.displayMap()->displays().at(i).name, names.at(i));
            QCOMPARE(f.value(i), u"Alt+%1"_s.arg(i + 1));
            QVERIFY(i == 0 || row->y() > view.rows().at(i - 1)->geometry().bottom());
            QCOMPARE(row->errorLabel()->isVisible(), i == 1 && !secondCardError.isEmpty());
        }
        QVERIFY(secondCardError.isEmpty() || view.rows().at(1)->errorLabel()->text() == secondCardError);
        QCOMPARE(view.statusLabel()->isVisible(), !status.isEmpty());
        QCOMPARE(view.statusLabel()->text(), status);
        QCOMPARE(view.forgetLine()->isVisible(), !forget.isEmpty());
        QVERIFY(forget.isEmpty() || f.shown(view.forgetLine(), forget));
    }

    void recorder_data()
    {
        QTest::addColumn<QString>("steps"); // cards clicked, or keys pressed while recording
        QTest::addColumn<int>("recording"); // the card recording afterwards, -1: none
        QTest::addColumn<QString>("firstValue");
        QTest::addColumn<int>("registered");
        QTest::addColumn<QString>("status");
        QTest::newRow("click starts") << u"0"_s << 0 << u"Recording; press a shortcut"_s << 0 << QString();
        QTest::newRow("second click stops") << u"0 0"_s << -1 << u"Alt+1"_s << 2 << QString();
        QTest::newRow("click on another card moves it") << u"0 1"_s << 1 << u"Alt+1"_s << 0 << QString();
        QTest::newRow("Backspace clears") << u"0 backspace"_s << -1 << u"Not set"_s << 1 << QString();
        QTest::newRow("recorded") << u"0 ctrl-super-e"_s << -1 << u"Ctrl+Super+E"_s << 2 << QString();
        QTest::newRow("refused by the system")
            << u"0 taken"_s << -1 << u"Alt+1"_s << 2 << Refused + u" The previous setting was kept."_s;
    }
    void recorder()
    {
        QFETCH(QString, steps);
        QFETCH(int, recording);
        QFETCH(int, registered);
        Fixture f(2);
        // What the model makes of each key is tested on the model; here, how the cards show it.
        const QHash<QString, Shortcut> keys { { u"backspace"_s, Shortcut(KeyCode::Backspace, 0) },
            { u"ctrl-super-e"_s, Shortcut(14, Shortcut::Control | Shortcut::Super) }, { u"taken"_s, Taken } };
        for (const QString &step : steps.split(u' ')) {
            if (keys.contains(step))
                f.model->handleRecordingKey(keys.value(step).keyCode(), keys.value(step).modifiers());
            else
                QTest::mouseClick(f.view->rows().at(step.toInt())->recorder(), Qt::LeftButton);
            f.settle();
        }
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(f.view->rows().at(i)->recorder()->isRecording(), i == recording);
            QCOMPARE(f.view->rows().at(i)->jumpButton()->isEnabled(), recording < 0);
        }
        QTEST(f.value(0), "firstValue");
        QCOMPARE(f.fake.platform.hotKeys().live().size(), registered);
        QTEST(f.view->statusLabel()->text(), "status");
        QCOMPARE(f.shown(f.view.get(), RecordingHint) != nullptr, recording >= 0);
    }

    void actions()
    {
        Fixture f(3, Scene::Disconnected);
        QTest::mouseClick(f.view->header()->identifyButton(), Qt::LeftButton);
        QCOMPARE(f.identified, 1);
        QTest::mouseClick(f.view->rows().at(1)->jumpButton(), Qt::LeftButton);
        QCOMPARE(f.fake.platform.cursor().warps(), QList<QPointF> { QPointF(756, 491) });
        QTest::mouseClick(f.view->forgetButton(), Qt::LeftButton);
        QCOMPARE(f.model->disconnectedCount(), 0);
        QTRY_VERIFY(!f.view->forgetLine()->isVisible());
    }

    void smallestWindowKeepsTextInView_data()
    {
        QTest::addColumn<int>("screens");
        QTest::addColumn<QString>("language");
        for (const QString &language : { u"en_US"_s, u"zh_CN"_s }) {
            for (int screens : { 1, 3, 9 })
                QTest::addRow("%d displays, %s", screens, qPrintable(language)) << screens << language;
        }
    }
    void smallestWindowKeepsTextInView()
    {
        // What is said about the last card shows without scrolling; no line
        // of text is cut short, in either language.
        QFETCH(int, screens);
        QFETCH(QString, language);
        Translations::install({ language });
        const auto english = qScopeGuard([] { Translations::install({}); });
        Fixture f(screens, Scene::Disconnected, QSize(SettingsView::MinimumWidth, SettingsView::MinimumHeight));
        auto check = [&](ThemedLabel *said) {
            f.settle();
            for (ThemedLabel *label : f.view->findChildren<ThemedLabel *>())
                QVERIFY2(!label->isVisible() || label->height() >= label->minimumSizeHint().height(),
                    qPrintable(label->text()));
            QVERIFY2(said->isVisible() && !said->text().isEmpty(), qPrintable(said->text()));
            QTRY_VERIFY2(said->visibleRegion() == QRegion(said->rect()), qPrintable(said->text()));
        };
        QTest::mouseClick(f.view->rows().last()->recorder(), Qt::LeftButton);
        check(f.view->hintLabel());
        f.model->handleRecordingKey(Taken.keyCode(), Taken.modifiers());
        check(f.view->statusLabel());
        f.fake.platform.cursor().setWarpResult(-7);
        QTest::mouseClick(f.view->rows().last()->jumpButton(), Qt::LeftButton);
        check(f.view->statusLabel());
    }

    // Offered until chosen, then only when asked for again. What the session allows is said
    // where it is limited, and follows it: PipeWire may be started while the window is open.
    void modifierOffer()
    {
        Fixture f(2);
        QVERIFY(f.view->modifierOffer()->isVisible());
        QVERIFY(!f.view->sessionWarning() && !f.view->jumpRouteLine());
        f.fake.platform.setReachesOnlyXWayland(true);
        f.fake.platform.cursor().setRoute(CursorPlatform::Route::ScreenSharingWithoutPipeWire);
        const SettingsView confined(*f.model, f.fake.platform.keyboard(), [] {});
        QVERIFY(confined.sessionWarning() && confined.sessionWarning()->text().contains(u"dartline --jump N"_s));
        QVERIFY(confined.jumpRouteLine()->text().contains(u"systemctl --user start pipewire"_s));
        f.fake.platform.cursor().setRoute(CursorPlatform::Route::ScreenSharingReady);
        f.fake.platform.cursor().setWarpResult(CursorPlatform::WarpNotAllowed);
        f.model->jump(f.model->displays().at(0));
        QTRY_VERIFY(confined.jumpRouteLine()->text().contains(u"indicator"_s));
        f.fake.platform.cursor().setWarpResult(0);
        QTest::mouseClick(f.view->modifierChoices().at(1).second, Qt::LeftButton);
        f.settle();
        QCOMPARE(f.model->defaultModifiers(), std::optional(Shortcut::Control | Shortcut::Alt));
        QCOMPARE(f.model->preferences().bindings.value(f.model->displays().at(1).id).modifiers(),
            Shortcut::Control | Shortcut::Alt);
        QVERIFY(!f.view->modifierOffer()->isVisible());
    }

    void readableInBothThemes_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void readableInBothThemes()
    {
        QFETCH(bool, dark);
        Fixture f(2, Scene::Idle, QSize(680, 800));
        UiFixture::setDarkPalette(dark);
        f.model->beginRecording(f.model->displays().at(1).id);
        f.settle();
        const QImage image = f.view->grab().toImage();
        UiFixture::setDarkPalette(false);
        auto at = [&](QWidget *w, QRect r = {}) {
            return (r.isNull() ? w->rect() : r).translated(w->mapTo(f.view.get(), QPoint()));
        };
        DisplayRow *row = f.view->rows().first();
        const QRect cap = row->recorder()->keycapRects().first().toAlignedRect().adjusted(2, 2, -2, -2);
        const QList<std::pair<QRect, double>> parts { { at(f.shown(row, u"Built-in Display"_s)), 4.5 },
            { at(f.shown(row, u"Built-in display"_s)), 3.0 }, { at(row->recorder(), cap), 4.5 },
            { at(f.view->header()->identifyButton()), 3.0 }, { at(f.view->rows().last()->recorder()), 3.0 },
            { at(f.view->countLabel()), 3.0 }, { at(f.view->hintLabel()), 3.0 } };
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const double ratio = contrastIn(image, parts.at(i).first);
            QVERIFY2(ratio >= parts.at(i).second, qPrintable(u"part %1: %2"_s.arg(i).arg(ratio)));
        }
        QCOMPARE(qGray(image.pixel(at(row).topLeft() + QPoint(6, 6))) < 96, dark);
    }
};

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
